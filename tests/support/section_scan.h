// One section's check run on the test's own thread over an in-memory machine,
// with the findings it delivered.
#pragma once

#include <memory>
#include <vector>

#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks::test {

struct SectionScan {
    EnglishTexts english;
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    std::shared_ptr<MemoryFileSystem> files = std::make_shared<MemoryFileSystem>();
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>();
    SettingsRecord settings;

    SectionScan() { files->SetWow64(false); }

    std::unique_ptr<TScanTaskThread> Worker() {
        return std::make_unique<TScanTaskThread>(registry, files, settings, std::vector<std::string>{}, handOver);
    }
    std::vector<Finding> Run(TScanTaskThread& worker, int taskId) {
        worker.RunCheck(taskId);
        RecordingView view;
        handOver->Deliver(view);
        return view.findings;
    }
    std::vector<Finding> Run(int taskId) {
        auto worker = Worker();
        return Run(*worker, taskId);
    }
};

}  // namespace ks::test

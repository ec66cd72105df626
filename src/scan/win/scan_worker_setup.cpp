// Setting the scan worker up for this machine.
#include "scan/win/scan_worker_setup.h"

#include "scan/win/shell_shortcut_links.h"

namespace ks {

std::unique_ptr<TScanTaskThread> MakeScanWorker(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                                                const SettingsRecord& settings, std::vector<std::string> taskIds,
                                                std::shared_ptr<ScanHandOver> handOver) {
    auto worker = std::make_unique<TScanTaskThread>(registry, files, settings, std::move(taskIds), std::move(handOver));
    worker->Shortcuts = MakeShellShortcutLinks();
    if (settings.IncludeRemoveMedia) {
        worker->DriveAReady = files->DriveReady("a:\\");
        worker->DriveBReady = files->DriveReady("b:\\");
    }
    return worker;
}

}  // namespace ks

// The scan worker as every scan on this machine starts it: the shell's
// shortcut reader and, with removable media scanned, whether the floppy
// drives are ready. Shared by the progress dialog and the console program.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scan/scan_task_thread.h"

namespace ks {

std::unique_ptr<TScanTaskThread> MakeScanWorker(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                                                const SettingsRecord& settings, std::vector<std::string> taskIds,
                                                std::shared_ptr<ScanHandOver> handOver);

}  // namespace ks

// The modal scan progress dialog: starts the worker once it is active, shows
// the running task, a pseudo-progress bar and the key being read, and offers
// Stop. Modal results: 2 when every task ran, 3 when stopped.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scan/file_system.h"
#include "scan/finding_sink.h"
#include "scan/registry.h"
#include "scan/scan_hand_over.h"
#include "ui/win/window.h"

namespace ks {

class TfrmRegProgressHint : public ui::Dialog {
public:
    struct Machine {
        std::shared_ptr<Registry> registry;
        std::shared_ptr<FileSystem> files;
    };

    // mainWindow receives the recount (0x2413) after each task; findings go
    // to `findings`. In clean-once mode the dialog hides itself when it starts.
    TfrmRegProgressHint(std::vector<std::string> taskIds, FindingSink& findings, Machine machine, HWND mainWindow,
                        bool cleanOnceMode);
    ~TfrmRegProgressHint() override;

    // The stop protocol: the worker is told to stop and cut off, the dialog
    // closes at once with the abort result.
    void bStopClick();
    void Timer1Timer();

    // How often the worker was started (once per dialog, however often it is
    // activated).
    int WorkersStarted() const { return workersStarted_; }

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose() override;

private:
    class View;
    class WakeUp;

    void StartWorker();
    void Stop();
    // Applies everything the worker handed over so far.
    void Deliver();

    std::vector<std::string> taskIds_;
    FindingSink& findings_;
    Machine machine_;
    HWND mainWindow_;
    bool cleanOnceMode_;
    std::unique_ptr<View> view_;
    std::unique_ptr<WakeUp> wakeUp_;
    std::shared_ptr<ScanHandOver> handOver_;
    int workersStarted_ = 0;
    unsigned long long lastDelivery_ = 0;  // GetTickCount64
};

}  // namespace ks

// The scan progress dialog's table and its pseudo-progress: plain logic the
// window in scan/win builds on.
#pragma once

#include "ui/form_table.h"

namespace ks {

// The dialog's own messages. 0x2409: the dialog to itself, start the worker.
constexpr unsigned kMsgStartScan = 0x2409;
// The dialog to itself when the worker has handed something over (WM_APP range).
constexpr unsigned kMsgScanDelivery = 0x8000 + 0x409;

constexpr int kProgressFull = 1000;
constexpr unsigned kPseudoProgressIntervalMs = 500;
// The worker's findings, captions and keys reach the dialog at most this often
// (its steps and its end at once). Under Wine a delivery every 100 ms made the
// worker itself a third slower at 50,000 findings (the two threads share the
// heap and the Wine server); every 250 ms it runs as fast as without a window,
// and a person still sees the key change several times a second.
constexpr unsigned kDeliveryIntervalMs = 250;

const ui::FormDef& RegProgressHintForm();

// The bar's next position on a timer tick: it moves by where it is, not by
// the work done, and stops at 999 until the task ends.
int NextPseudoProgress(int position);

}  // namespace ks

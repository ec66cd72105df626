// Window messages the main window answers besides the system's own.
#pragma once

namespace ks {

// A second start asks the running one to come forward. No parameters.
constexpr unsigned kMsgComeForward = 0x2410;
// The main window to itself: run the unattended clean. No parameters.
constexpr unsigned kMsgCleanOnce = 0x2411;
// The scan worker after each task: recount the problem list. No parameters.
constexpr unsigned kMsgRecount = 0x2413;

}  // namespace ks

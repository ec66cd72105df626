// Where the findings of a scan go on the user-interface thread: the main
// window's problem list, or whatever a test collects them in.
#pragma once

#include "scan/finding.h"

namespace ks {

class FindingSink {
public:
    virtual ~FindingSink() = default;
    // Appends one finding, whole, at the end.
    virtual void AddFinding(const Finding& finding) = 0;
    // The findings added so far are a batch: show them now.
    virtual void FindingsDelivered() {}
};

}  // namespace ks

// The after-repair hint: the number of handled problems and a switch to stop
// showing it.
#pragma once

#include <cstddef>

#include "ui/win/window.h"

namespace ks {

class TfrmShowHint : public ui::Dialog {
public:
    explicit TfrmShowHint(std::size_t count);

protected:
    void FormShow() override;

private:
    std::size_t count_;
};

}  // namespace ks

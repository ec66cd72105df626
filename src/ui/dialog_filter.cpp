// File-type filters of the save-file dialog.
#include "ui/dialog_filter.h"

namespace ks::ui {

std::string CommonDialogFilter(std::string_view filter) {
    std::string list;
    std::size_t parts = 0;
    if (!filter.empty()) {
        for (char c : filter) {
            if (c == '|') {
                list += '\0';
                ++parts;
            } else {
                list += c;
            }
        }
        list += '\0';
        ++parts;
        if (parts % 2 != 0) list.append("*.*", 3).push_back('\0');
    }
    list += '\0';
    return list;
}

}  // namespace ks::ui

// Run-time texts of the scan engine in the active language.
#include "scan/scan_texts.h"

namespace ks {

std::string ScanText(const TextKey& text) {
    // The language files are read by the localisation module; until it is part
    // of the build the English wording is the text.
    return text.english;
}

}  // namespace ks

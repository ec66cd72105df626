// Run-time texts of the scan engine in the active language.
#include "scan/scan_texts.h"

#include "settings/localisation.h"

namespace ks {

std::string ScanText(const TextKey& text) { return LookupText(text.key, text.english); }

}  // namespace ks

// The options dialog's rules, apart from its window.
#include "settings/options.h"

#include <algorithm>

#include "settings/localisation.h"
#include "base/text.h"

namespace ks {

namespace {

std::vector<std::string> FirstEntries(const std::vector<std::string>& entries, int count) {
    const auto shown = static_cast<std::size_t>(std::clamp<long long>(count, 0, static_cast<long long>(entries.size())));
    return {entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(shown)};
}

}  // namespace

std::vector<std::string> ShownIgnoreValues(const SettingsRecord& settings) {
    return FirstEntries(settings.IgnoreValues, settings.IgnoreValueCount);
}

std::vector<std::string> ShownIgnoreKeys(const SettingsRecord& settings) {
    return FirstEntries(settings.IgnoreKeys, settings.IgnoreKeyCount);
}

void StoreIgnoreLists(SettingsRecord& settings, const std::vector<std::string>& values,
                      const std::vector<std::string>& keys) {
    settings.IgnoreValues = values;
    settings.IgnoreValueCount = static_cast<int>(values.size());
    settings.IgnoreKeys = keys;
    settings.IgnoreKeyCount = static_cast<int>(keys.size());
}

IgnoreListChoice ActiveIgnoreList(int innerPage) {
    return innerPage == 1 ? IgnoreListChoice::Keys : IgnoreListChoice::Values;
}

bool CanAddIgnoreEntry(const std::vector<std::string>& rows, std::string_view entry) {
    return std::none_of(rows.begin(), rows.end(), [entry](const std::string& row) { return EqualsNoCase(row, entry); });
}

std::vector<int> TickedRowsLastFirst(const std::vector<bool>& ticked) {
    std::vector<int> rows;
    for (std::size_t i = ticked.size(); i-- > 0;)
        if (ticked[i]) rows.push_back(static_cast<int>(i));
    return rows;
}

std::string RestorePointCaption(std::string_view caption) {
    const size_t at = UpperAnsi(caption).find("(XP");
    if (at == std::string::npos) return std::string(caption);
    return std::string(caption.substr(0, at)) + "(XP, Vista, 7, 8)";
}

std::string MissingBackupFolderMessage(std::string_view folder) {
    return std::string(folder) + "," + LookupText("RES_Directory_Not_Exist", "The backup directory does not exist.");
}

}  // namespace ks

// Loading and saving the options record, key by key, over a profile.
#include "settings/settings.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "base/text.h"

namespace ks {

namespace {

constexpr char kOptions[] = "Options";
constexpr char kTree[] = "TreeViewNodeCheck";
constexpr char kIgnoreValue[] = "IgnoreValue";
constexpr char kIgnoreKey[] = "IgnoreKey";
constexpr char kWindow[] = "Window";
constexpr char kCount[] = "Count";

std::optional<int> ReadInteger(const Profile& profile, std::string_view section, std::string_view key) {
    return ParseProfileInteger(profile.ReadString(section, key, ""));
}

int ReadInteger(const Profile& profile, std::string_view section, std::string_view key, int fallback) {
    return ReadInteger(profile, section, key).value_or(fallback);
}

// Any integer other than 0 is true; anything that is not an integer is the default.
bool ReadBoolean(const Profile& profile, std::string_view section, std::string_view key, bool fallback) {
    const std::optional<int> value = ReadInteger(profile, section, key);
    return value ? *value != 0 : fallback;
}

void WriteInteger(Profile& profile, std::string_view section, std::string_view key, int value) {
    (void)profile.WriteString(section, key, std::to_string(value));
}

void WriteBoolean(Profile& profile, std::string_view section, std::string_view key, bool value) {
    (void)profile.WriteString(section, key, value ? "1" : "0");
}

// A text that cannot be stored (it holds a line break) is not written at all,
// so the file keeps its previous value instead of gaining stray lines.
void WriteText(Profile& profile, std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableProfileValue(value)) return;
    (void)profile.WriteString(section, key, QuoteProfileValue(value));
}

// The n of a key named prefix + n (prefix matched ignoring case, n written
// the way the store writes it: no sign, no leading zero); 0 for any other name.
int NumberedKeyIndex(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || !EqualsNoCase(name.substr(0, prefix.size()), prefix)) return 0;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.front() < '1' || digits.front() > '9') return 0;
    const std::optional<int> n = ParseProfileInteger(digits);
    return n ? *n : 0;
}

// The numbers of the entries to read for a list with the written count; see
// kTrustedIgnoreCount. A count the file cannot back up is taken as the
// entries it has: the gaps of a damaged list would match nothing, yet each
// one would be written back as a key of its own when the program closes.
std::vector<int> BelievedEntries(int written, const std::optional<std::vector<std::string>>& names,
                                 std::string_view prefix) {
    std::vector<int> numbers;
    if (written <= 0) return numbers;
    if (written <= kTrustedIgnoreCount || !names) {
        numbers.resize(static_cast<std::size_t>(std::min(written, kTrustedIgnoreCount)));
        for (std::size_t i = 0; i < numbers.size(); ++i) numbers[i] = static_cast<int>(i) + 1;
        return numbers;
    }
    for (const std::string& name : *names) {
        const int n = NumberedKeyIndex(name, prefix);
        if (n >= 1 && n <= written) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    if (numbers.size() > static_cast<std::size_t>(kMaxIgnoreEntries))
        numbers.resize(static_cast<std::size_t>(kMaxIgnoreEntries));
    return numbers;
}

void LoadList(const Profile& profile, std::string_view section, std::string_view prefix, int& count,
              std::vector<std::string>& list) {
    const std::optional<std::vector<std::string>> names = profile.KeyNames(section);
    const std::vector<int> numbers = BelievedEntries(ReadInteger(profile, section, kCount, 0), names, prefix);
    count = static_cast<int>(numbers.size());

    // Keys known to be absent read as empty without asking the file again.
    std::unordered_set<std::string> present;
    if (names)
        for (const std::string& name : *names) present.insert(UpperAnsi(name));

    list.clear();
    list.reserve(numbers.size());
    for (const int n : numbers) {
        std::string key(prefix);
        key += std::to_string(n);
        if (names && !present.contains(UpperAnsi(key)))
            list.emplace_back();
        else
            list.push_back(profile.ReadString(section, key, ""));
    }
}

// Entries that cannot be stored are left out of the file and the rest are
// numbered without gaps, so Count matches what a later load finds.
void SaveList(Profile& profile, std::string_view section, std::string_view prefix,
              const std::vector<std::string>& list) {
    std::vector<const std::string*> storable;
    storable.reserve(list.size());
    for (const std::string& entry : list)
        if (IsStorableProfileValue(entry)) storable.push_back(&entry);

    const int count = static_cast<int>(std::min<std::size_t>(storable.size(), static_cast<std::size_t>(INT_MAX)));
    WriteInteger(profile, section, kCount, count);
    for (int n = 1; n <= count; ++n) {
        std::string key(prefix);
        key += std::to_string(n);
        (void)profile.WriteString(section, key, QuoteProfileValue(*storable[static_cast<std::size_t>(n - 1)]));
    }
}

}  // namespace

bool IsMinimizedShowCommand(int showCommand) {
    // SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE.
    return showCommand == kShowMinimized || showCommand == 6 || showCommand == 7;
}

WindowPosition CentredPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return WindowPosition{(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

void LoadSettings(SettingsRecord& settings, const Profile& profile, MainWindowPlacement& window,
                  std::string_view programFolder) {
    std::string defaultOutput(programFolder);
    defaultOutput += "Backup";
    settings.OutputDirectory = profile.ReadString(kOptions, "OutputDirectory", defaultOutput);
    settings.DeleteBackupFile = ReadBoolean(profile, kOptions, "DeleteBackupFile", true);
    settings.IncludeRemoveMedia = ReadBoolean(profile, kOptions, "IncludeRemoveMedia", false);
    settings.IncludeCDdrive = ReadBoolean(profile, kOptions, "IncludeCDdrive", false);
    settings.Beep = ReadBoolean(profile, kOptions, "Beep", false);

    for (int n = 1; n <= kNodeCheckedCount; ++n)
        settings.NodeChecked[static_cast<std::size_t>(n)] = ReadBoolean(profile, kTree, std::to_string(n), true);

    LoadList(profile, kIgnoreValue, "Value", settings.IgnoreValueCount, settings.IgnoreValues);
    LoadList(profile, kIgnoreKey, "Key", settings.IgnoreKeyCount, settings.IgnoreKeys);

    const int state = ReadInteger(profile, kWindow, "State", kShowNormal);
    settings.WindowMaximized = state == kShowMaximized;
    if (settings.WindowMaximized) {
        // The saved rectangle belongs to the maximized window; it is not read.
        const WindowPosition centre =
            CentredPosition(window.ScreenWidth(), window.ScreenHeight(), window.Width(), window.Height());
        settings.WindowLeft = centre.left;
        settings.WindowTop = centre.top;
    } else {
        const std::optional<int> left = ReadInteger(profile, kWindow, "Left");
        const std::optional<int> top = ReadInteger(profile, kWindow, "Top");
        // A size of zero or less cannot be a window the user saw: keep the current one.
        if (const std::optional<int> width = ReadInteger(profile, kWindow, "Width"); width && *width > 0)
            window.SetWidth(*width);
        if (const std::optional<int> height = ReadInteger(profile, kWindow, "Height"); height && *height > 0)
            window.SetHeight(*height);
        // Centred for the size the window now has, so a saved size without a
        // saved position still opens in the middle of the screen.
        const WindowPosition centre =
            CentredPosition(window.ScreenWidth(), window.ScreenHeight(), window.Width(), window.Height());
        settings.WindowLeft = left.value_or(centre.left);
        settings.WindowTop = top.value_or(centre.top);
    }

    settings.ShowHint = ReadBoolean(profile, kOptions, "ShowHint", true);
    settings.RestorePoint = ReadBoolean(profile, kOptions, "RestorePoint", false);
    settings.Lan = profile.ReadString(kOptions, "Lan", "English");
}

void SaveSettings(SettingsRecord& settings, Profile& profile, MainWindowPlacement& window) {
    WriteText(profile, kOptions, "OutputDirectory", settings.OutputDirectory);
    WriteBoolean(profile, kOptions, "DeleteBackupFile", settings.DeleteBackupFile);
    WriteBoolean(profile, kOptions, "IncludeRemoveMedia", settings.IncludeRemoveMedia);
    WriteBoolean(profile, kOptions, "IncludeCDdrive", settings.IncludeCDdrive);
    WriteBoolean(profile, kOptions, "Beep", settings.Beep);

    window.CopyTreeCheckStates(settings.NodeChecked);
    for (int n = 1; n <= kNodeCheckedCount; ++n)
        WriteBoolean(profile, kTree, std::to_string(n), settings.NodeChecked[static_cast<std::size_t>(n)]);

    // The lists themselves are the truth: their counts should match, and if
    // they do not, writing the entries there are is the only safe choice.
    SaveList(profile, kIgnoreValue, "Value", settings.IgnoreValues);
    SaveList(profile, kIgnoreKey, "Key", settings.IgnoreKeys);

    const std::optional<int> showCommand = window.GetPlacementShowCommand();
    if (showCommand) WriteInteger(profile, kWindow, "State", *showCommand);
    // A minimized window sits far off screen at the size of its caption bar;
    // what the user will want back is the rectangle it is restored to.
    const WindowBounds bounds =
        showCommand && IsMinimizedShowCommand(*showCommand) ? window.RestoredBounds() : window.Bounds();
    WriteInteger(profile, kWindow, "Left", bounds.left);
    WriteInteger(profile, kWindow, "Top", bounds.top);
    WriteInteger(profile, kWindow, "Width", bounds.width);
    WriteInteger(profile, kWindow, "Height", bounds.height);

    WriteBoolean(profile, kOptions, "ShowHint", settings.ShowHint);
    WriteBoolean(profile, kOptions, "RestorePoint", settings.RestorePoint);
    WriteText(profile, kOptions, "Lan", settings.Lan);
}

void LoadSaveSettings(bool load, Profile& profile, MainWindowPlacement& window, std::string_view programFolder,
                      SettingsRecord& settings) {
    if (load)
        LoadSettings(settings, profile, window, programFolder);
    else
        SaveSettings(settings, profile, window);
}

std::vector<std::string> FolderChain(std::string_view folder) {
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    const auto nextSeparator = [&](std::size_t from) {
        while (from < folder.size() && !isSeparator(folder[from])) ++from;
        return from;
    };

    std::size_t start = 0;
    if (folder.size() >= 2 && isSeparator(folder[0]) && isSeparator(folder[1])) {
        // \\server\share cannot be created; what lies below it can.
        const std::size_t afterServer = nextSeparator(2);
        start = nextSeparator(afterServer + 1);
        if (afterServer >= folder.size()) start = folder.size();
    } else if (folder.size() >= 2 && folder[1] == ':') {
        start = 2;
    }

    std::vector<std::string> chain;
    std::size_t i = start;
    while (i < folder.size()) {
        while (i < folder.size() && isSeparator(folder[i])) ++i;
        if (i >= folder.size()) break;
        i = nextSeparator(i);
        chain.emplace_back(folder.substr(0, i));
    }
    return chain;
}

}  // namespace ks

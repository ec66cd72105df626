// Listing and removing startup entries over the registry and file-system
// interfaces.
#include "startup/startup_list.h"

#include <exception>

#include "base/text.h"

namespace ks {

namespace {

constexpr char kRunKeys[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
constexpr char kUserRoot[] = "HKEY_CURRENT_USER";
constexpr char kMachineRoot[] = "HKEY_LOCAL_MACHINE";
constexpr char kStartupKey[] = "RES_Startup";
constexpr char kStartupEnglish[] = "Startup";
constexpr char kCommonStartupKey[] = "RES_Common_Startup";
constexpr char kCommonStartupEnglish[] = "Common Startup";

std::string Text(TextLookup lookupText, const char* key, const char* english) {
    return lookupText ? lookupText(key, english) : std::string(english);
}

// The data up to its first NUL, as the "A" functions hand strings over.
std::string UpToNul(const std::string& data) { return data.substr(0, data.find('\0')); }

bool IsShortcutName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && EqualsNoCase(name.substr(dot), ".lnk");
}

}  // namespace

bool HasRunServices(std::uint8_t windowsVersion) {
    return (windowsVersion >= 1 && windowsVersion <= 4) || windowsVersion == 8;
}

std::vector<StartupSource> StartupSources(std::uint8_t windowsVersion) {
    const std::string base = kRunKeys;
    std::vector<StartupSource> sources;
    for (const std::string key : {"Run", "Policies\\Explorer\\Run", "RunOnce"}) {
        sources.push_back({kUserRoot, base + key});
        sources.push_back({kMachineRoot, base + key});
    }
    if (HasRunServices(windowsVersion)) {
        sources.push_back({kUserRoot, base + "RunServices"});
        sources.push_back({kMachineRoot, base + "RunServices"});
    }
    sources.push_back({"", "", kCsidlStartup, kStartupKey, kStartupEnglish});
    sources.push_back({"", "", kCsidlCommonStartup, kCommonStartupKey, kCommonStartupEnglish});
    return sources;
}

void ListRegistryStartup(Registry& registry, std::string_view rootName, std::string_view keyPath,
                         std::vector<StartupEntry>& rows) {
    const auto root = RootByName(rootName);
    if (!root) return;
    const auto key = registry.OpenKey(*root, keyPath, Access::Full);
    if (!key) return;
    const std::string location = std::string(RootName(*root)) + "\\" + std::string(keyPath);
    const StartupSource source{RootName(*root), std::string(keyPath)};
    for (const RegValue& value : key->Values()) {
        if (value.type != RegType::String && value.type != RegType::ExpandString) continue;
        rows.push_back({value.name, UpToNul(value.data), location, source});
    }
}

std::string GetShellFolder(FileSystem& files, int shellFolder) {
    std::string path = files.SpecialFolder(shellFolder);
    if (!path.empty()) path = WithTrailingBackslash(std::move(path));
    return path;
}

void ListStartupFolder(FileSystem& files, ShortcutReader& shortcuts, const StartupSource& source,
                       const std::string& label, std::vector<StartupEntry>& rows) {
    const std::string folder = GetShellFolder(files, source.ShellFolder);
    if (folder.empty()) return;
    const auto entries = files.ListFolder(folder);
    if (!entries) return;
    for (const FolderEntry& entry : *entries) {
        if (entry.isFolder || !IsShortcutName(entry.name)) continue;
        const ShortcutTarget read = shortcuts.ReadTarget(folder + entry.name);
        std::string target = read.status == ShortcutTarget::Status::Read ? read.path : std::string();
        if (target.empty()) continue;
        rows.push_back({entry.name, std::move(target), label, source});
    }
}

std::vector<StartupEntry> ListStartupEntries(Registry& registry, FileSystem& files, ShortcutReader& shortcuts,
                                             std::uint8_t windowsVersion, TextLookup lookupText) {
    std::vector<StartupEntry> rows;
    for (const StartupSource& source : StartupSources(windowsVersion)) {
        if (source.ShellFolder != 0)
            ListStartupFolder(files, shortcuts, source,
                              Text(lookupText, source.LabelKey.c_str(), source.LabelEnglish.c_str()), rows);
        else
            ListRegistryStartup(registry, source.RootName, source.KeyPath, rows);
    }
    return rows;
}

namespace {

RemoveResult RemoveEntry(RepairContext& context, const std::string& backupFile, const StartupEntry& entry) {
    const StartupSource& source = entry.Source;
    if (source.ShellFolder == 0)
        return DeleteValueWithBackup(context, backupFile, source.RootName, source.KeyPath, entry.Caption);
    const std::string folder = GetShellFolder(context.files, source.ShellFolder);
    // Without its folder the caption alone would name a file in the current
    // folder; a caption with a separator would leave the folder.
    if (folder.empty() || entry.Caption.empty() || entry.Caption.find_first_of("\\/") != std::string::npos)
        return RemoveResult::NotRemoved;
    return RemoveFinding(context, backupFile,
                         Finding{entry.Location, folder + entry.Caption, "", RemovalKind::DeleteFile});
}

std::size_t TickedRows(const StartupRows& rows) {
    std::size_t ticked = 0;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (rows.IsChecked(i)) ++ticked;
    return ticked;
}

}  // namespace

StartupDeleteOutcome DeleteTickedStartupEntries(StartupRows& rows, RepairContext& context,
                                                const std::string& outputDirectory) {
    StartupDeleteOutcome outcome;
    if (TickedRows(rows) == 0) return outcome;
    try {
        if (!context.files.FolderExists(outputDirectory)) {
            if (!context.ui.AskYesNo(MissingFolderQuestion(outputDirectory, context.lookupText))) return outcome;
            if (!context.store.CreateFolderTree(outputDirectory)) {
                outcome.notRemoved = TickedRows(rows);
                return outcome;
            }
        }
        outcome.started = true;
        outcome.backupFile = MakeBackupFileName(outputDirectory, context.clock());
        for (std::size_t i = rows.Count(); i-- > 0;) {
            if (!rows.IsChecked(i)) continue;
            const auto result = RemoveEntry(context, outcome.backupFile, rows.Entry(i));
            if (result == RemoveResult::BackupFailed) break;
            if (result == RemoveResult::Removed) {
                rows.Remove(i);
                ++outcome.removed;
            }
        }
    } catch (const std::exception&) {
        // What was removed stays removed; the rest keeps its rows.
    }
    outcome.notRemoved = TickedRows(rows);
    return outcome;
}

std::string NotRemovedMessage(std::size_t count, TextLookup lookupText) {
    return std::to_string(count) + " " +
           Text(lookupText, "RES_Startup_Not_Removed", "startup entries could not be removed.");
}

}  // namespace ks

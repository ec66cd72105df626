// One problem a check found: the row the problem list shows and repair acts on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace ks {

// What repair removes for a finding. The numbers are stored and compared as
// integers elsewhere (ignore lists, reports), so they never change.
enum class RemovalKind : int {
    DeleteKey = 0,           // KeyPath is the key; repair removes it with its subkeys
    DeleteValueInPath = 1,   // KeyPath is key + "\" + value name, split at the last backslash
    DeleteNamedValue = 2,    // KeyPath is the key, Value the value name
    DeleteSubkey = 3,        // KeyPath is the parent, Value the subkey name
    DeleteFile = 4,          // KeyPath is a file path, not a registry location
    DeleteDefaultValue = 5,  // KeyPath is the key; its unnamed value goes
    DeleteEncodedValue = 6,  // Value is the readable name; the stored name is its ROT13
};

constexpr int ToInt(RemovalKind kind) { return static_cast<int>(kind); }

// The kind with this number, or nothing for a number outside 0..6.
constexpr std::optional<RemovalKind> RemovalKindFromInt(int number) {
    if (number < 0 || number > 6) return std::nullopt;
    return static_cast<RemovalKind>(number);
}

// Why a check reported a finding. The problem list's tip and the command
// line put it in words in the active language.
enum class ReasonKind : std::uint8_t {
    None,                 // nothing recorded
    MissingFile,          // Detail: the path looked for as a file
    MissingFileOrFolder,  // Detail: the path looked for as a file or a folder
    MissingTarget,        // Detail: a shortcut's target, looked for as a file or a folder
    MissingRecentFile,    // Detail: a recent file, looked for with each remembered extension
    EmptyCommand,         // the command text is empty
    ZeroUseCount,         // a shared library's use count is zero
    NoUninstallCommand,   // an uninstall entry names no uninstall command
    NoUninstallEntry,     // Detail: the program whose uninstall entry is gone
    EmptyKey,             // neither the key nor any key below it holds a value
    EmptyClass,           // no subkeys, and no value but an empty default
    NoTypeLib,            // an interface names an empty type library
    UnregisteredTypeLib,  // Detail: the type library id
    UnregisteredAppId,    // Detail: the application id
    NoStartMenuFolder,    // Detail: the folder name
    NeverRun,             // a recently-run entry whose run count is zero
    FoundAgain,           // repair found the reference (Detail) there again and left the row
};

// How a missing reference was tested, so that repair can ask again just
// before it deletes: what text to read, and how to test it.
struct ReferenceTest {
    enum class Source : std::uint8_t {
        None,            // not a reference: nothing to test again
        ValueData,       // the data of the value the row removes (for a key row: of its KeyValue)
        ValueName,       // the name of the value the row removes
        DataAndName,     // the data, a backslash (unless it ends in one), and the value's name
        NameAfterColon,  // the value's readable name after its first colon
        RecentFile,      // the data, with each extension listed as a subkey beside it
        ShortcutTarget,  // the target of the shortcut file the row removes
    };
    // The name the path was cut after: none, one of the two extensions the
    // walks pass, or the last part of the key the row names (App Paths).
    enum class Hint : std::uint8_t { None, Exe, Dll, KeyName };
    // For a row that removes a key: which of its values holds the reference.
    enum class KeyValue : std::uint8_t { Default, Command };
    Source From = Source::None;
    Hint NameHint = Hint::None;
    bool AllowFolder = false;
    KeyValue Value = KeyValue::Default;

    friend bool operator==(const ReferenceTest&, const ReferenceTest&) = default;
};

struct FindingReason {
    ReasonKind Kind = ReasonKind::None;
    std::string Detail;  // the path, name or id the reason names; may be empty
    ReferenceTest Test;

    friend bool operator==(const FindingReason&, const FindingReason&) = default;
};

struct Finding {
    std::string Problem;  // localized problem text
    std::string KeyPath;  // full root name, "\", key path (or a file path for DeleteFile)
    std::string Value;    // meaning depends on the removal kind; may be empty
    ks::RemovalKind RemovalKind = ks::RemovalKind::DeleteKey;
    FindingReason Reason;

    // The same row: what it shows and what repair removes. The reason says
    // why, and may change (repair marks a row found again), so it is no part
    // of a finding's identity.
    friend bool operator==(const Finding& a, const Finding& b) {
        return a.Problem == b.Problem && a.KeyPath == b.KeyPath && a.Value == b.Value &&
               a.RemovalKind == b.RemovalKind;
    }
};

// A check that reports a value by name uses DeleteValueInPath when the name
// holds no backslash, since that kind is split at the last backslash, and
// DeleteNamedValue when it does.
inline Finding ValueFinding(std::string problem, const std::string& keyPath, const std::string& valueName,
                            std::string data, FindingReason reason = {}) {
    if (valueName.find('\\') == std::string::npos)
        return Finding{std::move(problem), keyPath + "\\" + valueName, std::move(data),
                       ks::RemovalKind::DeleteValueInPath, std::move(reason)};
    return Finding{std::move(problem), keyPath, valueName, ks::RemovalKind::DeleteNamedValue, std::move(reason)};
}

}  // namespace ks

// Reasons and removal previews in words.
#include "repair/finding_details.h"

#include <memory>
#include <vector>

#include "settings/resource_strings.h"

namespace ks {

namespace {

std::string Text(TextLookup lookupText, const char* key) {
    const char* english = EnglishResourceText(key);
    if (!english) english = "";
    return lookupText ? lookupText(key, english) : std::string(english);
}

// The text with %1, %2 and %3 replaced by the arguments, in one pass, so an
// argument that holds "%2" itself stays as it is.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(text.size() + 64);
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 1 < text.size() && text[at + 1] >= '1' &&
            static_cast<std::size_t>(text[at + 1] - '1') < arguments.size()) {
            out.append(*(arguments.begin() + (text[at + 1] - '1')));
            ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

struct Counts {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    bool cut = false;
};

// Depth first; each level keeps its open key and its subkey names, so a deep
// tree costs heap, not stack, and a wide one one open key per level.
Counts CountBelow(std::unique_ptr<RegistryKey> top, std::uint64_t limit) {
    struct Level {
        std::unique_ptr<RegistryKey> key;
        std::vector<std::string> names;
        std::size_t next = 0;
    };
    Counts counts;
    std::vector<Level> levels;
    // Counts a key's values, and its subkeys ahead (each is one key); false once past the limit.
    auto enter = [&](std::unique_ptr<RegistryKey> key) {
        const auto info = key->Info();
        counts.values += info ? info->values : key->ValueNames().size();
        if (counts.keys + counts.values + (info ? info->subkeys : 0) > limit) return false;
        auto names = key->SubkeyNames();
        levels.push_back(Level{std::move(key), std::move(names), 0});
        return true;
    };
    if (!enter(std::move(top))) {
        counts.cut = true;
        return counts;
    }
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.names.size()) {
            levels.pop_back();
            continue;
        }
        const std::string& name = level.names[level.next++];
        // An empty name would open this very key again.
        if (name.empty()) continue;
        auto child = level.key->OpenSubkey(name, Access::Read);
        if (!child) continue;
        ++counts.keys;
        if (!enter(std::move(child))) {
            counts.cut = true;
            return counts;
        }
    }
    return counts;
}

}  // namespace

RemovalPreview PreviewRemoval(Registry& registry, FileSystem& files, const Finding& finding,
                              const LeadBytes& leadBytes, std::uint64_t limit) {
    RemovalPreview preview;
    const RemovalTarget target = TargetOf(finding, leadBytes);
    if (target.kind == RemovalTarget::Kind::File) {
        if (files.FileExists(target.filePath)) {
            preview.what = RemovalPreview::What::File;
            preview.name = target.filePath;
        }
        return preview;
    }
    auto root = RootByName(target.rootName);
    if (target.kind == RemovalTarget::Kind::None || !root) return preview;
    const std::string path = WhereKeyLives(registry, *root, target.keyPath);
    if (target.kind == RemovalTarget::Kind::Key) {
        // A root itself is never deleted.
        if (path.empty()) return preview;
        auto key = registry.OpenKey(*root, path, Access::Read);
        if (!key) return preview;
        const Counts counts = CountBelow(std::move(key), limit);
        preview.what = RemovalPreview::What::Key;
        preview.keys = counts.keys;
        preview.values = counts.values;
        preview.countCut = counts.cut;
        return preview;
    }
    const auto key = registry.OpenKey(*root, path, Access::Read);
    const auto info = key ? key->QueryValueInfo(target.valueName) : std::nullopt;
    if (!info) return preview;
    preview.what = target.valueName.empty() ? RemovalPreview::What::DefaultValue : RemovalPreview::What::Value;
    // The row shows an encoded name readable; so does its tip.
    preview.name = finding.RemovalKind == RemovalKind::DeleteEncodedValue ? finding.Value : target.valueName;
    preview.type = info->type;
    preview.sizeBytes = info->sizeBytes;
    return preview;
}

std::string RegTypeName(std::uint32_t type) {
    switch (type) {
    case RegType::None: return "REG_NONE";
    case RegType::String: return "REG_SZ";
    case RegType::ExpandString: return "REG_EXPAND_SZ";
    case RegType::Binary: return "REG_BINARY";
    case RegType::Dword: return "REG_DWORD";
    case RegType::DwordBigEndian: return "REG_DWORD_BIG_ENDIAN";
    case RegType::Link: return "REG_LINK";
    case RegType::MultiString: return "REG_MULTI_SZ";
    case 8: return "REG_RESOURCE_LIST";
    case 9: return "REG_FULL_RESOURCE_DESCRIPTOR";
    case 10: return "REG_RESOURCE_REQUIREMENTS_LIST";
    case RegType::Qword: return "REG_QWORD";
    default: return "type " + std::to_string(type);
    }
}

std::string ReasonText(const FindingReason& reason, TextLookup lookupText) {
    const char* key = nullptr;
    switch (reason.Kind) {
    case ReasonKind::None: return {};
    case ReasonKind::MissingFile: key = "RES_Reason_Missing_File"; break;
    case ReasonKind::MissingFileOrFolder: key = "RES_Reason_Missing_Path"; break;
    case ReasonKind::MissingTarget: key = "RES_Reason_Missing_Target"; break;
    case ReasonKind::MissingRecentFile: key = "RES_Reason_Missing_Recent"; break;
    case ReasonKind::EmptyCommand: key = "RES_Reason_Empty_Command"; break;
    case ReasonKind::ZeroUseCount: key = "RES_Reason_Zero_Count"; break;
    case ReasonKind::NoUninstallCommand: key = "RES_Reason_No_Uninstall"; break;
    case ReasonKind::NoUninstallEntry: key = "RES_Reason_No_Uninstall_Entry"; break;
    case ReasonKind::EmptyKey: key = "RES_Reason_Empty_Key"; break;
    case ReasonKind::EmptyClass: key = "RES_Reason_Empty_Class"; break;
    case ReasonKind::NoTypeLib: key = "RES_Reason_No_TypeLib"; break;
    case ReasonKind::UnregisteredTypeLib: key = "RES_Reason_TypeLib"; break;
    case ReasonKind::UnregisteredAppId: key = "RES_Reason_AppId"; break;
    case ReasonKind::NoStartMenuFolder: key = "RES_Reason_No_Folder"; break;
    case ReasonKind::NeverRun: key = "RES_Reason_Never_Run"; break;
    case ReasonKind::FoundAgain: key = "RES_Reason_Found_Again"; break;
    }
    return FillIn(Text(lookupText, key), {reason.Detail});
}

std::string RemovalText(const RemovalPreview& preview, TextLookup lookupText) {
    switch (preview.what) {
    case RemovalPreview::What::Nothing: return Text(lookupText, "RES_Delete_Nothing");
    case RemovalPreview::What::Value:
        return FillIn(Text(lookupText, "RES_Delete_Value"),
                      {preview.name, RegTypeName(preview.type), std::to_string(preview.sizeBytes)});
    case RemovalPreview::What::DefaultValue: return Text(lookupText, "RES_Delete_Default_Value");
    case RemovalPreview::What::Key:
        if (preview.countCut)
            return FillIn(Text(lookupText, "RES_Delete_Key_More"), {std::to_string(kMostCountedItems)});
        return FillIn(Text(lookupText, "RES_Delete_Key"),
                      {std::to_string(preview.keys), std::to_string(preview.values)});
    case RemovalPreview::What::File: return FillIn(Text(lookupText, "RES_Delete_File"), {preview.name});
    }
    return {};
}

std::string FindingTip(const Finding& finding, const RemovalPreview& preview, TextLookup lookupText) {
    const char* const kLineEnd = "\r\n";
    const bool file = finding.RemovalKind == RemovalKind::DeleteFile;
    std::string tip = Text(lookupText, file ? "RES_Tip_File" : "RES_Tip_Key") + " " + finding.KeyPath;
    if (!finding.Value.empty()) tip += kLineEnd + Text(lookupText, "RES_Tip_Value") + " " + finding.Value;
    if (const std::string reason = ReasonText(finding.Reason, lookupText); !reason.empty())
        tip += kLineEnd + Text(lookupText, "RES_Tip_Reason") + " " + reason;
    tip += kLineEnd + Text(lookupText, "RES_Tip_Deletes") + " " + RemovalText(preview, lookupText);
    return tip;
}

std::string DetailsText(const FindingReason& reason, const RemovalPreview& preview, TextLookup lookupText) {
    std::string text = ReasonText(reason, lookupText);
    if (!text.empty()) text += "; ";
    return text + Text(lookupText, "RES_Tip_Deletes") + " " + RemovalText(preview, lookupText);
}

const char* ReasonKindName(ReasonKind kind) {
    switch (kind) {
    case ReasonKind::None: return "";
    case ReasonKind::MissingFile: return "MissingFile";
    case ReasonKind::MissingFileOrFolder: return "MissingFileOrFolder";
    case ReasonKind::MissingTarget: return "MissingTarget";
    case ReasonKind::MissingRecentFile: return "MissingRecentFile";
    case ReasonKind::EmptyCommand: return "EmptyCommand";
    case ReasonKind::ZeroUseCount: return "ZeroUseCount";
    case ReasonKind::NoUninstallCommand: return "NoUninstallCommand";
    case ReasonKind::NoUninstallEntry: return "NoUninstallEntry";
    case ReasonKind::EmptyKey: return "EmptyKey";
    case ReasonKind::EmptyClass: return "EmptyClass";
    case ReasonKind::NoTypeLib: return "NoTypeLib";
    case ReasonKind::UnregisteredTypeLib: return "UnregisteredTypeLib";
    case ReasonKind::UnregisteredAppId: return "UnregisteredAppId";
    case ReasonKind::NoStartMenuFolder: return "NoStartMenuFolder";
    case ReasonKind::NeverRun: return "NeverRun";
    case ReasonKind::FoundAgain: return "FoundAgain";
    }
    return "";
}

const char* RemovalWhatName(RemovalPreview::What what) {
    switch (what) {
    case RemovalPreview::What::Nothing: return "nothing";
    case RemovalPreview::What::Value: return "value";
    case RemovalPreview::What::DefaultValue: return "defaultValue";
    case RemovalPreview::What::Key: return "key";
    case RemovalPreview::What::File: return "file";
    }
    return "";
}

}  // namespace ks

// A key tree of any names, types and bytes, backed up as a whole or one value
// at a time. A backup the writer calls good reads back as exactly the names,
// types and bytes in the registry; an item it turns down has a reason that
// the tree shows, and leaves the file as it was.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "lead_bytes.h"
#include "logic/backup_memory_file.h"
#include "repair/backup_parser.h"
#include "repair/backup_writer.h"
#include "support/memory_registry.h"

namespace {

using ks::RegType::ExpandString;
using ks::RegType::MultiString;
using ks::RegType::String;

constexpr char kFile[] = "C:\\Backup\\Backup20260101000000.reg";
constexpr ks::RootKey kUser = ks::RootKey::CurrentUser;
constexpr char kBase[] = "Fuzz";

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "backup round trip: %s %s\n", what, detail.c_str());
    std::abort();
}

std::uint32_t PickType(ks::fuzz::Input& input) {
    static const std::uint32_t types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 1, 4, 7};
    const std::uint8_t choice = input.Byte();
    if (choice >= 0xF0) return input.Number();  // any type number at all
    return types[choice % (sizeof types / sizeof types[0])];
}

// A key name the registry can hold: not empty, no backslash, no NUL.
std::string KeyName(ks::fuzz::Input& input) {
    std::string name = input.Text(40);
    for (char& c : name)
        if (c == '\\' || c == '\0') c = '_';
    return name.empty() ? std::string("k") : name;
}

// Plants a tree under kBase; answers the value names planted (with their key
// paths) so that a single value can be picked.
std::vector<std::pair<std::string, std::string>> Plant(ks::fuzz::Input& input, ks::test::MemoryRegistry& registry,
                                                       std::vector<std::string>& keys) {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> path{kBase};
    registry.AddKey(kUser, kBase);
    keys.push_back(kBase);
    const auto joined = [&] {
        std::string out;
        for (const auto& part : path) out += (out.empty() ? "" : "\\") + part;
        return out;
    };
    for (int step = 0; step < 48 && !input.Empty(); ++step) {
        const std::uint8_t op = input.Byte() % 4;
        if (op == 0 || op == 1) {
            std::string name = input.Text(60);
            const std::uint32_t type = PickType(input);
            std::string data = input.Text(255);
            // Texts mostly as programs write them, with their terminator.
            if ((type == String || type == ExpandString || type == MultiString) && (input.Byte() & 3) != 0)
                data += std::string(type == MultiString ? 2 : 1, '\0');
            registry.Set(kUser, joined(), name, type, data);
            values.emplace_back(joined(), name);
        } else if (op == 2 && path.size() < 6) {
            path.push_back(KeyName(input));
            registry.AddKey(kUser, joined());
            keys.push_back(joined());
        } else if (path.size() > 1) {
            path.pop_back();
        }
    }
    return values;
}

// Every block of the subtree as the registry holds it, read without the writer.
void ReadLive(ks::Registry& registry, const std::string& path, const std::string& fullPath,
              std::vector<ks::RegBlock>& blocks) {
    const auto key = registry.OpenKey(kUser, path, ks::Access::Read);
    if (!key) Fail("a planted key cannot be opened", path);
    blocks.push_back({fullPath, key->Values(), false, {}});
    for (const auto& name : key->SubkeyNames()) ReadLive(registry, path + "\\" + name, fullPath + "\\" + name, blocks);
}

bool AnyNameUnwritable(const std::vector<ks::RegBlock>& blocks, const ks::LeadBytes& lead) {
    for (const auto& block : blocks) {
        const std::string_view below = std::string_view(block.keyPath).substr(block.keyPath.find('\\') + 1);
        if (!ks::IsWritableName(below, lead)) return true;
        for (const auto& value : block.values)
            if (!ks::IsWritableName(value.name, lead)) return true;
    }
    return false;
}

// Whether writing and reading the blocks back changes them.
bool ImportWouldChange(const std::vector<ks::RegBlock>& blocks, const ks::LeadBytes& lead) {
    std::string text = "REGEDIT4\r\n";
    for (const auto& block : blocks)
        if (!ks::AppendBlock(text, block, lead)) return true;
    const auto parsed = ks::ParseRegText(text, true, lead);
    return !parsed.ok || parsed.blocks != blocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ks::fuzz::Input input(data, size);
    const std::uint8_t options = input.Byte();
    const ks::LeadBytes lead = ks::fuzz::ChosenLeadBytes(options);
    const bool wholeKey = (options & 2) != 0;

    ks::test::MemoryRegistry registry;
    std::vector<std::string> keys;
    const auto values = Plant(input, registry, keys);

    ks::test::MemoryBackupStore store;
    if (!store.CreateFolderTree("C:\\Backup")) Fail("no folder");
    ks::BackupContext context{registry, store, lead};

    std::string path;
    std::string name;
    if (wholeKey || values.empty()) {
        path = keys[input.Byte() % keys.size()];
    } else {
        const auto& chosen = values[input.Byte() % values.size()];
        path = chosen.first;
        name = chosen.second;
    }
    const bool asKey = wholeKey || values.empty();

    std::vector<ks::RegBlock> live;
    if (asKey) {
        ReadLive(registry, path, std::string("HKEY_CURRENT_USER\\") + path, live);
    } else {
        const auto key = registry.OpenKey(kUser, path, ks::Access::Read);
        auto value = key ? key->ReadValue(name) : std::nullopt;
        // A name holding a NUL is listed, but asking for it asks for less.
        if (!value && name.find('\0') == std::string::npos) Fail("a planted value cannot be read", name);
        live.push_back({std::string("HKEY_CURRENT_USER\\") + path, {value ? *value : ks::RegValue{name, 0, {}}}, false, {}});
    }

    const ks::BackupResult result = ks::WriteRegBackup(context, kFile, kUser, asKey, name, path);
    switch (result) {
    case ks::BackupResult::Written: {
        const auto parsed = ks::ParseRegText(store.Content(kFile), true, lead);
        if (!parsed.ok) Fail("a written backup does not read:", parsed.error);
        if (parsed.blocks != live) Fail("a written backup reads back otherwise than the registry holds it");
        break;
    }
    case ks::BackupResult::Refused:
        // The in-memory registry refuses nothing to read, so only a name the
        // text cannot carry may stand in the way.
        if (!AnyNameUnwritable(live, lead)) Fail("refused with every name writable");
        if (store.Exists(kFile)) Fail("a refused item left a file");
        break;
    case ks::BackupResult::NotVerified:
        if (!ImportWouldChange(live, lead)) Fail("not verified, yet the text reads back the same");
        if (store.Exists(kFile)) Fail("an unverified block left a file");
        break;
    case ks::BackupResult::Missing:
        // No registry function takes a name with a NUL in it: such a name is
        // never found, and nothing is deleted under it either.
        if (name.find('\0') == std::string::npos) Fail("a planted item is missing");
        if (store.Exists(kFile)) Fail("a missing item left a file");
        break;
    case ks::BackupResult::FileFailed: Fail("the in-memory file failed");
    }
    return 0;
}

// The in-memory registry and file system used by the logic tests and benchmarks.
#include "support/memory_registry.h"

#include <algorithm>

#include "base/text.h"

namespace ks::test {

namespace {

// Windows-1252 bytes 0x80..0x9F as Unicode; the five unassigned ones map to
// the control characters of the same number, as the system's table has them.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePoint(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

char32_t LowerCodePoint(char c) {
    const char32_t u = CodePoint(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return u + 0x20;
    switch (u) {
    case 0x0152: case 0x0160: case 0x017D: return u + 1;  // Œ Š Ž
    case 0x0178: return 0x00FF;                            // Ÿ
    default: return u;
    }
}

char32_t UpperCodePoint(char c) {
    const char32_t u = CodePoint(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) return u - 0x20;
    switch (u) {
    case 0x0153: case 0x0161: case 0x017E: return u - 1;  // œ š ž
    case 0x00FF: return 0x0178;                            // ÿ
    default: return u;
    }
}

template <typename Fold>
int CompareFolded(std::string_view a, std::string_view b, Fold fold) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char32_t x = fold(a[i]);
        const char32_t y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool HasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

}  // namespace

int CompareRegistryNames(std::string_view a, std::string_view b) { return CompareFolded(a, b, LowerCodePoint); }
int CompareFileNames(std::string_view a, std::string_view b) { return CompareFolded(a, b, UpperCodePoint); }

// ---------------------------------------------------------------------------
// Registry

struct MemoryRegistry::Node {
    std::string name;
    std::vector<std::shared_ptr<Node>> subkeys;  // kept in enumeration order
    std::vector<RegValue> values;                // insertion order
    std::set<std::string> vanishing;             // upper-cased value names
    bool denyFull = false;
    bool denyAll = false;
    bool failValueEnumeration = false;
    std::optional<std::size_t> subkeysListed;  // the subkey enumeration fails after this many
    bool deleted = false;

    std::shared_ptr<Node> Child(std::string_view childName) const {
        for (const auto& child : subkeys)
            if (EqualsNoCase(child->name, childName)) return child;
        return nullptr;
    }
    std::shared_ptr<Node> AddChild(std::string_view childName) {
        if (auto existing = Child(childName)) return existing;
        auto child = std::make_shared<Node>();
        child->name = std::string(childName);
        auto at = std::lower_bound(subkeys.begin(), subkeys.end(), childName,
                                   [](const std::shared_ptr<Node>& n, std::string_view s) {
                                       return CompareRegistryNames(n->name, s) < 0;
                                   });
        subkeys.insert(at, child);
        return child;
    }
    RegValue* Value(std::string_view valueName) {
        for (auto& v : values)
            if (EqualsNoCase(v.name, valueName)) return &v;
        return nullptr;
    }
    bool Vanished(std::string_view valueName) const { return vanishing.count(UpperAnsi(valueName)) != 0; }
};

namespace {

using Node = MemoryRegistry::Node;

constexpr std::uint32_t kReadRights = static_cast<std::uint32_t>(Access::Read);

// Splits a key path into its names as the registry does: a leading backslash
// is a bad path, runs of backslashes count as one and trailing ones are
// ignored ("A\\B\" is "A\B"). A NUL cannot be passed to the API at all.
RegStatus SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (HasNul(path)) return Status::InvalidParameter;
    if (!path.empty() && path.front() == '\\') return Status::BadPathname;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return Status::Ok;
}

std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, std::string_view path) {
    std::vector<std::string_view> parts;
    if (SplitPath(path, parts) != Status::Ok) return nullptr;
    for (auto part : parts) {
        if (!node) return nullptr;
        node = node->Child(part);
    }
    return node;
}

bool Allowed(const Node& node, std::uint32_t access) {
    if (node.denyAll) return false;
    if (node.denyFull && (access & ~kReadRights) != 0) return false;
    return true;
}

void MarkDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.subkeys) MarkDeleted(*child);
}

// Deletes the subkeys depth first, then the key, stopping at the first one
// that refuses: what a tree delete through RegDeleteKeyA leaves behind.
RegStatus DeleteTree(Node& parent, const std::shared_ptr<Node>& node) {
    if (node->denyAll) return Status::AccessDenied;  // cannot even be listed
    while (!node->subkeys.empty()) {
        const RegStatus status = DeleteTree(*node, node->subkeys.front());
        if (status != Status::Ok) return status;
    }
    if (node->denyFull) return Status::AccessDenied;  // no right to delete
    MarkDeleted(*node);
    auto& siblings = parent.subkeys;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    return Status::Ok;
}

class MemoryKey : public RegistryKey {
public:
    MemoryKey(std::shared_ptr<Node> node, std::uint32_t access, MemoryRegistry::Counters& counters)
        : node_(std::move(node)), access_(access), counters_(counters) {}

    // A key deleted while open answers ERROR_KEY_DELETED to everything: its
    // lists are empty and nothing can be read, opened or written below it.
    std::vector<std::string> SubkeyNames() const override {
        std::vector<std::string> names;
        if (node_->deleted) return names;
        ++counters_.enumerations;
        for (const auto& child : node_->subkeys) {
            if (names.size() == node_->subkeysListed) break;
            names.push_back(child->name);
        }
        return names;
    }
    std::optional<std::vector<std::string>> AllSubkeyNames() const override {
        if (node_->deleted || (node_->subkeysListed && *node_->subkeysListed < node_->subkeys.size()))
            return std::nullopt;
        return SubkeyNames();
    }
    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        if (node_->deleted || node_->failValueEnumeration) return names;
        ++counters_.enumerations;
        for (const auto& v : node_->values) names.push_back(v.name);
        return names;
    }
    std::vector<RegValue> Values() const override {
        std::vector<RegValue> values;
        if (node_->deleted || node_->failValueEnumeration) return values;
        ++counters_.enumerations;
        for (const auto& v : node_->values) {
            ++counters_.valueReads;
            if (!node_->Vanished(v.name)) values.push_back(v);
        }
        return values;
    }
    std::optional<RegValue> ReadValue(std::string_view name) const override {
        ++counters_.valueReads;
        if (node_->deleted || HasNul(name) || node_->Vanished(name)) return std::nullopt;
        const RegValue* v = node_->Value(name);
        if (!v) return std::nullopt;
        return RegValue{std::string(name), v->type, v->data};
    }
    std::optional<KeyInfo> Info() const override {
        if (node_->deleted) return std::nullopt;
        return KeyInfo{static_cast<std::uint32_t>(node_->subkeys.size()),
                       static_cast<std::uint32_t>(node_->values.size())};
    }
    std::unique_ptr<RegistryKey> OpenSubkey(std::string_view path, Access access) const override {
        ++counters_.opens;
        if (node_->deleted) return nullptr;
        auto node = Walk(node_, path);
        const auto rights = static_cast<std::uint32_t>(access);
        if (!node || !Allowed(*node, rights)) return nullptr;
        return std::make_unique<MemoryKey>(node, rights, counters_);
    }
    RegStatus DeleteValue(std::string_view name) override {
        if (node_->deleted) return Status::KeyDeleted;
        if (HasNul(name)) return Status::InvalidParameter;
        if ((access_ & kSetValueRight) == 0) return Status::AccessDenied;
        auto& values = node_->values;
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const RegValue& v) { return EqualsNoCase(v.name, name); });
        if (it == values.end()) return Status::FileNotFound;
        values.erase(it);
        node_->vanishing.erase(UpperAnsi(name));
        return Status::Ok;
    }
    RegStatus SetValue(const RegValue& value) override {
        if (node_->deleted) return Status::KeyDeleted;
        if (HasNul(value.name)) return Status::InvalidParameter;
        if ((access_ & kSetValueRight) == 0) return Status::AccessDenied;
        // An existing value keeps the case of its name.
        if (RegValue* existing = node_->Value(value.name)) {
            existing->type = value.type;
            existing->data = value.data;
        } else {
            node_->values.push_back(value);
        }
        return Status::Ok;
    }

private:
    std::shared_ptr<Node> node_;
    std::uint32_t access_;
    MemoryRegistry::Counters& counters_;
};

}  // namespace

MemoryRegistry::MemoryRegistry() {
    for (auto root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                      RootKey::CurrentConfig}) {
        roots_[root] = std::make_shared<Node>();
        roots_[root]->name = RootName(root);
    }
}

MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<Node> MemoryRegistry::Find(RootKey root, std::string_view path) const {
    return Walk(roots_.at(root), path);
}

std::optional<RootKey> MemoryRegistry::ClassesRootHome(std::string_view path) {
    if (path.empty()) return std::nullopt;
    const std::string below = "Software\\Classes\\" + std::string(path);
    for (const RootKey home : {RootKey::CurrentUser, RootKey::LocalMachine})
        if (Find(home, below)) return home;
    return std::nullopt;
}

void MemoryRegistry::LinkCurrentUser(std::string_view hive) {
    const auto previous = roots_.at(RootKey::CurrentUser);
    const auto linked = roots_.at(RootKey::Users)->AddChild(hive);
    for (auto& child : previous->subkeys) linked->subkeys.push_back(child);
    for (auto& value : previous->values) linked->values.push_back(value);
    roots_[RootKey::CurrentUser] = linked;
    currentUserHive_ = std::string(hive);
}

std::shared_ptr<Node> MemoryRegistry::Create(RootKey root, std::string_view path) {
    std::vector<std::string_view> parts;
    if (SplitPath(path, parts) != Status::Ok) return nullptr;
    auto node = roots_.at(root);
    for (auto part : parts) node = node->AddChild(part);
    return node;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RootKey root, std::string_view path, Access access) {
    ++counters_.opens;
    auto node = Find(root, path);
    const auto rights = static_cast<std::uint32_t>(access);
    if (!node || !Allowed(*node, rights)) return nullptr;
    return std::make_unique<MemoryKey>(node, rights, counters_);
}

RegStatus MemoryRegistry::DeleteKey(RootKey root, std::string_view path) {
    std::vector<std::string_view> parts;
    if (const RegStatus status = SplitPath(path, parts); status != Status::Ok) return status;
    if (parts.empty()) return Status::AccessDenied;  // never a root
    auto parent = roots_.at(root);
    for (size_t i = 0; i + 1 < parts.size() && parent; ++i) parent = parent->Child(parts[i]);
    if (!parent) return Status::FileNotFound;
    auto node = parent->Child(parts.back());
    if (!node) return Status::FileNotFound;
    return DeleteTree(*parent, node);
}

std::unique_ptr<RegistryKey> MemoryRegistry::CreateKey(RootKey root, std::string_view path) {
    auto node = Create(root, path);
    // Opening an existing key asks for full rights, as RegCreateKeyExA does.
    if (!node || !Allowed(*node, static_cast<std::uint32_t>(Access::Full))) return nullptr;
    return std::make_unique<MemoryKey>(node, static_cast<std::uint32_t>(Access::Full), counters_);
}

void MemoryRegistry::Set(RootKey root, std::string_view path, std::string_view name, std::uint32_t type,
                         std::string_view data) {
    auto node = Create(root, path);
    if (!node || HasNul(name)) return;
    if (RegValue* existing = node->Value(name)) {
        existing->type = type;
        existing->data = std::string(data);
    } else {
        node->values.push_back(RegValue{std::string(name), type, std::string(data)});
    }
}

void MemoryRegistry::SetString(RootKey root, std::string_view path, std::string_view name,
                               std::string_view text, std::uint32_t type) {
    std::string data(text);
    data.push_back('\0');
    Set(root, path, name, type, data);
}

void MemoryRegistry::SetDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t value) {
    std::string data(4, '\0');
    for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    Set(root, path, name, RegType::Dword, data);
}

void MemoryRegistry::AddKey(RootKey root, std::string_view path) { Create(root, path); }

void MemoryRegistry::DenyFullAccess(RootKey root, std::string_view path) {
    if (auto node = Create(root, path)) node->denyFull = true;
}
void MemoryRegistry::DenyAccess(RootKey root, std::string_view path) {
    if (auto node = Create(root, path)) node->denyAll = true;
}
void MemoryRegistry::VanishValue(RootKey root, std::string_view path, std::string_view name) {
    if (auto node = Create(root, path)) node->vanishing.insert(UpperAnsi(name));
}
void MemoryRegistry::FailValueEnumeration(RootKey root, std::string_view path) {
    if (auto node = Create(root, path)) node->failValueEnumeration = true;
}
void MemoryRegistry::FailSubkeyEnumeration(RootKey root, std::string_view path, std::size_t after) {
    if (auto node = Create(root, path)) node->subkeysListed = after;
}

// ---------------------------------------------------------------------------
// File system

namespace {

constexpr size_t kMaxPathChars = 260;
constexpr size_t kExpandBufferChars = 1024;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

MemoryFileSystem::MemoryFileSystem() {
    SetDrive('C', DriveTypeCode::Fixed);
    AddFolder("C:\\");
}

bool MemoryFileSystem::Resolve(std::string_view path, bool asFolder, std::string& drive,
                               std::vector<std::string>& parts) const {
    parts.clear();
    if (path.empty() || FewestChars(path, codePage_) > kMaxPathChars) return false;
    if (path.find_first_of(std::string_view("*?\"<>|\0", 7)) != std::string_view::npos) return false;
    if (path.find_first_not_of(' ') == std::string_view::npos) return false;
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return false;  // no network shares here
    std::string full;
    if (p.size() >= 2 && p[1] == ':') {
        const std::string rest = p.substr(2);
        if (!rest.empty() && rest[0] == '\\') full = p;
        else if (EqualsNoCase(currentFolder_.substr(0, 2), p.substr(0, 2))) full = currentFolder_ + "\\" + rest;
        else full = p.substr(0, 2) + "\\" + rest;  // another drive: its root
    } else if (p[0] == '\\') {
        full = currentFolder_.substr(0, 2) + p;
    } else {
        full = currentFolder_ + "\\" + p;
    }
    drive = UpperAnsi(full.substr(0, 2));
    const bool endsWithSeparator = asFolder || full.back() == '\\';
    std::vector<std::string> segments;
    for (size_t start = 2; start < full.size();) {
        size_t end = full.find('\\', start);
        if (end == std::string::npos) end = full.size();
        if (end > start) segments.push_back(full.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        std::string& part = segments[i];
        if (part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        if (i + 1 == segments.size() && !endsWithSeparator) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        } else if (part.back() == '.') {
            part.pop_back();
        }
        if (!part.empty()) parts.push_back(part);
    }
    return true;
}

std::string MemoryFileSystem::Follow(const std::string& drive, const std::vector<std::string>& upperParts) const {
    std::string key = drive + "\\";
    for (const auto& part : upperParts) {
        if (key.back() != '\\') key += '\\';
        key += part;
        const auto it = entries_.find(key);
        if (it != entries_.end() && !it->second.linkTarget.empty()) key = it->second.linkTarget;
    }
    return key;
}

std::string MemoryFileSystem::Key(std::string_view path, bool asFolder) const {
    std::string drive;
    std::vector<std::string> parts;
    if (!Resolve(path, asFolder, drive, parts)) return {};
    for (auto& part : parts) part = UpperAnsi(part);
    return Follow(drive, parts);
}

std::string MemoryFileSystem::Normalize(std::string_view path) const { return Key(path, false); }

void MemoryFileSystem::AddEntry(std::string_view path, bool isFolder) {
    std::string drive;
    std::vector<std::string> parts;
    if (!Resolve(path, false, drive, parts)) return;
    std::string key = drive + "\\";
    entries_.emplace(key, Entry{drive + "\\", true, {}});
    for (size_t i = 0; i < parts.size(); ++i) {
        if (key.back() != '\\') key += '\\';
        key += UpperAnsi(parts[i]);
        const bool folder = isFolder || i + 1 < parts.size();
        auto [it, inserted] = entries_.emplace(key, Entry{parts[i], folder, {}});
        if (!inserted && folder) it->second.isFolder = true;
        if (!it->second.linkTarget.empty()) key = it->second.linkTarget;
    }
}

void MemoryFileSystem::AddFile(std::string_view path) { AddEntry(path, false); }
void MemoryFileSystem::AddFolder(std::string_view path) { AddEntry(path, true); }
void MemoryFileSystem::SetUnreadable(std::string_view folder) { unreadable_.insert(Key(folder, true)); }

void MemoryFileSystem::AddLink(std::string_view path, std::string_view target) {
    AddFolder(target);
    AddFolder(path);
    // Not a link yet: the key is the entry's own.
    entries_[Key(path, true)].linkTarget = Key(target, true);
}

std::string MemoryFileSystem::ResolvedFolder(std::string_view path) {
    std::string key = Key(path, true);
    return key.empty() ? std::string(path) : key;
}

std::unique_ptr<ThreadSetting> MemoryFileSystem::SilenceCriticalErrors() {
    struct Held : ThreadSetting {
        explicit Held(int& counter) : depth(++counter) {}
        ~Held() override { --depth; }
        int& depth;
    };
    return std::make_unique<Held>(silenced_);
}

void MemoryFileSystem::SetDrive(char letter, std::uint32_t typeCode, bool ready) {
    drives_[UpperAnsiChar(letter)] = {typeCode, ready};
}

void MemoryFileSystem::SetVariable(std::string_view name, std::string_view value) {
    variables_[UpperAnsi(name)] = std::string(value);
}

void MemoryFileSystem::SetSpecialFolder(int csidl, std::string_view path) { specialFolders_[csidl] = path; }

bool MemoryFileSystem::FileExists(std::string_view path) {
    Count();
    // A file named with a trailing separator is looked for as a folder.
    if (path.empty() || IsSeparator(path.back())) return false;
    auto it = entries_.find(Normalize(path));
    return it != entries_.end() && !it->second.isFolder;
}

bool MemoryFileSystem::FolderExists(std::string_view path) {
    Count();
    auto it = entries_.find(Normalize(path));
    return it != entries_.end() && it->second.isFolder;
}

std::uint32_t MemoryFileSystem::DriveType(char letter) {
    auto it = drives_.find(UpperAnsiChar(letter));
    return it == drives_.end() ? DriveTypeCode::NoRootDir : it->second.first;
}

bool MemoryFileSystem::DriveReady(std::string_view root) {
    // GetVolumeInformationA wants the root of a volume: "C:\Windows\" is
    // refused, and so is "C:" while the current folder is below C:'s root,
    // since "C:" then names that folder.
    const bool bare = root.size() == 2 && root[1] == ':';
    if (!bare && (root.size() != 3 || root[1] != ':' || root[2] != '\\')) return false;
    if (bare && EqualsNoCase(currentFolder_.substr(0, 2), root) && Normalize(currentFolder_).size() > 3)
        return false;
    auto it = drives_.find(UpperAnsiChar(root[0]));
    return it != drives_.end() && it->second.second;
}

std::string MemoryFileSystem::ExpandVariables(std::string_view text) {
    // A set variable between two "%" is replaced; an unknown one ("%%" too)
    // is copied with both signs and the scan goes on after the second, so in
    // "%NOPE%SET%" nothing is expanded. A lone "%" stays. (Measured under Wine.)
    if (HasNul(text)) return std::string(text);
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%') {
            const size_t close = text.find('%', i + 1);
            if (close != std::string_view::npos) {
                auto it = variables_.find(UpperAnsi(text.substr(i + 1, close - i - 1)));
                if (it != variables_.end()) out += it->second;
                else out.append(text.substr(i, close - i + 1));
                i = close + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    // The result and its NUL must fit the caller's buffer, or it comes back as given.
    if (out.size() + 1 > kExpandBufferChars) return std::string(text);
    return Trim(out);
}

std::string MemoryFileSystem::SpecialFolder(int csidl) {
    auto it = specialFolders_.find(csidl);
    return it == specialFolders_.end() ? std::string() : it->second;
}

std::optional<std::vector<FolderEntry>> MemoryFileSystem::ListFolder(std::string_view path) {
    Count();
    // Listed as path + "\*", so the last part is an inner one: "dir " with its
    // blank names no folder here although FolderExists finds "dir".
    const std::string key = Key(path, true);
    auto self = entries_.find(key);
    if (key.empty() || self == entries_.end() || !self->second.isFolder || unreadable_.count(key))
        return std::nullopt;
    const std::string prefix = key.back() == '\\' ? key : key + "\\";
    std::vector<FolderEntry> result;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix); ++it)
        if (it->first.size() > prefix.size() && it->first.find('\\', prefix.size()) == std::string::npos)
            result.push_back({it->second.name, it->second.isFolder, !it->second.linkTarget.empty()});
    std::stable_sort(result.begin(), result.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return CompareFileNames(a.name, b.name) < 0;
    });
    return result;
}

bool MemoryFileSystem::DeleteFile(std::string_view path) {
    if (path.empty() || IsSeparator(path.back())) return false;
    auto it = entries_.find(Normalize(path));
    if (it == entries_.end() || it->second.isFolder) return false;
    entries_.erase(it);
    return true;
}

}  // namespace ks::test

// The in-memory registry and file system used by the logic tests and benchmarks.
#include "support/memory_registry.h"

#include <algorithm>

#include "settings/text.h"

namespace ks::test {

struct MemoryRegistry::Node {
    std::string name;
    std::vector<std::shared_ptr<Node>> subkeys;  // kept in enumeration order
    std::vector<RegValue> values;                // insertion order
    std::set<std::string> vanishing;             // upper-cased value names
    bool denyFull = false;
    bool denyAll = false;
    bool failValueEnumeration = false;
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
                                       return CompareNoCase(n->name, s) < 0;
                                   });
        subkeys.insert(at, child);
        return child;
    }
    const RegValue* Value(std::string_view valueName) const {
        for (const auto& v : values)
            if (EqualsNoCase(v.name, valueName)) return &v;
        return nullptr;
    }
    bool Vanished(std::string_view valueName) const { return vanishing.count(UpperAnsi(valueName)) != 0; }
};

namespace {

using Node = MemoryRegistry::Node;

// Splits a key path into its parts. A single trailing backslash is allowed; a
// leading one or an empty part in the middle names nothing.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty()) return true;
    if (path.front() == '\\') return false;
    if (path.back() == '\\') path.remove_suffix(1);
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('\\', start);
        const size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (end == start) return false;
        parts.push_back(path.substr(start, end - start));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return true;
}

std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, std::string_view path) {
    std::vector<std::string_view> parts;
    if (!SplitPath(path, parts)) return nullptr;
    for (auto part : parts) {
        if (!node) return nullptr;
        node = node->Child(part);
    }
    return node;
}

bool Allowed(const Node& node, Access access) {
    if (node.denyAll) return false;
    if (node.denyFull && access == Access::Full) return false;
    return true;
}

void MarkDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.subkeys) MarkDeleted(*child);
}

constexpr RegStatus kKeyDeleted = 1018;  // ERROR_KEY_DELETED

class MemoryKey : public RegistryKey {
public:
    MemoryKey(std::shared_ptr<Node> node, Access access, MemoryRegistry::Counters& counters)
        : node_(std::move(node)), access_(access), counters_(counters) {}

    std::vector<std::string> SubkeyNames() const override {
        std::vector<std::string> names;
        if (node_->deleted) return names;
        ++counters_.enumerations;
        for (const auto& child : node_->subkeys) names.push_back(child->name);
        return names;
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
        if (node_->deleted || node_->Vanished(name)) return std::nullopt;
        const RegValue* v = node_->Value(name);
        if (!v) return std::nullopt;
        return *v;
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
        if (!node || !Allowed(*node, access)) return nullptr;
        return std::make_unique<MemoryKey>(node, access, counters_);
    }
    RegStatus DeleteValue(std::string_view name) override {
        if (node_->deleted) return kKeyDeleted;
        if (access_ != Access::Full) return Status::AccessDenied;
        auto& values = node_->values;
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const RegValue& v) { return EqualsNoCase(v.name, name); });
        if (it == values.end()) return Status::FileNotFound;
        values.erase(it);
        node_->vanishing.erase(UpperAnsi(name));
        return Status::Ok;
    }
    RegStatus SetValue(const RegValue& value) override {
        if (node_->deleted) return kKeyDeleted;
        if (access_ != Access::Full) return Status::AccessDenied;
        for (auto& v : node_->values)
            if (EqualsNoCase(v.name, value.name)) {
                v.type = value.type;
                v.data = value.data;
                return Status::Ok;
            }
        node_->values.push_back(value);
        return Status::Ok;
    }

private:
    std::shared_ptr<Node> node_;
    Access access_;
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

std::shared_ptr<Node> MemoryRegistry::Create(RootKey root, std::string_view path) {
    std::vector<std::string_view> parts;
    if (!SplitPath(path, parts)) return nullptr;
    auto node = roots_.at(root);
    for (auto part : parts) node = node->AddChild(part);
    return node;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RootKey root, std::string_view path, Access access) {
    ++counters_.opens;
    auto node = Find(root, path);
    if (!node || !Allowed(*node, access)) return nullptr;
    return std::make_unique<MemoryKey>(node, access, counters_);
}

RegStatus MemoryRegistry::DeleteKey(RootKey root, std::string_view path) {
    std::vector<std::string_view> parts;
    if (!SplitPath(path, parts)) return Status::FileNotFound;
    if (parts.empty()) return Status::AccessDenied;
    auto parent = roots_.at(root);
    for (size_t i = 0; i + 1 < parts.size() && parent; ++i) parent = parent->Child(parts[i]);
    if (!parent) return Status::FileNotFound;
    auto& subkeys = parent->subkeys;
    auto it = std::find_if(subkeys.begin(), subkeys.end(),
                           [&](const std::shared_ptr<Node>& n) { return EqualsNoCase(n->name, parts.back()); });
    if (it == subkeys.end()) return Status::FileNotFound;
    if ((*it)->denyAll || (*it)->denyFull) return Status::AccessDenied;
    MarkDeleted(**it);
    subkeys.erase(it);
    return Status::Ok;
}

std::unique_ptr<RegistryKey> MemoryRegistry::CreateKey(RootKey root, std::string_view path) {
    auto node = Create(root, path);
    if (!node) return nullptr;
    return std::make_unique<MemoryKey>(node, Access::Full, counters_);
}

void MemoryRegistry::Set(RootKey root, std::string_view path, std::string_view name, std::uint32_t type,
                         std::string_view data) {
    auto key = CreateKey(root, path);
    if (key) (void)key->SetValue(RegValue{std::string(name), type, std::string(data)});
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

// ---------------------------------------------------------------------------

MemoryFileSystem::MemoryFileSystem() {
    SetDrive('C', DriveTypeCode::Fixed);
    AddFolder("C:\\");
}

std::string MemoryFileSystem::Normalize(std::string_view path) const {
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.empty() || p.find_first_of("*?\"<>|") != std::string::npos) return {};
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return {};  // no network shares here
    std::string full;
    if (p.size() >= 2 && p[1] == ':') {
        if (p.size() >= 3 && p[2] == '\\') full = p;
        else full = currentFolder_.substr(0, 2) == p.substr(0, 2) ? currentFolder_ + "\\" + p.substr(2)
                                                                  : p.substr(0, 2) + "\\" + p.substr(2);
    } else if (p[0] == '\\') {
        full = currentFolder_.substr(0, 2) + p;
    } else {
        full = currentFolder_ + "\\" + p;
    }
    // Resolve the parts below the drive.
    std::vector<std::string> parts;
    size_t start = 3;
    while (start <= full.size()) {
        size_t slash = full.find('\\', start);
        if (slash == std::string::npos) slash = full.size();
        std::string part = full.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    if (!parts.empty()) {
        std::string& last = parts.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
        if (last.empty()) parts.pop_back();
    }
    std::string out = UpperAnsi(full.substr(0, 2)) + "\\";
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + UpperAnsi(parts[i]);
    return out;
}

void MemoryFileSystem::AddEntry(std::string_view path, bool isFolder) {
    const std::string key = Normalize(path);
    if (key.empty()) return;
    if (key.size() > 3) {
        const size_t slash = key.rfind('\\');
        AddEntry(key.substr(0, slash == 2 ? 3 : slash), true);
    }
    std::string original(path);
    std::replace(original.begin(), original.end(), '/', '\\');
    while (!original.empty() && original.back() == '\\') original.pop_back();
    const size_t slash = original.rfind('\\');
    Entry entry{slash == std::string::npos ? original : original.substr(slash + 1), isFolder};
    auto [it, inserted] = entries_.emplace(key, entry);
    if (!inserted && isFolder) it->second.isFolder = true;
}

void MemoryFileSystem::AddFile(std::string_view path) { AddEntry(path, false); }
void MemoryFileSystem::AddFolder(std::string_view path) { AddEntry(path, true); }
void MemoryFileSystem::SetUnreadable(std::string_view folder) { unreadable_.insert(Normalize(folder)); }

void MemoryFileSystem::SetDrive(char letter, std::uint32_t typeCode, bool ready) {
    drives_[UpperAnsiChar(letter)] = {typeCode, ready};
}

void MemoryFileSystem::SetVariable(std::string_view name, std::string_view value) {
    variables_[UpperAnsi(name)] = std::string(value);
}

void MemoryFileSystem::SetSpecialFolder(int csidl, std::string_view path) { specialFolders_[csidl] = path; }

bool MemoryFileSystem::FileExists(std::string_view path) {
    ++queries_;
    const std::string key = Normalize(path);
    if (key.empty() || (!path.empty() && (path.back() == '\\' || path.back() == '/'))) return false;
    auto it = entries_.find(key);
    return it != entries_.end() && !it->second.isFolder;
}

bool MemoryFileSystem::FolderExists(std::string_view path) {
    ++queries_;
    auto it = entries_.find(Normalize(path));
    return it != entries_.end() && it->second.isFolder;
}

std::uint32_t MemoryFileSystem::DriveType(char letter) {
    auto it = drives_.find(UpperAnsiChar(letter));
    return it == drives_.end() ? DriveTypeCode::NoRootDir : it->second.first;
}

bool MemoryFileSystem::DriveReady(std::string_view root) {
    if (root.empty()) return false;
    auto it = drives_.find(UpperAnsiChar(root[0]));
    return it != drives_.end() && it->second.second;
}

std::string MemoryFileSystem::ExpandVariables(std::string_view text) {
    // Windows expands %NAME% when NAME is set and leaves every other %…% as it is.
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%') {
            const size_t close = text.find('%', i + 1);
            if (close != std::string_view::npos) {
                auto it = variables_.find(UpperAnsi(text.substr(i + 1, close - i - 1)));
                if (it != variables_.end()) {
                    out += it->second;
                    i = close + 1;
                    continue;
                }
                out.append(text.substr(i, close - i));
                i = close;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return Trim(out);
}

std::string MemoryFileSystem::SpecialFolder(int csidl) {
    auto it = specialFolders_.find(csidl);
    return it == specialFolders_.end() ? std::string() : it->second;
}

std::optional<std::vector<FolderEntry>> MemoryFileSystem::ListFolder(std::string_view path) {
    ++queries_;
    const std::string key = Normalize(path);
    auto self = entries_.find(key);
    if (key.empty() || self == entries_.end() || !self->second.isFolder || unreadable_.count(key))
        return std::nullopt;
    const std::string prefix = key.back() == '\\' ? key : key + "\\";
    std::vector<FolderEntry> result;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix); ++it)
        if (it->first.size() > prefix.size() && it->first.find('\\', prefix.size()) == std::string::npos)
            result.push_back({it->second.name, it->second.isFolder});
    return result;
}

bool MemoryFileSystem::DeleteFile(std::string_view path) {
    auto it = entries_.find(Normalize(path));
    if (it == entries_.end() || it->second.isFolder) return false;
    entries_.erase(it);
    return true;
}

}  // namespace ks::test

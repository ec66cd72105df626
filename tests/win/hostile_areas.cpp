// Planting, dumping and removing the hostile entries of every section.
#include "hostile_areas.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/text.h"
#include "test_files.h"

namespace ks::test {

namespace {

const std::wstring kWindows = L"Software\\Microsoft\\Windows\\CurrentVersion\\";

std::string RootName(HKEY root) {
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS) return "HKEY_USERS";
    return "";
}

// The prefixes and paths here are plain ASCII.
std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool StartsWith(const std::wstring& name, const std::wstring& prefix) {
    return name.compare(0, prefix.size(), prefix) == 0;
}

bool KeyThere(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The shortest part of the path that does not exist yet; empty when all of it does.
std::wstring FirstMissing(HKEY root, const std::wstring& path) {
    for (std::size_t at = path.find(L'\\');; at = path.find(L'\\', at + 1)) {
        const std::wstring part = path.substr(0, at);
        if (!KeyThere(root, part)) return part;
        if (at == std::wstring::npos) return {};
    }
}

Bytes Dword(DWORD n) { return Bytes{BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)}; }

std::wstring Rot13(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) {
        if (c >= L'a' && c <= L'z') c = L'a' + (c - L'a' + 13) % 26;
        else if (c >= L'A' && c <= L'Z') c = L'A' + (c - L'A' + 13) % 26;
    }
    return out;
}

// A file name of the code page's bytes that Windows allows in file names.
std::wstring HostileFileName(std::mt19937& random, std::size_t length) {
    std::wstring name = HostileName(random, length * 2, false);
    std::wstring kept;
    for (wchar_t c : name)
        if (c >= 0x20 && std::wstring_view(L"\\/:*?\"<>|").find(c) == std::wstring_view::npos && kept.size() < length)
            kept += c;
    // Windows drops dots and blanks at the end of a file name.
    while (!kept.empty() && (kept.back() == L'.' || kept.back() == L' ')) kept.pop_back();
    return kept.empty() ? L"x" : kept;
}

// A shortcut made and saved by the shell's own link object.
bool MakeShortcut(const std::wstring& path, const std::wstring& target) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    const bool saved = SUCCEEDED(link->SetPath(target.c_str())) &&
                       SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                       SUCCEEDED(file->Save(path.c_str(), TRUE));
    if (file) file->Release();
    link->Release();
    return saved;
}

std::string Narrowed(const std::wstring& path) {
    if (path.empty()) return {};
    std::string out(path.size() * 2, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return out;
}

void RemoveTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTreeW(path + L"\\" + name);
            else DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

std::string FindingTarget(const Finding& finding) {
    switch (finding.RemovalKind) {
    case RemovalKind::DeleteNamedValue:
    case RemovalKind::DeleteSubkey:
    case RemovalKind::DeleteEncodedValue: return finding.KeyPath + "\\" + finding.Value;
    default: return finding.KeyPath;
    }
}

bool LiesIn(const Finding& finding, const HostileArea& area) {
    const std::string target = FindingTarget(finding);
    return target.size() >= area.text.size() &&
           EqualsNoCase(std::string_view(target).substr(0, area.text.size()), area.text);
}

std::vector<DataShape> StaleShapes(const std::wstring& stale) {
    Bytes odd = Utf16(stale);
    odd.push_back(0x41);
    return {
        {L"terminated", REG_SZ, Utf16(stale)},
        {L"unterminated", REG_SZ, Utf16(stale, false)},
        {L"inner NUL", REG_SZ, Utf16(stale + std::wstring(L"\0tail", 5), false)},
        {L"odd size", REG_SZ, odd},
        {L"empty", REG_SZ, {}},
        {L"one byte", REG_SZ, {0x43}},
        {L"expandable", REG_EXPAND_SZ, Utf16(stale, false)},
        {L"multi", REG_MULTI_SZ, Utf16(stale + L'\0')},
        {L"binary", REG_BINARY, Utf16(stale)},
        {L"unknown type", 0x7FFFFFFF, Utf16(stale)},
        {L"short dword", REG_DWORD, {1, 0, 0}},
        {L"64 KB", REG_SZ, Utf16(stale + std::wstring(32768, L' '))},
    };
}

std::wstring HostileName(std::mt19937& random, std::size_t length, bool backslashes) {
    std::string bytes;
    unsigned byte = std::uniform_int_distribution<unsigned>(1, 255)(random);
    while (bytes.size() < length) {
        if (byte != '\\' || backslashes) bytes += static_cast<char>(byte);
        byte = byte % 255 + 1;
    }
    return FromCodePage(bytes);
}

std::wstring FromCodePage(const std::string& bytes) {
    std::wstring wide(bytes.size(), L'\0');
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                          static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(chars > 0 ? chars : 0));
    return wide;
}

HostilePlanting::HostilePlanting(std::wstring marker, std::wstring gone, std::wstring sid)
    : marker_(std::move(marker)), gone_(std::move(gone)), sid_(std::move(sid)) {
    // References to areas are held while more are added.
    areas_.reserve(128);
}

HostilePlanting::~HostilePlanting() {
    UnlockAll();
    for (const auto& area : areas_) Remove(area);
    for (auto it = createdTops_.rbegin(); it != createdTops_.rend(); ++it)
        RegDeleteTreeW(it->first, it->second.c_str());
}

HostileArea& HostilePlanting::Area(int task, HKEY root, const std::wstring& parent, const std::wstring& prefix,
                                   const std::string& readablePrefix) {
    HostileArea area{task, root, parent, prefix, "", true};
    const std::string shown = readablePrefix.empty() ? Ascii(prefix) : readablePrefix;
    area.text = root ? RootName(root) + "\\" + Ascii(parent) + "\\" + shown : Narrowed(parent) + "\\" + shown;
    if (root) {
        const std::wstring top = FirstMissing(root, parent);
        if (!top.empty()) createdTops_.emplace_back(root, top);
    }
    if (root == HKEY_CURRENT_USER) Alias(0, area);
    areas_.push_back(area);
    return areas_.back();
}

void HostilePlanting::Alias(int task, const HostileArea& area, bool underUsers) {
    HostileArea alias = area;
    alias.task = task;
    alias.planted = false;
    if (!underUsers) {
        areas_.push_back(alias);
        return;
    }
    alias.root = HKEY_USERS;
    alias.parent = sid_ + L"\\" + area.parent;
    alias.text = "HKEY_USERS\\" + Ascii(sid_) + area.text.substr(RootName(HKEY_CURRENT_USER).size());
    areas_.push_back(alias);
}

void HostilePlanting::Value(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                            const Bytes& data) {
    Plant(root, key, name, type, data);
}

void HostilePlanting::Key(HKEY root, const std::wstring& key) {
    PlantKey(root, key);
}

void HostilePlanting::ShapedKeys(const HostileArea& area, const std::wstring& suffix, const std::wstring& inner,
                                 const std::wstring& valueName) {
    // The stale path ends in the key's own name: App Paths entries must.
    const auto names = StaleShapes({});
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::wstring name = area.prefix + names[i].name + suffix;
        const DataShape shape = StaleShapes(Stale(name + (suffix == L".exe" ? L"" : L".exe")))[i];
        Value(area.root, area.parent + L"\\" + name + inner, valueName, shape.type, shape.data);
    }
    const std::size_t room = 255 - area.prefix.size() - suffix.size();
    for (std::size_t length : {std::size_t{1}, std::size_t{17}, std::size_t{100}, room}) {
        const std::wstring name = area.prefix + HostileName(random_, length, false) + suffix;
        Value(area.root, area.parent + L"\\" + name + inner, valueName, REG_SZ,
              Utf16(Stale(name + (suffix == L".exe" ? L"" : L".exe"))));
    }
}

void HostilePlanting::ShapedValues(const HostileArea& area) {
    const std::wstring key = area.parent;
    for (const auto& shape : StaleShapes(Stale(area.prefix + L"v.exe")))
        Value(area.root, key, area.prefix + shape.name, shape.type, shape.data);
    for (std::size_t length : {std::size_t{1}, std::size_t{40}, std::size_t{300}, 16383 - area.prefix.size()})
        Value(area.root, key, area.prefix + HostileName(random_, length, true), REG_SZ, Utf16(Stale(L"named.exe")));
    for (const wchar_t* odd : {L"?", L"\\", L"a\\b?"})
        Value(area.root, key, area.prefix + odd, REG_SZ, Utf16(Stale(L"odd.exe")));
}

void HostilePlanting::EmptyKeys(const HostileArea& area, const std::wstring& suffix) {
    const std::wstring base = area.parent + L"\\" + area.prefix;
    Key(area.root, base + L"empty" + suffix);
    std::wstring chain = base + L"chain" + suffix;
    for (int level = 0; level < 64; ++level) chain += L"\\e";
    Key(area.root, chain);
    const std::size_t room = 255 - area.prefix.size() - suffix.size();
    for (std::size_t length : {std::size_t{1}, std::size_t{33}, std::size_t{128}, room})
        Key(area.root, base + HostileName(random_, length, false) + suffix);
}

void HostilePlanting::PlantSections(const std::string& shortcutFolder) {
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const HKEY cu = HKEY_CURRENT_USER;
    const std::wstring& m = marker_;

    ShapedKeys(Area(6, lm, kWindows + L"App Paths", m), L".exe", L"", L"");
    ShapedValues(Area(7, lm, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", m));
    ShapedValues(Area(8, lm, L"Software\\Microsoft\\Windows\\Help", m));
    ShapedValues(Area(8, lm, L"Software\\Microsoft\\Windows\\Html Help", m));

    // Shared libraries: the names are the paths, the data the use counts.
    {
        const HostileArea& dlls = Area(9, lm, kWindows + L"SharedDlls", gone_ + m);
        const std::wstring p = dlls.prefix;
        Value(lm, dlls.parent, p + L"unused.dll", REG_DWORD, Dword(0));
        Value(lm, dlls.parent, p + L"used.dll", REG_DWORD, Dword(3));
        Value(lm, dlls.parent, p + L"short.dll", REG_DWORD, {2, 0, 0});
        Value(lm, dlls.parent, p + L"long.dll", REG_DWORD, {2, 0, 0, 0, 0, 0, 0, 0, 9});
        Value(lm, dlls.parent, p + L"empty.dll", REG_DWORD, {});
        Value(lm, dlls.parent, p + L"text.dll", REG_SZ, Utf16(L"1"));
        Value(lm, dlls.parent, p + L"wide.dll", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
        for (std::size_t length : {std::size_t{1}, std::size_t{200}, std::size_t{4000}})
            Value(lm, dlls.parent, p + HostileName(random_, length, true) + L".dll", REG_DWORD, Dword(1));
    }

    ShapedValues(Area(10, cu, kWindows + L"Run", m));
    ShapedValues(Area(10, cu, kWindows + L"RunOnce", m));
    ShapedValues(Area(10, lm, kWindows + L"Run", m));
    ShapedValues(Area(10, lm, kWindows + L"RunOnce", m));
    ShapedKeys(Area(10, lm, L"Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg", m), L"", L"", L"command");

    // Uninstall entries without an uninstall command, each with a stale icon.
    const HostileArea& uninstall = Area(11, lm, kWindows + L"Uninstall", m);
    ShapedKeys(uninstall, L"", L"", L"DisplayIcon");
    Alias(21, uninstall, false);

    {
        const HostileArea& folders = Area(21, lm, kWindows + L"Installer\\Folders", gone_ + m);
        for (const auto& shape : StaleShapes(L"x"))
            Value(lm, folders.parent, folders.prefix + shape.name + L"\\", shape.type, shape.data);
        for (std::size_t length : {std::size_t{1}, std::size_t{250}, std::size_t{5000}})
            Value(lm, folders.parent, folders.prefix + HostileName(random_, length, true) + L"\\", REG_SZ, {});
    }
    EmptyKeys(Area(21, lm, kWindows + L"App Management\\ARPCache", m), L"");

    // Classes: empty extensions of the machine and of the user's Explorer.
    {
        const HostileArea& machine = Area(12, lm, L"Software\\Classes", L"." + m);
        EmptyKeys(machine, L"");
        const std::wstring base = machine.parent + L"\\" + machine.prefix;
        Value(lm, base + L"blank default", L"", REG_SZ, {});
        Value(lm, base + L"unterminated blank", L"", REG_SZ, {0});
        Value(lm, base + L"lone list", L"", REG_MULTI_SZ, {0, 0});
        Value(lm, base + L"lone unknown", L"", 0x80000000, {1});
    }
    EmptyKeys(Area(12, cu, kWindows + L"Explorer\\FileExts", L"." + m), L"");

    // Interfaces whose type library is not registered, and classes whose
    // application id is not: the ids are the stale texts in every shape.
    {
        HostileArea& interfaces = Area(13, lm, L"Software\\Classes\\Interface", L"{" + m);
        interfaces.text = "HKEY_CLASSES_ROOT\\Interface\\{" + Ascii(m);
        const std::wstring base = interfaces.parent + L"\\" + interfaces.prefix;
        for (const auto& shape : StaleShapes(Stale(L"lib"))) {
            Value(lm, base + shape.name + L"}", L"", REG_SZ, Utf16(L"IHostile " + shape.name));
            Value(lm, base + shape.name + L"}\\TypeLib", L"", shape.type, shape.data);
        }
        HostileArea& classes = Area(19, lm, L"Software\\Classes\\CLSID", L"{" + m);
        classes.text = "HKEY_CLASSES_ROOT\\CLSID\\{" + Ascii(m);
        ShapedKeys(classes, L"}", L"", L"AppID");
        for (const auto& shape : StaleShapes(Stale(L"server.dll")))
            Value(lm, classes.parent + L"\\" + classes.prefix + L"server " + shape.name + L"}\\InprocServer32", L"",
                  shape.type, shape.data);
        for (const auto& shape : StaleShapes(Stale(L"server.dll")))
            Value(lm, classes.parent + L"\\" + classes.prefix + L"server " + shape.name + L"}", L"AppID", REG_SZ,
                  Utf16(L"{" + m + L"unregistered}"));
    }

    // Vendors with nothing in them, one of which cannot even be read.
    {
        const HostileArea& user = Area(14, cu, L"Software", m);
        EmptyKeys(user, L"");
        Value(cu, user.parent + L"\\" + m + L"sealed", L"kept", REG_SZ, Utf16(L"sealed data"));
        Lock(cu, user.parent + L"\\" + m + L"sealed", false);
        Key(cu, user.parent + L"\\" + m + L"readonly");
        Lock(cu, user.parent + L"\\" + m + L"readonly", true);
        EmptyKeys(Area(14, lm, L"Software", m), L"");
    }

    ShapedKeys(Area(15, lm, L"SYSTEM\\CurrentControlSet\\Services", m), L"", L"", L"ImagePath");

    {
        const HostileArea& order = Area(16, cu, kWindows + L"Explorer\\MenuOrder\\Start Menu2\\Programs", m);
        EmptyKeys(order, L"");
        Value(cu, order.parent + L"\\" + m + L"ordered", L"Order", REG_BINARY, Pattern(4096));
    }

    // Shortcuts: dangling ones with odd names and deep down, and files that
    // are no shortcut at all.
    {
        const HostileArea& links = Area(17, nullptr, Wide(shortcutFolder), m);
        const std::wstring base = links.parent + L"\\" + m;
        const std::wstring target = links.parent + L"\\" + m + L"target.exe";
        // Folders down to the longest path the 8-bit functions reach, and
        // below it, out of their sight: that link is never reported.
        std::wstring deep = base + L"deep";
        CreateDirectoryW(deep.c_str(), nullptr);
        while (deep.size() < MAX_PATH - 60) {
            deep += L"\\" + HostileFileName(random_, 8);
            CreateDirectoryW(deep.c_str(), nullptr);
        }
        std::wstring deeper = deep;
        while (deeper.size() < MAX_PATH + 20) {
            deeper += L"\\" + HostileFileName(random_, 8);
            CreateDirectoryW(deeper.c_str(), nullptr);
        }
        const std::wstring dangling[] = {base + L"dangling.lnk", base + HostileFileName(random_, 120) + L".lnk",
                                         deep + L"\\" + HostileFileName(random_, 30) + L".lnk"};
        EXPECT_TRUE(WriteWholeFile(Narrowed(target), "MZ"));
        for (const auto& link : dangling) {
            EXPECT_TRUE(MakeShortcut(link, target)) << Narrow(link);
            links_.emplace_back(Narrowed(link), ReadWholeFile(Narrowed(link)));
        }
        EXPECT_TRUE(MakeShortcut(deeper + L"\\out of sight.lnk", target));
        DeleteFileW(target.c_str());
        std::mt19937 bytes(17);
        std::string noise(65536, '\0');
        for (char& c : noise) c = static_cast<char>(bytes());
        const std::string real = links_.front().second;
        EXPECT_TRUE(WriteWholeFile(Narrowed(base + L"noise.lnk"), noise));
        EXPECT_TRUE(WriteWholeFile(Narrowed(base + L"empty.lnk"), ""));
        EXPECT_TRUE(WriteWholeFile(Narrowed(base + L"cut short.lnk"), real.substr(0, real.size() / 2)));
        EXPECT_TRUE(WriteWholeFile(Narrowed(base + L"header only.lnk"), real.substr(0, 76)));
        CreateDirectoryW((base + L"folder.lnk").c_str(), nullptr);
    }

    // Event sounds, one of them many levels down.
    {
        const HostileArea& sounds = Area(18, cu, L"AppEvents\\Schemes\\Apps", m);
        ShapedKeys(sounds, L"", L"\\Event\\.Current", L"");
        std::wstring deep = sounds.parent + L"\\" + m + L"deep";
        for (int level = 0; level < 200; ++level) deep += L"\\d";
        Value(cu, deep + L"\\.Default", L"", REG_SZ, Utf16(Stale(L"deep.wav")));
    }

    // Recently used files: the dialogs' lists and the encoded run counts.
    {
        const HostileArea& mru = Area(20, cu, kWindows + L"Explorer\\ComDlg32\\OpenSaveMRU", m);
        ShapedValues(mru);
        for (const auto& shape : StaleShapes(Stale(L"mru.txt")))
            Value(cu, mru.parent + L"\\" + m + L"ext", shape.name, shape.type, shape.data);
        const std::wstring count =
            kWindows + L"Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";
        const HostileArea& assist = Area(20, cu, count, Rot13(m), Ascii(m));
        const std::wstring path = L":" + Stale(L"ran.exe");
        const struct {
            const wchar_t* name;
            Bytes data;
        } counts[] = {
            {L"never run", {0, 0, 0, 0, 0, 0, 0, 0, 1, 2}},
            {L"ran twice", {0, 0, 0, 0, 2, 0, 0, 0, 1, 2}},
            {L"short", {1, 2, 3}},
            {L"empty", {}},
            {L"huge", Bytes(0x8000, 0)},
        };
        for (const auto& c : counts) Value(cu, assist.parent, Rot13(m + c.name + path), REG_BINARY, c.data);
        Value(cu, assist.parent, Rot13(m + L"text" + path), REG_SZ, Utf16(L"x"));
        Value(cu, assist.parent, Rot13(m + HostileName(random_, 300, true) + path), REG_BINARY, Bytes(16, 0));
    }

    // Programs offered under "Open with", one command far down.
    {
        const HostileArea& apps = Area(22, lm, L"Software\\Classes\\Applications", m);
        ShapedKeys(apps, L".exe", L"\\shell\\open\\command", L"");
        std::wstring deep = apps.parent + L"\\" + m + L"deep.exe";
        for (int level = 0; level < 200; ++level) deep += L"\\d";
        Value(lm, deep + L"\\command", L"", REG_SZ, Utf16(Stale(L"deep.exe")));
    }
}

void HostilePlanting::Lock(HKEY root, const std::wstring& path, bool readable) {
    toLock_.emplace_back(root, path, readable);
}

void HostilePlanting::LockAll() {
    for (const auto& [root, path, readable] : toLock_) {
        SCOPED_TRACE(Narrow(path));
        LockNow(root, path, readable);
    }
    toLock_.clear();
}

void HostilePlanting::LockNow(HKEY root, const std::wstring& path, bool readable) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(DWORD) unsigned char list[256];
    ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(list), sizeof list, ACL_REVISION));
    if (readable) ASSERT_TRUE(AddAccessAllowedAce(reinterpret_cast<PACL>(list), ACL_REVISION, KEY_READ, everyone));
    FreeSid(everyone);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS) << Narrow(path);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(list), FALSE);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    RegCloseKey(key);
    locked_.emplace_back(root, path);
}

void HostilePlanting::UnlockAll() {
    // A null list takes the DACL away: anyone may do anything again. A locked
    // key that the repair deleted has nothing left to unlock.
    for (const auto& [root, path] : locked_) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) continue;
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    locked_.clear();
}

std::vector<std::pair<std::string, StoredKey>> HostilePlanting::DumpAll() const {
    std::vector<std::pair<std::string, StoredKey>> dumps;
    for (const auto& area : areas_) {
        if (!area.planted || !area.root) continue;
        StoredKey planted;
        HKEY parent = nullptr;
        if (RegOpenKeyExW(area.root, area.parent.c_str(), 0, KEY_READ, &parent) == ERROR_SUCCESS) {
            const StoredKey values = [&] {
                // The parent's values alone: its subkeys may be many and large.
                StoredKey only;
                std::vector<wchar_t> name(32768);
                Bytes data(1 << 20);
                for (DWORD i = 0;; ++i) {
                    DWORD chars = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
                    if (RegEnumValueW(parent, i, name.data(), &chars, nullptr, &type, data.data(), &size) !=
                        ERROR_SUCCESS)
                        break;
                    const std::wstring n(name.data(), chars);
                    if (StartsWith(n, area.prefix)) only.values[n] = {type, Bytes(data.begin(), data.begin() + size)};
                }
                return only;
            }();
            planted.values = values.values;
            std::vector<wchar_t> name(256);
            for (DWORD i = 0;; ++i) {
                DWORD chars = static_cast<DWORD>(name.size());
                if (RegEnumKeyExW(parent, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                const std::wstring n(name.data(), chars);
                if (StartsWith(n, area.prefix)) planted.subkeys[n] = Dump(area.root, area.parent + L"\\" + n);
            }
            RegCloseKey(parent);
        }
        dumps.emplace_back(area.text, std::move(planted));
    }
    return dumps;
}

std::vector<std::pair<std::string, std::string>> HostilePlanting::Files() const { return links_; }

void HostilePlanting::Remove(const HostileArea& area) {
    if (!area.planted) return;
    if (!area.root) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((area.parent + L"\\" + area.prefix + L"*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring path = area.parent + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTreeW(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return;
    }
    HKEY parent = nullptr;
    if (RegOpenKeyExW(area.root, area.parent.c_str(), 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS) return;
    std::vector<std::wstring> values, subkeys;
    std::vector<wchar_t> name(32768);
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size());
        if (RegEnumValueW(parent, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (StartsWith(std::wstring(name.data(), chars), area.prefix)) values.emplace_back(name.data(), chars);
    }
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(parent, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (StartsWith(std::wstring(name.data(), chars), area.prefix)) subkeys.emplace_back(name.data(), chars);
    }
    for (const auto& value : values) RegDeleteValueW(parent, value.c_str());
    for (const auto& subkey : subkeys) RegDeleteTreeW(parent, subkey.c_str());
    RegCloseKey(parent);
}

}  // namespace ks::test

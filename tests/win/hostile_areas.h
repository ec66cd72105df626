// Hostile entries in the places each scan section reads, fenced so that the
// test can tell its own rows from the Wine prefix's and take everything away
// again: every planted item is a value or subkey (or a file) whose name
// begins with this process's marker, inside a list the section reads.
#pragma once

#include <windows.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "backup_registry_dump.h"
#include "scan/finding.h"

namespace ks::test {

// One fenced place: the values and subkeys of `parent` (below `root`) whose
// names begin with `prefix`, or the files in folder `parent` when root is
// null. `text` is how the findings of the area begin (root name, key path,
// readable prefix); a finding lies in the area when the item it removes does.
struct HostileArea {
    int task = 0;  // the section that must report rows here
    HKEY root = nullptr;
    std::wstring parent;
    std::wstring prefix;
    std::string text;
    bool planted = true;  // false for another name of an area planted elsewhere
};

// The item a finding removes, as one path: key, key and value name, or file.
std::string FindingTarget(const Finding& finding);
// Whether the target begins with the area's text, ignoring case.
bool LiesIn(const Finding& finding, const HostileArea& area);

// A string value's bytes in many shapes around one stale path: with and
// without its terminator, with a NUL inside, of odd length, empty, as text of
// other types and of unknown type numbers, 64 KB long.
struct DataShape {
    std::wstring name;
    DWORD type;
    Bytes data;
};
std::vector<DataShape> StaleShapes(const std::wstring& stale);

// Code-page bytes as the registry shows them.
std::wstring FromCodePage(const std::string& bytes);
// `length` bytes of the code page from a random start, as the registry shows them.
std::wstring HostileName(std::mt19937& random, std::size_t length, bool backslashes);

class HostilePlanting {
public:
    // `gone` is a folder that does not exist, ending in a backslash; `sid` the
    // current user's key below HKEY_USERS.
    HostilePlanting(std::wstring marker, std::wstring gone, std::wstring sid);
    ~HostilePlanting();
    HostilePlanting(const HostilePlanting&) = delete;
    HostilePlanting& operator=(const HostilePlanting&) = delete;

    // Registers an area and notes the part of its parent that does not exist
    // yet, which is taken away again at the end.
    HostileArea& Area(int task, HKEY root, const std::wstring& parent, const std::wstring& prefix = {},
                      const std::string& readablePrefix = {});
    // Another section's claim on an area, fenced but not planted again: under
    // its other name in HKEY_USERS (an area of the current user), or as it is.
    void Alias(int task, const HostileArea& area, bool underUsers = true);

    // Plants into every section's lists; shortcutFolder is where the dangling
    // links go (the user's Start menu).
    void PlantSections(const std::string& shortcutFolder);

    // Key-access locks, noted first and set by LockAll (a locked key cannot
    // be dumped): the key may only be read, or nothing at all.
    void Lock(HKEY root, const std::wstring& path, bool readable);
    void LockAll();
    void UnlockAll();

    // The planted items of every area as they are now, with the area's text.
    std::vector<std::pair<std::string, StoredKey>> DumpAll() const;
    // The file areas' files by path, with their bytes.
    std::vector<std::pair<std::string, std::string>> Files() const;

    const std::vector<HostileArea>& areas() const { return areas_; }
    std::wstring Stale(const std::wstring& file) const { return gone_ + file; }

private:
    void Value(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const Bytes& data);
    void Key(HKEY root, const std::wstring& key);
    // One key per data shape (prefix + shape name + suffix), each with the
    // shaped value at `inner`, and a few more with hostile names.
    void ShapedKeys(const HostileArea& area, const std::wstring& suffix, const std::wstring& inner,
                    const std::wstring& valueName);
    // One value per data shape, and a few more with hostile names.
    void ShapedValues(const HostileArea& area);
    void EmptyKeys(const HostileArea& area, const std::wstring& suffix);
    void Remove(const HostileArea& area);
    void LockNow(HKEY root, const std::wstring& path, bool readable);

    std::wstring marker_;
    std::wstring gone_;
    std::wstring sid_;
    std::mt19937 random_{1818};
    std::vector<HostileArea> areas_;
    std::vector<std::pair<HKEY, std::wstring>> createdTops_;
    std::vector<std::tuple<HKEY, std::wstring, bool>> toLock_;
    std::vector<std::pair<HKEY, std::wstring>> locked_;
    std::vector<std::pair<std::string, std::string>> links_;
};

}  // namespace ks::test

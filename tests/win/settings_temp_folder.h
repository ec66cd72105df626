// A scratch folder under the temporary folder for the settings tests,
// removed with everything in it when the test ends.
#pragma once

#include <windows.h>

#include <string>

#include "win/test_files.h"

namespace ks::test {

class TempFolder {
public:
    // Under the user's temporary folder.
    TempFolder() : TempFolder(TempBase()) {}
    // Under `base`, which ends in a backslash.
    explicit TempFolder(const std::string& base) {
        static int serial = 0;
        path_ = base + "ks-settings-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        RemoveFolderTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { RemoveFolderTree(path_); }

    // Without a trailing backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    static std::string TempBase() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        char longTemp[MAX_PATH] = {};
        if (GetLongPathNameA(temp, longTemp, MAX_PATH) == 0) lstrcpynA(longTemp, temp, MAX_PATH);
        return longTemp;
    }

    std::string path_;
};

}  // namespace ks::test

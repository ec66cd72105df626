// A profile file on disk, read and written through the Win32 profile-string API.
#pragma once

#include <string>

#include "settings/profile.h"

namespace ks {

class ProfileFile final : public Profile {
public:
    // `path` should be a full path: a bare file name is looked for in the
    // Windows folder by the API.
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
    std::optional<std::vector<std::string>> KeyNames(std::string_view section) const override;

private:
    std::string path_;
};

}  // namespace ks

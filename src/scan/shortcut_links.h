// How the shortcut check reads a shortcut file's target. The shell's link
// object needs its calling thread prepared first (a single-threaded COM
// apartment), so a reader is opened on the thread that uses it and kept for
// that thread's life; closing it on the same thread undoes the preparation.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ks {

struct ShortcutTarget {
    enum class Status {
        Read,               // `path` holds the target, possibly empty
        NotLoaded,          // the file could not be loaded as a shortcut
        ObjectUnavailable,  // the link object could not be made at all
    };
    Status status = Status::NotLoaded;
    std::string path;
};

class ShortcutReader {
public:
    virtual ~ShortcutReader() = default;
    virtual ShortcutTarget ReadTarget(std::string_view shortcutPath) = 0;
};

class ShortcutLinks {
public:
    virtual ~ShortcutLinks() = default;
    // Prepares the calling thread; null when that fails.
    virtual std::unique_ptr<ShortcutReader> OpenOnThisThread() = 0;
};

}  // namespace ks

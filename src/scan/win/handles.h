// Move-only owners for the Win32 handles the access layer holds: registry keys,
// kernel handles of both invalid-value conventions, and folder searches.
#pragma once

#include <windows.h>

#include <utility>

namespace ks {

// One owner shape for every handle kind; Traits says what "no handle" is and
// how a handle is given back.
template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept : value_(Traits::Invalid()) {}
    explicit UniqueResource(Value value) noexcept : value_(value) {}
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Value get() const noexcept { return value_; }
    // For functions that hand a new handle back through a pointer: the old
    // one is given back first.
    Value* put() noexcept {
        reset();
        return &value_;
    }
    // Gives up ownership without closing.
    Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void reset(Value value = Traits::Invalid()) noexcept {
        const Value old = std::exchange(value_, value);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    explicit operator bool() const noexcept { return Traits::IsValid(value_); }

private:
    Value value_;
};

// The predefined roots (HKEY_CLASSES_ROOT … HKEY_DYN_DATA and the performance
// keys) are small negative numbers sign-extended to pointer width. They are
// not ours to close: RegOpenKeyExA with an empty path hands the root itself back.
inline bool IsPredefinedKey(HKEY key) noexcept {
    const auto raw = static_cast<LONG_PTR>(reinterpret_cast<ULONG_PTR>(key));
    return raw >= static_cast<LONG_PTR>(static_cast<LONG>(0x80000000)) &&
           raw <= static_cast<LONG_PTR>(static_cast<LONG>(0x800000FF));
}

struct KeyTraits {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsValid(Value key) noexcept { return key != nullptr; }
    static void Close(Value key) noexcept {
        if (!IsPredefinedKey(key)) RegCloseKey(key);
    }
};

// Handles for which NULL means "none" (CreateEventA, CreateThread, OpenProcess).
struct HandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static bool IsValid(Value handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Value handle) noexcept { CloseHandle(handle); }
};

// Handles for which INVALID_HANDLE_VALUE means "none" (CreateFileA).
struct FileHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value handle) noexcept { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Value handle) noexcept { CloseHandle(handle); }
};

// FindFirstFileA searches, which FindClose ends.
struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value handle) noexcept { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Value handle) noexcept { FindClose(handle); }
};

using UniqueKey = UniqueResource<KeyTraits>;
using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

}  // namespace ks

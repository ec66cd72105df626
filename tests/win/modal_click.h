// Test helper for modal windows that a command opens itself: a thread timer,
// served by the modal loop, finds the window by its class and clicks one of
// its buttons once the test says the moment has come.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace ks::test {

// Works a window of the given class while a modal loop runs: a thread timer
// looks for it and, once `ready` says so, clicks its button with that caption.
class ClickWhenReady {
public:
    ClickWhenReady(const char* windowClass, const char* button, std::function<bool()> ready) {
        current_ = this;
        windowClass_ = windowClass;
        button_ = button;
        ready_ = std::move(ready);
        timer_ = SetTimer(nullptr, 0, 20, &Tick);
    }
    ~ClickWhenReady() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool clicked() const { return clicked_; }
    bool sawWindow() const { return sawWindow_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ClickWhenReady* self = current_;
        if (!self || self->clicked_) return;
        HWND window = FindWindowA(self->windowClass_, nullptr);
        if (!window || !IsWindowVisible(window)) return;
        self->sawWindow_ = true;
        if (self->ready_ && !self->ready_()) return;
        HWND button = FindWindowExA(window, nullptr, "Button", self->button_);
        if (!button) return;
        self->clicked_ = true;
        PostMessageA(button, BM_CLICK, 0, 0);
    }

    static inline ClickWhenReady* current_ = nullptr;
    const char* windowClass_ = nullptr;
    const char* button_ = nullptr;
    std::function<bool()> ready_;
    UINT_PTR timer_ = 0;
    bool clicked_ = false;
    bool sawWindow_ = false;
};

}  // namespace ks::test

// Everything that waits for the person at the screen: message boxes, the
// save-file dialog, the folder picker, and opening a web address. Windows call
// CurrentPrompts(); tests put their own answers in place with ScopedPrompts,
// so no test ever waits for a person.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/dialog_filter.h"

namespace ks::ui {

// Caption of every message box of the program.
inline constexpr char kProgramTitle[] = "Quarlo Keyscrub";

struct SaveFileRequest {
    std::string title;
    // Pairs of description and pattern separated by '|':
    // "Registry backup files (*.reg)|*.REG".
    std::string filter;
    std::string defaultExtension;  // without the dot; empty for none
    std::string fileName;          // proposed name, may be empty
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with the program title as caption; `style` takes the MB_
    // button, icon and default-button values. Returns IDOK, IDYES, IDNO, ...
    virtual int ShowMessage(HWND owner, const std::string& text, UINT style) = 0;
    // The chosen file name, or nothing when cancelled.
    virtual std::optional<std::string> SaveFile(HWND owner, const SaveFileRequest& request) = 0;
    // The chosen folder, or nothing when cancelled. An empty root shows the
    // whole shell namespace.
    virtual std::optional<std::string> PickFolder(HWND owner, const std::string& title, const std::wstring& root) = 0;
    // Opens a web address or a file with the program that handles it.
    virtual void OpenAddress(HWND owner, const std::string& address) = 0;
};

// The prompts in force: the person at the screen unless a ScopedPrompts is alive.
Prompts& CurrentPrompts();

// Puts `replacement` in force for its lifetime (tests).
class ScopedPrompts {
public:
    explicit ScopedPrompts(Prompts& replacement);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    Prompts* previous_;
};

}  // namespace ks::ui

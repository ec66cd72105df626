// Prompts for window tests: every message box is answered with a fixed
// button, the file and folder pickers with fixed choices, and everything asked
// is kept.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/win/prompts.h"

namespace ks::test {

class RecordingPrompts final : public ui::Prompts {
public:
    explicit RecordingPrompts(int answer = IDOK) : answer(answer) {}
    int ShowMessage(HWND, const std::string& text, UINT style) override {
        messages.push_back(text);
        styles.push_back(style);
        return answer;
    }
    std::optional<std::string> SaveFile(HWND, const ui::SaveFileRequest& request) override {
        requests.push_back(request);
        return chosen;
    }
    std::optional<std::string> PickFolder(HWND, const std::string& title, const std::wstring&) override {
        titles.push_back(title);
        return picked;
    }
    void OpenAddress(HWND, const std::string& address) override { opened.push_back(address); }

    int answer;
    std::optional<std::string> picked;  // the folder picker's choice
    std::optional<std::string> chosen;  // the save dialog's choice
    std::vector<ui::SaveFileRequest> requests;
    std::vector<std::string> messages;
    std::vector<UINT> styles;
    std::vector<std::string> titles;  // of the folder picker
    std::vector<std::string> opened;
};

}  // namespace ks::test

// Shortcut files in the Start menus, on the desktops, in the application data
// and among the recent documents whose target is missing.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "scan/shortcut_target.h"
#include "base/text.h"

namespace ks {

namespace {

// Walked in this order: all users' Start menu and desktop, then the user's
// application data, recent documents, Start menu and desktop.
constexpr int kShortcutFolders[] = {22, 25, 26, 8, 11, 16};

bool IsShortcutName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && EqualsNoCase(name.substr(dot), ".lnk");
}

}  // namespace

void TScanTaskThread::ScanShortcuts() {
    ShowTaskCaption(ScanText(scan_text::kScanningShortcuts));
    shortcutFoldersWalked_.clear();
    for (int csidl : kShortcutFolders) {
        const std::string folder = files_->SpecialFolder(csidl);
        // An empty path would list the current folder instead.
        if (!folder.empty()) ScanShortcutFolder(folder);
    }
}

// The folder is taken as it is, even when it is itself a link: under Wine
// the desktop is a link to the Unix home folder.
void TScanTaskThread::ScanShortcutFolder(std::string_view folder) {
    if (!folder.empty()) WalkShortcutFolder(folder, files_->ResolvedFolder(folder));
}

void TScanTaskThread::WalkShortcutFolder(std::string_view folder, std::string_view resolved) {
    const std::string prefix = WithTrailingBackslash(std::string(folder));
    const std::string real = resolved.empty() ? std::string() : WithTrailingBackslash(std::string(resolved));
    // Each real folder once: the user's Start menu and recent documents lie
    // inside the application data folder since Windows Vista, and a folder
    // that is a link may lead into another of the six.
    if (!shortcutFoldersWalked_.insert(UpperAnsi(real)).second) return;
    // Shown as well, so that a stop takes effect in a large folder without shortcuts.
    ShowCurrentKey(folder);
    const auto entries = files_->ListFolder(folder);
    if (!entries) return;
    for (const auto& entry : *entries) {
        if (entry.isFolder) {
            // A junction or folder link leads out of the folder, anywhere: under
            // Wine the templates folder in the application data leads to the
            // whole home folder. Its shortcuts are not this folder's to report.
            if (!entry.isReparsePoint) WalkShortcutFolder(prefix + entry.name, real + entry.name);
            continue;
        }
        if (!IsShortcutName(entry.name)) continue;
        const std::string path = prefix + entry.name;
        ShowCurrentKey(path);
        std::string target = ResolveShortcutTarget(path);
        if (target.empty()) continue;
        if (IsMissingShortcutTarget(PathTest(), *files_, target, ScanDrives))
            AddFinding(ScanText(scan_text::kProblemShortcuts), path, target, RemovalKind::DeleteFile,
                       FindingReason{ReasonKind::MissingTarget, target, {ReferenceTest::Source::ShortcutTarget}});
    }
}

std::string TScanTaskThread::ResolveShortcutTarget(std::string_view shortcutPath) {
    if (!shortcutReaderOpened_) {
        shortcutReaderOpened_ = true;
        if (Shortcuts) shortcutReader_ = Shortcuts->OpenOnThisThread();
    }
    if (!shortcutReader_) return {};
    auto target = shortcutReader_->ReadTarget(shortcutPath);
    switch (target.status) {
    case ShortcutTarget::Status::Read:
        target.path.resize(std::min(target.path.size(), target.path.find('\0')));
        return target.path;
    case ShortcutTarget::Status::NotLoaded: return {};
    case ShortcutTarget::Status::ObjectUnavailable: break;
    }
    throw std::runtime_error("the shell link object cannot be made");
}

}  // namespace ks

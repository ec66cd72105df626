// "Open in &RegEdit...": the registry editor brought up at a finding's key by
// typing into its own windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ks {

// The editor's windows, as far as they are driven.
inline constexpr char kRegistryEditorClass[] = "RegEdit_RegEdit";

// The editor's key tree ("SysTreeView32") or value list ("SysListView32").
// Windows' editor has them as its own children; Wine's keeps them one level
// further down, in a child frame, so every descendant is searched when the
// children alone do not have it.
HWND FindEditorPart(HWND editor, const char* className);

// Brings the editor up (starting it by its full path when no editor window
// exists), maximized, and walks its key tree to `root` + "\" + `keyPath`;
// then, when `valueName` is not empty, types it into the value list. Does
// nothing for an empty key path.
void DriveRegistryEditor(const std::string& root, const std::string& keyPath, const std::string& valueName);

// The whole command for one path: a missing key or value is told through the
// prompts in force; a path without a backslash is passed over.
void OpenRegistryEditorAt(HWND owner, std::string_view path);

}  // namespace ks

// Windows described as tables of named controls, menus and actions.
//
// One table per window is the single description of its design: the widget
// layer (ui/win/window.h) creates the real controls from it, the translator
// finds every text by the names in it, and the language-file coverage test
// walks every registered table. Keep a window's table in a plain (non-Win32)
// file and register it with a FormRegistration at namespace scope, so that the
// native tests see it too:
//
//     const FormDef& OptionsForm() {
//         static const FormDef form{
//             .name = "frmOptions", .caption = "Options", .clientWidth = 420, .clientHeight = 360,
//             .controls = {
//                 {.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {250, 325, 75, 25},
//                  .flags = kDefaultButton},
//                 ...
//             }};
//         return form;
//     }
//     const FormRegistration registerOptions{&OptionsForm};
//
// A registered window needs its texts in lang/Lan_English.ini (section = the
// window's name; "Menu_" + name for its menu entries), spelled exactly as the
// table spells them, and the same keys in every other Lan_*.ini; the
// language-file tests list whatever is missing or left over.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::ui {

enum class ControlKind {
    Label,        // static text
    LinkLabel,    // clickable text; opens `address` unless a click handler is set
    Button,       // push button
    FlatButton,   // borderless link-style button
    CheckBox,
    GroupBox,     // frame with a caption; may hold controls
    Panel,        // plain container; may hold controls; shows its caption centred when not empty
    ListBox,      // `items` are the entries
    StatusBar,    // `items` are the panels (text, width); no items = single-text mode showing `caption`
    ListView,     // report view; `items` are the columns (text, width)
    TreeView,     // `items` are the nodes in depth-first order (text, level, image)
    PageControl,  // tabs; `items` are the pages; controls name it as parent with `page`
    Edit,         // one-line edit; kReadOnly for a read-only edit
    Memo,         // multi-line edit
    ProgressBar,  // range 0..`range`
    Timer,        // no window; fires every `interval` ms while running
    Image,        // an icon
};

// Style switches. Each one matters only for the kinds named with it.
enum ControlFlag : unsigned {
    kReadOnly = 1u << 0,       // Edit, Memo
    kCheckBoxes = 1u << 1,     // ListView, TreeView
    kMultiSelect = 1u << 2,    // ListView, ListBox
    kRowSelect = 1u << 3,      // ListView: whole-row selection
    kDefaultButton = 1u << 4,  // Button: pressed by Enter
    kCancelButton = 1u << 5,   // Button: pressed by Escape
    kHidden = 1u << 6,         // any window kind: created invisible
    kDisabled = 1u << 7,       // any window kind: created disabled
    kChecked = 1u << 8,        // CheckBox: ticked at start
    kRunning = 1u << 9,        // Timer: runs from creation
    kNoTabStop = 1u << 10,     // focusable kinds: skipped by Tab
    kOwnerData = 1u << 11,     // ListView: rows answered by the owner, none kept in the control
};

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// An entry of a list box, a status-bar panel, a list-view column, a tab page
// or a tree node.
struct ItemDef {
    std::string text;
    int width = 0;   // panel and column width in pixels
    int level = 0;   // tree node depth, 0 for a root node
    int image = -1;  // tree node image index; -1 for none
};

struct ControlDef {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string caption;
    Bounds at;               // relative to the parent's client area (a page's area for a page)
    std::string parent;      // empty: the window itself; otherwise a Panel, GroupBox or PageControl
    int page = 0;            // page of a PageControl parent
    unsigned flags = 0;      // ControlFlag values
    std::vector<ItemDef> items;
    std::string action;      // Button, FlatButton, CheckBox: the action it runs and follows
    std::string address;     // LinkLabel: what a click opens
    int interval = 0;        // Timer: milliseconds
    int range = 100;         // ProgressBar: the position at full
};

enum MenuFlag : unsigned {
    kMenuChecked = 1u << 0,
    kMenuHidden = 1u << 1,
    kMenuDisabled = 1u << 2,
    kMenuPopup = 1u << 3,  // a pop-up menu of its own, not part of the menu bar
};

// A menu entry. Entries whose parent is empty form the menu bar; entries name
// their parent entry (a sub-menu) or a pop-up menu. A caption of "-" is a
// separator. An empty caption takes the caption of the bound action.
struct MenuDef {
    std::string name;
    std::string caption;
    std::string parent;
    std::string shortcut;  // "Ctrl+S", "Ctrl+Alt+R", "F5", "Del"
    unsigned flags = 0;    // MenuFlag values
    std::string action;
};

// A command shared by menu entries and buttons: one execute handler, one
// update handler that enables everything bound to it.
struct ActionDef {
    std::string name;
    std::string caption;
    std::string shortcut;
};

enum FormStyle : unsigned {
    kDialogFrame = 0,          // fixed dialog border with a close box
    kResizable = 1u << 0,      // sizeable frame with minimise and maximise boxes
    kNoCaptionButtons = 1u << 1,  // no close box (and no system menu)
    kCentreOnScreen = 1u << 2,    // otherwise centred on the owner
};

struct FormDef {
    std::string name;         // component name, e.g. "frmOptions"; the language-file section
    std::string caption;
    int clientWidth = 0;
    int clientHeight = 0;
    unsigned style = kDialogFrame;
    std::string windowClass;  // empty: "T" + name
    std::vector<ControlDef> controls;
    std::vector<MenuDef> menus;
    std::vector<ActionDef> actions;
};

const ControlDef* FindControl(const FormDef& form, std::string_view name);
const MenuDef* FindMenu(const FormDef& form, std::string_view name);
const ActionDef* FindAction(const FormDef& form, std::string_view name);

bool IsSeparator(const MenuDef& entry);

// Everything wrong with a table: duplicate or empty names, parents that do not
// exist or cannot hold controls, pages out of range, tree levels that skip a
// generation, unknown actions, shortcuts that cannot be read. Empty when sound.
std::vector<std::string> CheckFormDef(const FormDef& form);

struct Shortcut {
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    unsigned key = 0;  // Windows virtual-key code

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

// Reads "Ctrl+Alt+R", "Shift+F10", "Del" (modifiers in any order and case).
// Empty or unreadable text gives nothing.
std::optional<Shortcut> ParseShortcut(std::string_view text);

// Every window table of the program joins this list with a FormRegistration
// object at namespace scope. The list is what the language-file coverage test
// walks, so a new window cannot ship without its texts.
using FormTable = const FormDef& (*)();

class FormRegistration {
public:
    explicit FormRegistration(FormTable table);
};

std::vector<const FormDef*> RegisteredForms();

}  // namespace ks::ui

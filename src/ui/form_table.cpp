// Window tables: look-ups, the table check, shortcut text and the registry of tables.
#include "ui/form_table.h"

#include <map>
#include <set>

#include "base/text.h"

namespace ks::ui {

namespace {

bool CanHoldControls(ControlKind kind) {
    return kind == ControlKind::Panel || kind == ControlKind::GroupBox || kind == ControlKind::PageControl;
}

std::vector<FormTable>& Tables() {
    static std::vector<FormTable> tables;
    return tables;
}

// Named keys besides letters, digits and F1..F24, with their virtual-key codes.
struct NamedKey {
    const char* name;
    unsigned key;
};
constexpr NamedKey kNamedKeys[] = {
    {"DEL", 0x2E},   {"DELETE", 0x2E}, {"INS", 0x2D},  {"INSERT", 0x2D}, {"ENTER", 0x0D}, {"ESC", 0x1B},
    {"ESCAPE", 0x1B}, {"TAB", 0x09},   {"SPACE", 0x20}, {"HOME", 0x24},  {"END", 0x23},   {"PGUP", 0x21},
    {"PGDN", 0x22},  {"UP", 0x26},     {"DOWN", 0x28},  {"LEFT", 0x25},  {"RIGHT", 0x27}, {"BKSP", 0x08},
};

std::optional<unsigned> KeyCode(std::string_view upper) {
    if (upper.empty()) return std::nullopt;
    if (upper.size() == 1) {
        const char c = upper[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<unsigned>(c);
        return std::nullopt;
    }
    if (upper[0] == 'F' && upper.size() <= 3) {
        unsigned n = 0;
        for (char c : upper.substr(1)) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + static_cast<unsigned>(c - '0');
        }
        if (n >= 1 && n <= 24 && upper[1] != '0') return 0x70 + n - 1;
        return std::nullopt;
    }
    for (const NamedKey& named : kNamedKeys)
        if (upper == named.name) return named.key;
    return std::nullopt;
}

}  // namespace

const ControlDef* FindControl(const FormDef& form, std::string_view name) {
    for (const ControlDef& control : form.controls)
        if (control.name == name) return &control;
    return nullptr;
}

const MenuDef* FindMenu(const FormDef& form, std::string_view name) {
    for (const MenuDef& entry : form.menus)
        if (entry.name == name) return &entry;
    return nullptr;
}

const ActionDef* FindAction(const FormDef& form, std::string_view name) {
    for (const ActionDef& action : form.actions)
        if (action.name == name) return &action;
    return nullptr;
}

bool IsSeparator(const MenuDef& entry) { return entry.caption == "-"; }

std::vector<std::string> CheckFormDef(const FormDef& form) {
    std::vector<std::string> problems;
    const auto complain = [&](const std::string& text) { problems.push_back(form.name + ": " + text); };

    if (form.name.empty()) complain("the window has no name");
    // Names are component names: one namespace for controls, menu entries and actions.
    std::set<std::string> names{form.name};
    const auto claim = [&](const std::string& name, const char* what) {
        if (name.empty())
            complain(std::string("a ") + what + " has no name");
        else if (!names.insert(name).second)
            complain("the name " + name + " is used twice");
    };

    for (const ControlDef& control : form.controls) {
        claim(control.name, "control");
        if (!control.parent.empty()) {
            const ControlDef* parent = FindControl(form, control.parent);
            if (!parent) {
                complain(control.name + " names the unknown parent " + control.parent);
            } else if (!CanHoldControls(parent->kind)) {
                complain(control.name + ": " + control.parent + " cannot hold controls");
            } else if (parent == &control) {
                complain(control.name + " is its own parent");
            } else if (parent > &control) {
                complain(control.name + " comes before its parent " + control.parent);
            } else if (parent->kind == ControlKind::PageControl &&
                       (control.page < 0 || static_cast<std::size_t>(control.page) >= parent->items.size())) {
                complain(control.name + " is on page " + std::to_string(control.page) + ", which " +
                         control.parent + " does not have");
            }
        }
        if (control.kind == ControlKind::TreeView) {
            int previous = -1;
            for (const ItemDef& node : control.items) {
                if (node.level < 0 || node.level > previous + 1) {
                    complain(control.name + ": the node " + node.text + " skips a level");
                    break;
                }
                previous = node.level;
            }
        }
        if (control.kind == ControlKind::Timer && control.interval <= 0)
            complain(control.name + ": a timer needs an interval");
        if (!control.action.empty() && !FindAction(form, control.action))
            complain(control.name + " is bound to the unknown action " + control.action);
    }

    for (const MenuDef& entry : form.menus) {
        claim(entry.name, "menu entry");
        if (!entry.parent.empty()) {
            const MenuDef* parent = FindMenu(form, entry.parent);
            if (!parent)
                complain(entry.name + " names the unknown menu " + entry.parent);
            else if (IsSeparator(*parent))
                complain(entry.name + " hangs under the separator " + entry.parent);
            else if (parent >= &entry)
                complain(entry.name + " comes before its menu " + entry.parent);
        }
        if ((entry.flags & kMenuPopup) && !entry.parent.empty())
            complain(entry.name + ": a pop-up menu has no parent");
        if (!entry.shortcut.empty() && !ParseShortcut(entry.shortcut))
            complain(entry.name + ": cannot read the shortcut " + entry.shortcut);
        if (!entry.action.empty() && !FindAction(form, entry.action))
            complain(entry.name + " is bound to the unknown action " + entry.action);
    }

    for (const ActionDef& action : form.actions) {
        claim(action.name, "action");
        if (!action.shortcut.empty() && !ParseShortcut(action.shortcut))
            complain(action.name + ": cannot read the shortcut " + action.shortcut);
    }
    return problems;
}

std::optional<Shortcut> ParseShortcut(std::string_view text) {
    Shortcut result;
    std::string upper = UpperAnsi(Trim(text));
    if (upper.empty()) return std::nullopt;
    std::string_view rest = upper;
    while (true) {
        // A lone "+" at the end is the key itself, never a separator.
        const std::size_t plus = rest.size() > 1 ? rest.find('+') : std::string_view::npos;
        if (plus == std::string_view::npos) break;
        const std::string_view modifier = rest.substr(0, plus);
        bool* flag = nullptr;
        if (modifier == "CTRL")
            flag = &result.ctrl;
        else if (modifier == "ALT")
            flag = &result.alt;
        else if (modifier == "SHIFT")
            flag = &result.shift;
        if (!flag || *flag) return std::nullopt;
        *flag = true;
        rest.remove_prefix(plus + 1);
    }
    const std::optional<unsigned> key = KeyCode(rest);
    if (!key) return std::nullopt;
    result.key = *key;
    return result;
}

FormRegistration::FormRegistration(FormTable table) { Tables().push_back(table); }

std::vector<const FormDef*> RegisteredForms() {
    std::vector<const FormDef*> forms;
    for (FormTable table : Tables()) forms.push_back(&table());
    return forms;
}

}  // namespace ks::ui

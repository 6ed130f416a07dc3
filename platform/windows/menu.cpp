// The menu model: menus and their items (text, command id or popup, check and grey states).
// The menu bar view (menubar.cpp) draws and runs it.
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "core.h"

namespace plat {
namespace {

constexpr size_t MAX_ITEMS = 4096;  // items per menu
constexpr int MAX_DEPTH = 32;       // search depth through popups within popups
constexpr UINT KEPT_FLAGS = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR;
constexpr UINT UNSUPPORTED = 0x0004 /* MF_BITMAP */ | 0x0100 /* MF_OWNERDRAW */;

struct Menu {
    std::vector<MenuItem> items;
};

struct MenuState {
    std::unordered_map<HMENU, std::unique_ptr<Menu>> menus;
};
MenuState state;

Menu *find(HMENU m) {
    if (!obj_alive(m, OBJ_MENU)) return nullptr;
    auto it = state.menus.find(m);
    return it == state.menus.end() ? nullptr : it->second.get();
}

HMENU create() {
    void *h = handle_new();
    if (!h) return nullptr;
    HMENU m = (HMENU)h;
    state.menus[m] = std::make_unique<Menu>();
    obj_register(h, OBJ_MENU);
    return m;
}

// Whether target is m or lies somewhere under m's popups (any depth; each menu visited once).
bool reaches(HMENU m, HMENU target) {
    std::vector<HMENU> todo{m};
    std::unordered_set<HMENU> seen;
    while (!todo.empty()) {
        HMENU at = todo.back();
        todo.pop_back();
        if (at == target) return true;
        Menu *menu = find(at);
        if (!menu || !seen.insert(at).second) continue;
        for (const MenuItem &it : menu->items)
            if (it.flags & MF_POPUP) todo.push_back((HMENU)it.id);
    }
    return false;
}

// The item that `which` names in m: a position with MF_BYPOSITION, else the first item with that
// command id, searched depth-first through the popups as the system does.
MenuItem *find_item(HMENU m, UINT which, UINT flags, int depth = 0) {
    Menu *menu = find(m);
    if (!menu || depth > MAX_DEPTH) return nullptr;
    if (flags & MF_BYPOSITION) return which < menu->items.size() ? &menu->items[which] : nullptr;
    for (MenuItem &it : menu->items) {
        if (it.flags & MF_POPUP) {
            if (MenuItem *sub = find_item((HMENU)it.id, which, flags, depth + 1)) return sub;
        } else if (it.id == which) {
            return &it;
        }
    }
    return nullptr;
}

}  // namespace

const std::vector<MenuItem> *menu_items(HMENU m) {
    Menu *menu = find(m);
    return menu ? &menu->items : nullptr;
}

HMENU menu_popup_of(const MenuItem &item) {
    if (!(item.flags & MF_POPUP)) return nullptr;
    return find((HMENU)item.id) ? (HMENU)item.id : nullptr;
}

int menu_state_by_command(HMENU m, UINT id) {
    MenuItem *it = find_item(m, id, MF_BYCOMMAND);
    return it ? (int)(it->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR)) : -1;
}

}  // namespace plat

using namespace plat;

HMENU WINAPI CreateMenu(void) { return create(); }

HMENU WINAPI CreatePopupMenu(void) { return create(); }

// Destroys the menu and, as the system does, the popups under it.
BOOL WINAPI DestroyMenu(HMENU m) {
    if (!find(m)) return FALSE;
    std::vector<HMENU> todo{m};  // a worklist, not recursion: popups may nest arbitrarily deep
    while (!todo.empty()) {
        HMENU at = todo.back();
        todo.pop_back();
        if (!find(at)) continue;  // shared by two menus and already gone
        obj_unregister(at, OBJ_MENU);
        std::unique_ptr<Menu> gone = std::move(state.menus[at]);
        state.menus.erase(at);
        for (const MenuItem &it : gone->items)
            if (it.flags & MF_POPUP) todo.push_back((HMENU)it.id);
    }
    window_menus_changed();
    return TRUE;
}

// Appends a text item, a separator or a popup (uIDNewItem is then the popup's HMENU). Bitmap and
// owner-drawn items are not supported; a popup that would contain its own menu is refused.
BOOL WINAPI AppendMenuA(HMENU m, UINT flags, UINT_PTR id, LPCSTR text) {
    Menu *menu = find(m);
    if (!menu || (flags & UNSUPPORTED) || menu->items.size() >= MAX_ITEMS) return FALSE;
    if (flags & MF_POPUP) {
        HMENU sub = (HMENU)id;
        if (!find(sub) || reaches(sub, m)) return FALSE;
    }
    MenuItem item;
    item.flags = flags & KEPT_FLAGS;
    if (item.flags & MF_SEPARATOR) item.flags &= ~(UINT)MF_POPUP;
    item.id = id;
    if (!(item.flags & MF_SEPARATOR) && text) item.text = text;
    menu->items.push_back(item);
    window_menus_changed();
    return TRUE;
}

// Sets or removes the check mark; returns the previous state (MF_CHECKED or 0), or (DWORD)-1.
DWORD WINAPI CheckMenuItem(HMENU m, UINT which, UINT flags) {
    MenuItem *it = find_item(m, which, flags);
    if (!it) return (DWORD)-1;
    DWORD was = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~(UINT)MF_CHECKED) | (flags & MF_CHECKED);
    window_menus_changed();
    return was;
}

// Enables, greys or disables; returns the previous MF_GRAYED/MF_DISABLED state, or -1.
BOOL WINAPI EnableMenuItem(HMENU m, UINT which, UINT flags) {
    MenuItem *it = find_item(m, which, flags);
    if (!it) return -1;
    BOOL was = (BOOL)(it->flags & (MF_GRAYED | MF_DISABLED));
    it->flags = (it->flags & ~(UINT)(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    window_menus_changed();
    return was;
}

// The item's flags; for a popup the low byte holds its flags and the next byte its item count.
UINT WINAPI GetMenuState(HMENU m, UINT which, UINT flags) {
    MenuItem *it = find_item(m, which, flags);
    if (!it) return (UINT)-1;
    if (it->flags & MF_POPUP) {
        const std::vector<MenuItem> *sub = menu_items((HMENU)it->id);
        size_t n = sub ? sub->size() : 0;
        return (UINT)((n > 0xff ? 0xff : n) << 8) | (it->flags & 0xff);
    }
    return it->flags;
}

int WINAPI GetMenuItemCount(HMENU m) {
    Menu *menu = find(m);
    return menu ? (int)menu->items.size() : -1;
}

// The command id at a position; (UINT)-1 for a popup or a bad position.
UINT WINAPI GetMenuItemID(HMENU m, int pos) {
    Menu *menu = find(m);
    if (!menu || pos < 0 || (size_t)pos >= menu->items.size()) return (UINT)-1;
    const MenuItem &it = menu->items[(size_t)pos];
    return (it.flags & MF_POPUP) ? (UINT)-1 : (UINT)it.id;
}

// Copies the item's text (cut to max - 1 characters); returns the characters copied, or the
// text's length when buf is null or max is 0; 0 for a bad item.
int WINAPI GetMenuStringA(HMENU m, UINT which, LPSTR buf, int max, UINT flags) {
    MenuItem *it = find_item(m, which, flags);
    if (!it) return 0;
    size_t n = it->text.size() > 0x7fffffff ? 0x7fffffff : it->text.size();
    if (!buf || max <= 0) return (int)n;
    size_t k = n < (size_t)max - 1 ? n : (size_t)max - 1;
    it->text.copy(buf, k);
    buf[k] = '\0';
    return (int)k;
}

HMENU WINAPI GetSubMenu(HMENU m, int pos) {
    Menu *menu = find(m);
    if (!menu || pos < 0 || (size_t)pos >= menu->items.size()) return nullptr;
    return menu_popup_of(menu->items[(size_t)pos]);
}

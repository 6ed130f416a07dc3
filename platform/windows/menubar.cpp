// The menu bar view: draws a window's menu bar and its open popup in the classic look, and
// runs the menu with the mouse and the keyboard. The model (items, check marks) is menu.cpp's.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core.h"

namespace plat {
namespace {

constexpr int BAR_HEIGHT = MENU_BAR_HEIGHT;
constexpr int TITLE_PAD = 6;     // left and right of a bar title's text
constexpr int ITEM_HEIGHT = 17;  // a popup item with text
constexpr int SEPARATOR_HEIGHT = 9;
constexpr int POPUP_BORDER = 3;   // two 3D rings and one grey pixel
constexpr int CHECK_GUTTER = 18;  // room for the check mark left of the label
constexpr int ACCEL_GAP = 20;     // least space between a label and its accelerator text
constexpr int RIGHT_PAD = 16;
constexpr long long MAX_EXTENT = 1 << 20;  // a layout never grows past this, whatever the texts

const COLORREF FACE = RGB(192, 192, 192);
const COLORREF SHADOW = RGB(128, 128, 128);
const COLORREF HILIGHT = RGB(255, 255, 255);
const COLORREF DARK = RGB(0, 0, 0);
const COLORREF SELECTED = RGB(0, 0, 128);

enum Mode { CLOSED, BAR, POPUP };

// One menu text split at '&' and '\t'.
struct Label {
    std::string text;   // without the '&' marks, up to the Tab
    std::string accel;  // after the Tab
    int mnemonic = -1;  // index in text of the underlined letter
};

// Splits a menu text into its label, its mnemonic and its accelerator text.
Label split_label(const std::string &raw) {
    Label l;
    size_t tab = raw.find('\t');
    std::string head = raw.substr(0, tab);
    if (tab != std::string::npos) l.accel = raw.substr(tab + 1);
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '&' && i + 1 < head.size()) {
            ++i;  // "&&" is a literal ampersand; "&x" underlines x
            if (head[i] != '&' && l.mnemonic < 0) l.mnemonic = (int)l.text.size();
        } else if (head[i] == '&') {
            continue;  // a lone '&' at the end marks nothing
        }
        l.text += head[i];
    }
    return l;
}

// Upper-case for the ASCII letters, which is all a mnemonic compares.
int fold(int c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// The label's underlined letter, folded for comparison; 0 when it has none.
int mnemonic_char(const Label &l) {
    return l.mnemonic >= 0 ? fold((unsigned char)l.text[(size_t)l.mnemonic]) : 0;
}

struct Rect {
    int l = 0, t = 0, r = 0, b = 0;
    bool contains(int x, int y) const { return x >= l && x < r && y >= t && y < b; }
};

struct PopupItem {
    MenuItem item;
    Label label;
    Rect rect;
};

struct Title {
    Label label;
    Rect rect;
    HMENU popup = nullptr;
    UINT flags = 0;
};

// Where everything of a window's menu lies, in content pixels.
struct Layout {
    std::vector<Title> titles;
    Rect popup;                    // of the open title (state.title), empty when none
    std::vector<PopupItem> items;  // of that popup
    int accel_right = 0;           // right edge of the accelerator column
};

// Which window's menu is active and what is highlighted. Zero is "no menu active".
struct MenuBarState {
    HWND hwnd;        // the window whose menu is active (BAR or POPUP), else null
    int mode;         // Mode
    int title;        // index of the highlighted or open bar title
    int item;         // index of the highlighted popup item, or -1
    int alt_pending;  // Alt went down and nothing else since: its release highlights the bar
    // The layout last measured, kept until its window's menu, that menu's items or the open
    // title change: measuring needs a DC and a font, and the mouse moves often.
    bool laid;
    HWND laid_window;
    HMENU laid_menu;
    int laid_open;
    Layout layout;
};
MenuBarState state;

long long clamp_extent(long long v) { return v < 0 ? 0 : (v > MAX_EXTENT ? MAX_EXTENT : v); }

// The menu's font; the caller deletes it.
HFONT menu_font() {
    return CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
}

// Width of s in dc's font, clamped to the layout's bound.
int text_width(HDC dc, const std::string &s) {
    if (s.empty()) return 0;
    SIZE sz = {0, 0};
    int n = s.size() > (size_t)MAX_EXTENT ? (int)MAX_EXTENT : (int)s.size();
    GetTextExtentPointA(dc, s.c_str(), n, &sz);
    return (int)clamp_extent(sz.cx);
}

// An item that can be highlighted by the keyboard and chosen.
bool selectable(const MenuItem &it) { return !(it.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }

// Lays out w's bar and, when `open` names a title, its popup; dc has the menu font selected.
Layout layout_with(HDC dc, HWND w, int open) {
    Layout lay;
    const std::vector<MenuItem> *bar = menu_items(GetMenu(w));
    if (!bar) return lay;
    long long x = 0;
    for (const MenuItem &it : *bar) {
        Title t;
        t.label = split_label(it.text);
        t.popup = menu_popup_of(it);
        t.flags = it.flags;
        long long r = clamp_extent(x + TITLE_PAD + text_width(dc, t.label.text) + TITLE_PAD);
        t.rect = Rect{(int)x, 0, (int)r, BAR_HEIGHT};
        x = r;
        lay.titles.push_back(t);
    }
    if (open < 0 || open >= (int)lay.titles.size()) return lay;
    const std::vector<MenuItem> *pop = menu_items(lay.titles[(size_t)open].popup);
    if (!pop) return lay;
    long long label_w = 0, accel_w = 0, y = BAR_HEIGHT + POPUP_BORDER;
    for (const MenuItem &it : *pop) {
        PopupItem p;
        p.item = it;
        p.label = split_label(it.text);
        long long h = (it.flags & MF_SEPARATOR) ? SEPARATOR_HEIGHT : ITEM_HEIGHT;
        if (!(it.flags & MF_SEPARATOR)) {
            label_w = std::max<long long>(label_w, text_width(dc, p.label.text));
            accel_w = std::max<long long>(accel_w, text_width(dc, p.label.accel));
        }
        p.rect = Rect{0, (int)clamp_extent(y), 0, (int)clamp_extent(y + h)};
        y += h;
        lay.items.push_back(p);
    }
    long long left = lay.titles[(size_t)open].rect.l;
    long long inner = CHECK_GUTTER + label_w + (accel_w ? ACCEL_GAP + accel_w : 0) + RIGHT_PAD;
    long long right = clamp_extent(left + POPUP_BORDER + inner + POPUP_BORDER);
    for (PopupItem &p : lay.items) {
        p.rect.l = (int)clamp_extent(left + POPUP_BORDER);
        p.rect.r = (int)clamp_extent(right - POPUP_BORDER);
    }
    lay.accel_right = (int)clamp_extent(right - POPUP_BORDER - RIGHT_PAD);
    lay.popup = Rect{(int)left, BAR_HEIGHT, (int)right, (int)clamp_extent(y + POPUP_BORDER)};
    return lay;
}

// The layout of w's bar with title `open`'s popup (-1: none), measured on a scratch one-pixel
// surface when the one kept does not fit.
Layout layout_of(HWND w, int open) {
    HMENU menu = GetMenu(w);
    if (state.laid && state.laid_window == w && state.laid_menu == menu && state.laid_open == open)
        return state.layout;
    uint32_t scratch = 0;
    HDC dc = dc_for_surface(Surface{&scratch, 1, 1, 1});
    if (!dc) return Layout{};
    HFONT font = menu_font();
    HGDIOBJ old = SelectObject(dc, font);
    Layout lay = layout_with(dc, w, open);
    SelectObject(dc, old);
    DeleteObject(font);
    dc_free(dc);
    state.laid = true;
    state.laid_window = w;
    state.laid_menu = menu;
    state.laid_open = open;
    state.layout = lay;
    return lay;
}

// ---- drawing ----

// What the bar is painted on: the window's content frame, and a DC on it for the text.
struct Canvas {
    HDC dc;
    Surface frame;
};

// Paints columns l..r-1 and rows t..b-1 in one colour, straight into the frame: no pen or brush.
void fill(const Canvas &cv, int l, int t, int r, int b, COLORREF c) {
    if (r <= l || b <= t) return;
    surface_fill(cv.frame, RECT{l, t, r, b}, c);
}

// A 3D edge around r: `light` on the top and left, `dark` on the bottom and right.
void edge(const Canvas &cv, const Rect &r, COLORREF light, COLORREF dark) {
    fill(cv, r.l, r.t, r.r - 1, r.t + 1, light);
    fill(cv, r.l, r.t, r.l + 1, r.b - 1, light);
    fill(cv, r.l, r.b - 1, r.r, r.b, dark);
    fill(cv, r.r - 1, r.t, r.r, r.b, dark);
}

Rect shrink(const Rect &r, int by) { return Rect{r.l + by, r.t + by, r.r - by, r.b - by}; }

// Draws text with its top-left at (x, y), the mnemonic letter underlined.
void label_text(const Canvas &cv, int x, int y, const std::string &text, int mnemonic, COLORREF c) {
    if (text.empty()) return;
    HDC dc = cv.dc;
    SetTextColor(dc, c);
    int n = text.size() > (size_t)MAX_EXTENT ? (int)MAX_EXTENT : (int)text.size();
    TextOutA(dc, x, y, text.c_str(), n);
    if (mnemonic < 0 || mnemonic >= n) return;
    TEXTMETRICA tm;
    std::memset(&tm, 0, sizeof tm);
    GetTextMetricsA(dc, &tm);
    int from = x + text_width(dc, text.substr(0, (size_t)mnemonic));
    int to = x + text_width(dc, text.substr(0, (size_t)mnemonic + 1));
    int row = y + (int)tm.tmAscent + 1;
    fill(cv, from, row, to, row + 1, c);
}

// The classic check mark, 7 by 7, with its top-left at (x, y).
void check_mark(HDC dc, int x, int y, COLORREF c) {
    static const char *const rows[7] = {"......#", ".....##", "#...###", "##.###.",
                                        "#####..", ".###...", "..#...."};
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 7; ++i)
            if (rows[j][i] == '#') SetPixel(dc, x + i, y + j, c);
}

// The top of the text cell that centres dc's font in a row.
int text_top(HDC dc, int row_top, int row_height) {
    TEXTMETRICA tm;
    std::memset(&tm, 0, sizeof tm);
    GetTextMetricsA(dc, &tm);
    return row_top + (row_height - (int)tm.tmHeight) / 2;
}

// The grey bar and its titles, the active one highlighted (keyboard) or pressed in (open).
void paint_bar(const Canvas &cv, const Layout &lay, bool active) {
    HDC dc = cv.dc;
    fill(cv, 0, 0, cv.frame.w, BAR_HEIGHT, FACE);
    for (size_t i = 0; i < lay.titles.size(); ++i) {
        const Title &t = lay.titles[i];
        bool hot = active && (int)i == state.title;
        bool grey = (t.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        int shift = 0;
        if (hot && state.mode == POPUP) {
            edge(cv, t.rect, SHADOW, HILIGHT);  // pressed in while its popup is open
            shift = 1;
        } else if (hot) {
            fill(cv, t.rect.l, t.rect.t + 1, t.rect.r, t.rect.b - 1, SELECTED);
        }
        int x = t.rect.l + TITLE_PAD + shift;
        int y = text_top(dc, 0, BAR_HEIGHT) + shift;
        if (grey && !hot) label_text(cv, x + 1, y + 1, t.label.text, t.label.mnemonic, HILIGHT);
        COLORREF c = grey ? SHADOW : (hot && state.mode == BAR ? HILIGHT : DARK);
        label_text(cv, x, y, t.label.text, t.label.mnemonic, c);
    }
}

// The open popup: 3D border, items with check marks and accelerators, greyed and highlighted ones.
void paint_popup(const Canvas &cv, const Layout &lay) {
    HDC dc = cv.dc;
    const Rect &p = lay.popup;
    if (p.r <= p.l) return;
    fill(cv, p.l, p.t, p.r, p.b, FACE);
    edge(cv, p, FACE, DARK);
    edge(cv, shrink(p, 1), HILIGHT, SHADOW);
    for (size_t i = 0; i < lay.items.size(); ++i) {
        const PopupItem &it = lay.items[i];
        const Rect &r = it.rect;
        if (it.item.flags & MF_SEPARATOR) {
            int mid = r.t + SEPARATOR_HEIGHT / 2 - 1;
            fill(cv, r.l, mid, r.r, mid + 1, SHADOW);
            fill(cv, r.l, mid + 1, r.r, mid + 2, HILIGHT);
            continue;
        }
        bool hot = (int)i == state.item;
        bool grey = (it.item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        if (hot) fill(cv, r.l, r.t, r.r, r.b, SELECTED);
        COLORREF c = grey ? SHADOW : (hot ? HILIGHT : DARK);
        int y = text_top(dc, r.t, ITEM_HEIGHT);
        if (it.item.flags & MF_CHECKED) check_mark(dc, r.l + 6, r.t + (ITEM_HEIGHT - 7) / 2, c);
        int x = r.l + CHECK_GUTTER;
        int ax = lay.accel_right - text_width(dc, it.label.accel);
        if (grey && !hot) {  // the emboss: a white copy one pixel down and right
            label_text(cv, x + 1, y + 1, it.label.text, it.label.mnemonic, HILIGHT);
            label_text(cv, ax + 1, y + 1, it.label.accel, -1, HILIGHT);
        }
        label_text(cv, x, y, it.label.text, it.label.mnemonic, c);
        label_text(cv, ax, y, it.label.accel, -1, c);
    }
}

// ---- interaction ----

bool active_for(HWND w) { return state.mode != CLOSED && state.hwnd == w; }

// The menu's picture changed: the window must be presented again.
void changed() {
    if (state.hwnd && IsWindow(state.hwnd)) window_pixels_changed(state.hwnd);
}

// Ends the active menu, if any, and removes it from the picture.
void close_menu() {
    if (state.mode == CLOSED) return;
    changed();
    state.mode = CLOSED;
    state.hwnd = nullptr;
    state.item = -1;
}

// Highlights the next selectable popup item after (dir 1) or before (dir -1) the current one.
void step_item(const Layout &lay, int dir) {
    int n = (int)lay.items.size();
    int at = state.item;
    for (int k = 0; k < n; ++k) {
        at = (at < 0) ? (dir > 0 ? 0 : n - 1) : (at + dir + n) % n;
        if (selectable(lay.items[(size_t)at].item)) {
            state.item = at;
            return;
        }
    }
}

// Opens the popup of a title of w's bar; the keyboard opens it with its first item highlighted.
void open_title(HWND w, int title, bool first_item) {
    state.hwnd = w;
    state.mode = POPUP;
    state.title = title;
    state.item = -1;
    if (first_item) step_item(layout_of(w, title), 1);
    changed();
}

// Highlights w's first bar title for the keyboard, with no popup open.
void highlight_bar(HWND w) {
    state.hwnd = w;
    state.mode = BAR;
    state.title = 0;
    state.item = -1;
    changed();
}

// Closes the menu and sends w the item's command.
void choose(HWND w, const PopupItem &it) {
    UINT_PTR id = it.item.id;
    close_menu();
    PostMessageA(w, WM_COMMAND, (WPARAM)id, 0);
}

// The bar title under a content pixel, or -1.
int title_at(const Layout &lay, int x, int y) {
    for (size_t i = 0; i < lay.titles.size(); ++i)
        if (lay.titles[i].rect.contains(x, y)) return (int)i;
    return -1;
}

// The popup item under a content pixel, or -1.
int item_at(const Layout &lay, int x, int y) {
    if (!lay.popup.contains(x, y)) return -1;
    for (size_t i = 0; i < lay.items.size(); ++i)
        if (lay.items[i].rect.contains(x, y)) return (int)i;
    return -1;
}

// The title or item whose underlined letter is c, or -1.
template <class T>
int by_mnemonic(const std::vector<T> &v, int c) {
    if (c <= ' ') return -1;
    for (size_t i = 0; i < v.size(); ++i)
        if (mnemonic_char(v[i].label) == fold(c)) return (int)i;
    return -1;
}

// True when item is a separator of the open popup.
bool is_separator(const Layout &lay, int item) {
    return item >= 0 && (lay.items[(size_t)item].item.flags & MF_SEPARATOR) != 0;
}

// Mouse input for w; 1 when the menu took it (the bar, and everything while the menu is active).
int mouse_event(HWND w, const HostEvent &ev) {
    bool active = active_for(w);
    bool on_bar = ev.y >= 0 && ev.y < BAR_HEIGHT;
    if (ev.kind == HostEvent::MOUSE_DOWN) state.alt_pending = 0;
    if (!active && !on_bar) return 0;  // the client area's own input
    Layout lay = layout_of(w, active && state.mode == POPUP ? state.title : -1);
    int title = title_at(lay, ev.x, ev.y);
    int item = item_at(lay, ev.x, ev.y);
    if (ev.kind == HostEvent::MOUSE_DOWN) {
        if (ev.button != 1) return 1;
        if (title >= 0 && !(active && state.mode == POPUP && title == state.title)) {
            open_title(w, title, false);
        } else if (title >= 0) {
            close_menu();  // a second click on the open title closes it
        } else if (item >= 0) {
            if (!is_separator(lay, item) && state.item != item) {
                state.item = item;
                changed();
            }
        } else if (active && !lay.popup.contains(ev.x, ev.y)) {
            close_menu();  // a click elsewhere closes the menu and goes no further
        }
        return 1;
    }
    if (ev.kind == HostEvent::MOUSE_UP) {
        // Releasing over an item chooses it, also after dragging there from the title.
        if (ev.button == 1 && active && state.mode == POPUP && item >= 0 &&
            selectable(lay.items[(size_t)item].item))
            choose(w, lay.items[(size_t)item]);
        return 1;
    }
    // Motion: while a popup is open, the title or item under the pointer is the highlighted one.
    if (active && state.mode == POPUP) {
        if (title >= 0 && title != state.title) {
            open_title(w, title, false);
        } else if (title < 0) {
            int hot = (item >= 0 && !is_separator(lay, item)) ? item : -1;
            if (hot != state.item) {
                state.item = hot;
                changed();
            }
        }
    }
    return 1;
}

bool is_alnum_key(int vk) { return (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'); }

// Keys while no menu is active: the ones that activate it are taken here, as they arrive, so
// that keys typed right behind them already find the menu open, as the keyboard's order says.
int inactive_key(HWND w, const HostEvent &ev) {
    if (ev.kind == HostEvent::KEY_UP) {
        // Alt pressed and released alone highlights the bar; its key-up still goes on as a message.
        if (ev.vk == VK_MENU && state.alt_pending) {
            state.alt_pending = 0;
            highlight_bar(w);
        }
        return 0;
    }
    state.alt_pending = ev.vk == VK_MENU;
    if (ev.vk == VK_F10) {
        highlight_bar(w);
        return 1;
    }
    if (ev.alt && is_alnum_key(ev.vk)) {
        int t = by_mnemonic(layout_of(w, -1).titles, ev.vk);
        if (t >= 0) {
            open_title(w, t, true);
            return 1;
        }
    }
    return 0;
}

// Keyboard input for w; 1 when the menu took it.
int key_event(HWND w, const HostEvent &ev) {
    if (!active_for(w)) return inactive_key(w, ev);
    if (ev.kind != HostEvent::KEY_DOWN) {
        // Key-ups belong to the menu while it is active, but the program still learns that a
        // modifier went up, or it would think Ctrl or Alt held for good.
        return !(ev.vk == VK_CONTROL || ev.vk == VK_SHIFT || ev.vk == VK_MENU);
    }
    Layout lay = layout_of(w, state.mode == POPUP ? state.title : -1);
    int n_titles = (int)lay.titles.size();
    if (n_titles == 0) {
        close_menu();
        return 1;
    }
    int c = ev.ch ? ev.ch : (is_alnum_key(ev.vk) ? ev.vk : 0);
    state.alt_pending = 0;
    switch (ev.vk) {
        case VK_ESCAPE:
        case VK_MENU:
        case VK_F10:
            close_menu();
            return 1;
        case VK_LEFT:
        case VK_RIGHT: {
            int t = (state.title + (ev.vk == VK_RIGHT ? 1 : n_titles - 1)) % n_titles;
            if (state.mode == POPUP) {
                open_title(w, t, true);
            } else {
                state.title = t;
                changed();
            }
            return 1;
        }
        case VK_UP:
        case VK_DOWN:
            if (state.mode == BAR) {
                open_title(w, state.title, true);
            } else {
                step_item(lay, ev.vk == VK_DOWN ? 1 : -1);
                changed();
            }
            return 1;
        case VK_RETURN:
            if (state.mode == BAR) {
                open_title(w, state.title, true);
            } else if (state.item >= 0 && state.item < (int)lay.items.size() &&
                       selectable(lay.items[(size_t)state.item].item)) {
                choose(w, lay.items[(size_t)state.item]);
            }
            return 1;
        default:
            break;
    }
    if (state.mode == BAR) {
        int t = by_mnemonic(lay.titles, c);
        if (t >= 0) open_title(w, t, true);
        return 1;
    }
    int i = by_mnemonic(lay.items, c);
    if (i >= 0 && selectable(lay.items[(size_t)i].item)) choose(w, lay.items[(size_t)i]);
    return 1;
}

}  // namespace

void menubar_forget(HWND w) {
    if (state.laid_window == w) state.laid = false;
}

void menubar_menus_changed() { state.laid = false; }

// 20 pixels above the client area for a window with a menu.
int menubar_height(HWND w) { return GetMenu(w) ? BAR_HEIGHT : 0; }

// True while w's menu holds the input (bar highlighted or popup open).
int menubar_is_open(HWND w) { return w && active_for(w) ? 1 : 0; }

// Paints the bar over the frame's top rows, and the open popup over the client pixels below.
void menubar_paint(HWND w, Surface frame) {
    if (!frame.px || frame.w <= 0 || frame.h <= 0 || !GetMenu(w)) return;
    HDC dc = dc_for_surface(frame);
    if (!dc) return;
    HFONT font = menu_font();
    HGDIOBJ old_font = SelectObject(dc, font);
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_colour = GetTextColor(dc);
    bool active = active_for(w);
    Layout lay = layout_of(w, active && state.mode == POPUP ? state.title : -1);
    Canvas cv{dc, frame};
    paint_bar(cv, lay, active);
    if (active && state.mode == POPUP) paint_popup(cv, lay);
    SetTextColor(dc, old_colour);
    SetBkMode(dc, old_mode);
    SelectObject(dc, old_font);
    DeleteObject(font);
    dc_free(dc);
}

// Input for w before it becomes a message; input elsewhere ends another window's menu.
int menubar_event(HWND w, const HostEvent &ev) {
    if (state.mode != CLOSED && state.hwnd != w) {
        // Input or focus elsewhere ends the menu of the other window, as a click outside would.
        if (ev.kind == HostEvent::MOUSE_DOWN || ev.kind == HostEvent::KEY_DOWN || ev.kind == HostEvent::FOCUS)
            close_menu();
    }
    if (state.mode != CLOSED && state.hwnd && !IsWindow(state.hwnd)) close_menu();
    if (!GetMenu(w)) {
        if (active_for(w)) close_menu();
        if (ev.kind == HostEvent::KEY_DOWN) state.alt_pending = 0;
        return 0;
    }
    switch (ev.kind) {
        case HostEvent::MOUSE_DOWN:
        case HostEvent::MOUSE_UP:
        case HostEvent::MOUSE_MOVE:
            return mouse_event(w, ev);
        case HostEvent::KEY_DOWN:
        case HostEvent::KEY_UP:
            return key_event(w, ev);
        case HostEvent::CLOSE:
            close_menu();
            return 0;
        default:
            return 0;
    }
}

// Real keyboard input reaches the menu as host events (menubar_event); this is the road of key
// messages that a program sends itself. Alt alone is recognised from host events only, since its
// key-up message follows the activation that its host event has already made.
void menubar_key(HWND w, UINT msg, WPARAM wparam) {
    if (!GetMenu(w)) return;
    if (msg == WM_SYSKEYDOWN && wparam == VK_F10) {
        if (active_for(w))
            close_menu();
        else
            highlight_bar(w);
    } else if (msg == WM_SYSCHAR) {
        int t = by_mnemonic(layout_of(w, -1).titles, (int)(wparam & 0xff));
        if (t >= 0) open_title(w, t, true);
    }
}

}  // namespace plat

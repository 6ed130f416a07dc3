// The desktop host without a desktop: SDL's dummy video driver keeps a real window surface in
// memory, so frames can be read back and input pushed onto SDL's own queue.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"
#include "sdl_probe.h"

namespace {

using plat::HostEvent;
const plat::Host &host = plat::host_sdl;

// Distinct owners, so an event shows which window it was translated for.
char owner_a, owner_b;
HWND__ *const OWNER_A = reinterpret_cast<HWND__ *>(&owner_a);
HWND__ *const OWNER_B = reinterpret_cast<HWND__ *>(&owner_b);

class SdlHost : public ::testing::Test {
   protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(host.init(), 1);
    }

    // Opens a host window and finds the SDL window behind it by its (unique) title.
    void *open(HWND__ *owner, const char *title, int w, int h, int resizable, SDL_Window **sdl) {
        void *win = host.create_window(owner, title, 40, 30, w, h, resizable);
        EXPECT_NE(win, nullptr);
        host.show_window(win, 1);
        *sdl = probe::window_titled(title);
        EXPECT_NE(*sdl, nullptr);
        return win;
    }

    // Every host event ready now.
    static std::vector<HostEvent> drain() {
        std::vector<HostEvent> out;
        HostEvent ev;
        while (host.poll_event(&ev)) out.push_back(ev);
        return out;
    }

    static int count(const std::vector<HostEvent> &evs, HostEvent::Kind kind) {
        int n = 0;
        for (const HostEvent &e : evs) n += e.kind == kind;
        return n;
    }
};

// A w by h frame in rows of stride pixels: every pixel its own colour, the padding a poison
// colour that must never be shown.
std::vector<uint32_t> frame(int w, int h, int stride, uint32_t seed) {
    std::vector<uint32_t> px((size_t)stride * h, 0xff00ffu);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[(size_t)y * stride + x] = (seed + (uint32_t)(y * 251 + x * 13)) & 0xffffff;
    return px;
}

SDL_Event mouse_button(SDL_Window *sdl, Uint32 type, Uint8 button, int x, int y) {
    SDL_Event e = {};
    e.type = type;
    e.button.windowID = SDL_GetWindowID(sdl);
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event key(SDL_Window *sdl, Uint32 type, SDL_Keycode sym, SDL_Scancode sc, Uint16 mod) {
    SDL_Event e = {};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(sdl);
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event text(SDL_Window *sdl, const char *utf8) {
    SDL_Event e = {};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(sdl);
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}

void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

// Forces a new size on the window as a window manager that ignores size hints would.
void force_size(SDL_Window *sdl, int w, int h) {
    SDL_SetWindowMinimumSize(sdl, 1, 1);
    SDL_SetWindowMaximumSize(sdl, 16384, 16384);
    SDL_SetWindowSize(sdl, w, h);
    int aw = 0, ah = 0;
    SDL_GetWindowSize(sdl, &aw, &ah);
    ASSERT_EQ(aw, w);
    ASSERT_EQ(ah, h);
}

TEST_F(SdlHost, PresentHonoursTheStrideAndShowsEveryPixel) {
    SDL_Window *sdl;
    void *win = open(OWNER_A, "stride", 7, 5, 0, &sdl);
    std::vector<uint32_t> px = frame(7, 5, 11, 0x102030);
    host.present(win, px.data(), 7, 5, 11);
    SDL_Surface *s = SDL_GetWindowSurface(sdl);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->w, 7);
    ASSERT_EQ(s->h, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(probe::pixel(sdl, x, y), px[(size_t)y * 11 + x]) << x << "," << y;

    // A stride narrower than the width, or a null frame, is refused and leaves the picture.
    std::vector<uint32_t> other = frame(7, 5, 7, 0x405060);
    host.present(win, other.data(), 7, 5, 6);
    host.present(win, nullptr, 7, 5, 7);
    EXPECT_EQ(probe::pixel(sdl, 6, 4), px[4 * 11 + 6]);
    host.destroy_window(win);
}

TEST_F(SdlHost, WindowWithoutSizingFrameHasFixedSizeHints) {
    SDL_Window *fixed, *sizable;
    void *a = open(OWNER_A, "fixed", 60, 40, 0, &fixed);
    void *b = open(OWNER_B, "sizable", 60, 40, 1, &sizable);
    int w = 0, h = 0;
    SDL_GetWindowMinimumSize(fixed, &w, &h);
    EXPECT_EQ(w, 60);
    EXPECT_EQ(h, 40);
    SDL_GetWindowMaximumSize(fixed, &w, &h);
    EXPECT_EQ(w, 60);
    EXPECT_EQ(h, 40);
    EXPECT_EQ(SDL_GetWindowFlags(fixed) & SDL_WINDOW_RESIZABLE, 0u);
    EXPECT_NE(SDL_GetWindowFlags(sizable) & SDL_WINDOW_RESIZABLE, 0u);
    SDL_GetWindowMaximumSize(sizable, &w, &h);
    EXPECT_NE(w, 60);
    host.destroy_window(a);
    host.destroy_window(b);
}

TEST_F(SdlHost, ForcedResizeOfAFixedWindowKeepsItsContentSize) {
    SDL_Window *sdl;
    void *win = open(OWNER_A, "forced", 20, 10, 0, &sdl);
    std::vector<uint32_t> px = frame(20, 10, 20, 0x0a0b0c);
    host.present(win, px.data(), 20, 10, 20);
    drain();

    // Larger: no resize reaches the window core, only a request to be shown again.
    force_size(sdl, 32, 17);
    std::vector<HostEvent> evs = drain();
    EXPECT_EQ(count(evs, HostEvent::RESIZE), 0);
    ASSERT_EQ(count(evs, HostEvent::EXPOSE), 1);
    for (const HostEvent &e : evs) EXPECT_EQ(e.window, OWNER_A);

    // The frame stays at its own size in the top-left corner; the rest is cleared.
    SDL_FillRect(SDL_GetWindowSurface(sdl), nullptr, SDL_MapRGB(SDL_GetWindowSurface(sdl)->format, 9, 9, 9));
    host.present(win, px.data(), 20, 10, 20);
    ASSERT_EQ(SDL_GetWindowSurface(sdl)->w, 32);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 32; ++x) {
            uint32_t want = (x < 20 && y < 10) ? px[(size_t)y * 20 + x] : 0u;
            ASSERT_EQ(probe::pixel(sdl, x, y), want) << x << "," << y;
        }

    // A click where the window grew lies beyond the content and is not delivered; its release
    // is, so that a press begun inside always ends.
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 25, 3));
    push(mouse_button(sdl, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 25, 3));
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 19, 9));
    evs = drain();
    ASSERT_EQ(evs.size(), 2u);
    EXPECT_EQ(evs[0].kind, HostEvent::MOUSE_UP);
    EXPECT_EQ(evs[1].kind, HostEvent::MOUSE_DOWN);
    EXPECT_EQ(evs[1].x, 19);
    EXPECT_EQ(evs[1].y, 9);

    // Smaller: the frame is cut, and still not moved.
    force_size(sdl, 8, 6);
    evs = drain();
    EXPECT_EQ(count(evs, HostEvent::RESIZE), 0);
    EXPECT_EQ(count(evs, HostEvent::EXPOSE), 1);
    host.present(win, px.data(), 20, 10, 20);
    EXPECT_EQ(probe::pixel(sdl, 0, 0), px[0]);
    EXPECT_EQ(probe::pixel(sdl, 7, 5), px[5 * 20 + 7]);
    host.destroy_window(win);
}

TEST_F(SdlHost, ResizableWindowReportsItsNewContentSize) {
    SDL_Window *sdl;
    void *win = open(OWNER_B, "resizable", 20, 10, 1, &sdl);
    drain();
    SDL_SetWindowSize(sdl, 33, 21);
    std::vector<HostEvent> evs = drain();
    ASSERT_EQ(count(evs, HostEvent::RESIZE), 1);
    for (const HostEvent &e : evs) {
        if (e.kind != HostEvent::RESIZE) continue;
        EXPECT_EQ(e.window, OWNER_B);
        EXPECT_EQ(e.x, 33);
        EXPECT_EQ(e.y, 21);
    }
    // Clicks anywhere in it count: all of it is content.
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 30, 20));
    evs = drain();
    ASSERT_EQ(evs.size(), 1u);
    EXPECT_EQ(evs[0].kind, HostEvent::MOUSE_DOWN);
    host.destroy_window(win);
}

TEST_F(SdlHost, ClicksAndKeysBecomeHostEvents) {
    SDL_Window *sdl;
    void *win = open(OWNER_A, "input", 50, 40, 0, &sdl);
    drain();
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 12, 34));
    push(mouse_button(sdl, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 13, 35));
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 1));  // not a button we use
    // A key and the text it types arrive as one key-down with its character.
    push(key(sdl, SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_NONE));
    push(text(sdl, "a"));
    push(key(sdl, SDL_KEYUP, SDLK_a, SDL_SCANCODE_A, KMOD_NONE));
    // Ctrl+Q types no text: the control character comes from the key.
    push(key(sdl, SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_LCTRL));
    push(key(sdl, SDL_KEYUP, SDLK_q, SDL_SCANCODE_Q, KMOD_LCTRL));
    // Text without a key (an input method): Windows-1252 characters, the unmappable one dropped.
    push(text(sdl, "\xc3\xa9\xe2\x82\xac\xe4\xb8\xad"));  // é € 中
    std::vector<HostEvent> evs = drain();
    ASSERT_EQ(evs.size(), 8u);

    EXPECT_EQ(evs[0].kind, HostEvent::MOUSE_DOWN);
    EXPECT_EQ(evs[0].window, OWNER_A);
    EXPECT_EQ(evs[0].button, 1);
    EXPECT_EQ(evs[0].x, 12);
    EXPECT_EQ(evs[0].y, 34);
    EXPECT_EQ(evs[1].kind, HostEvent::MOUSE_UP);
    EXPECT_EQ(evs[1].x, 13);
    EXPECT_EQ(evs[1].y, 35);

    EXPECT_EQ(evs[2].kind, HostEvent::KEY_DOWN);
    EXPECT_EQ(evs[2].window, OWNER_A);
    EXPECT_EQ(evs[2].vk, 'A');
    EXPECT_EQ(evs[2].ch, 'a');
    EXPECT_EQ(evs[2].alt, 0);
    EXPECT_EQ(evs[3].kind, HostEvent::KEY_UP);
    EXPECT_EQ(evs[3].vk, 'A');

    EXPECT_EQ(evs[4].kind, HostEvent::KEY_DOWN);
    EXPECT_EQ(evs[4].vk, 'Q');
    EXPECT_EQ(evs[4].ch, 17);

    EXPECT_EQ(evs[5].kind, HostEvent::KEY_UP);

    EXPECT_EQ(evs[6].kind, HostEvent::KEY_DOWN);
    EXPECT_EQ(evs[6].vk, VK_PACKET);
    EXPECT_EQ(evs[6].ch, 233);
    EXPECT_EQ(evs[7].vk, VK_PACKET);
    EXPECT_EQ(evs[7].ch, 0x80);

    // A destroyed window's input is dropped, not handed out for a stale owner.
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1));
    host.destroy_window(win);
    EXPECT_TRUE(drain().empty());
}

TEST_F(SdlHost, WaitReturnsByItsDeadlineOrForInput) {
    SDL_Window *sdl;
    void *win = open(OWNER_A, "wait", 10, 10, 0, &sdl);
    drain();

    // Nothing happens: the wait lasts until the deadline by the host's own clock, and ends then
    // (the upper bound is only a generous guard against a wait that overshoots without limit).
    uint32_t deadline = host.now_ms() + 30;
    host.wait_event(deadline);
    uint32_t after = host.now_ms();
    EXPECT_GE((int32_t)(after - deadline), 0);
    EXPECT_LT((int32_t)(after - deadline), 60000);

    // A deadline already passed returns at once; so does a wait without a deadline once input is
    // queued (were it to block, the test would hang).
    host.wait_event(host.now_ms() - 5);
    push(mouse_button(sdl, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 2));
    host.wait_event(plat::NO_DEADLINE);
    std::vector<HostEvent> evs = drain();
    ASSERT_EQ(evs.size(), 1u);
    EXPECT_EQ(evs[0].kind, HostEvent::MOUSE_DOWN);
    host.destroy_window(win);
}

}  // namespace

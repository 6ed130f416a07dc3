// Reading an SDL window back under the dummy video driver: find it by its title, read its
// surface's pixels.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <cstring>

namespace probe {

// The SDL window with this title, or null.
inline SDL_Window *window_titled(const char *title) {
    for (Uint32 id = 1; id < 1024; ++id) {
        SDL_Window *w = SDL_GetWindowFromID(id);
        if (w && std::strcmp(SDL_GetWindowTitle(w), title) == 0) return w;
    }
    return nullptr;
}

// The window surface's pixel at (x, y) as 0x00RRGGBB; 0xdeadbeef outside it.
inline uint32_t pixel(SDL_Window *sdl, int x, int y) {
    SDL_Surface *s = SDL_GetWindowSurface(sdl);
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0xdeadbeefu;
    const Uint8 *at =
        static_cast<const Uint8 *>(s->pixels) + (size_t)y * s->pitch + (size_t)x * s->format->BytesPerPixel;
    Uint32 raw = 0;
    std::memcpy(&raw, at, s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return (uint32_t)r << 16 | (uint32_t)g << 8 | b;
}

}  // namespace probe

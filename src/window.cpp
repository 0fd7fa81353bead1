// Opening the window. The only code that knows SDL runs on X11.
#include "window.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "widgets.h"

namespace {

// Task bars and window lists read a window's icon from _NET_WM_ICON, which
// SDL 1.2 does not set (it gives only the old icon pixmap of WM_HINTS): so it
// is set here, on the window the window manager handles. Nothing is done
// where the window is not an X11 one.
void set_net_wm_icon(SDL_Surface *icon)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return;
    // Width, height, then each pixel as 0xAARRGGBB in a long, as Xlib wants
    // the items of a 32-bit property.
    std::vector<unsigned long> data = {(unsigned long)icon->w, (unsigned long)icon->h};
    SDL_LockSurface(icon);
    for (int y = 0; y < icon->h; ++y)
        for (int x = 0; x < icon->w; ++x) {
            const Uint32 *row = (const Uint32 *)((const Uint8 *)icon->pixels + y * icon->pitch);
            Uint8 r, g, b;
            SDL_GetRGB(row[x], icon->format, &r, &g, &b);
            data.push_back(0xff000000ul | (unsigned long)r << 16 | (unsigned long)g << 8 | b);
        }
    SDL_UnlockSurface(icon);
    Display *display = info.info.x11.display;
    if (info.info.x11.lock_func) info.info.x11.lock_func();
    XChangeProperty(display, info.info.x11.wmwindow, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                    32, PropModeReplace, (const unsigned char *)data.data(), (int)data.size());
    XFlush(display);
    if (info.info.x11.unlock_func) info.info.x11.unlock_func();
}

}  // namespace

SDL_Surface *open_window()
{
    // Left to itself, SDL 1.2 without a display falls back to drawing the
    // game as text in the terminal, and SDL 2 under it may take over the
    // console: neither is a window. The player's own choice stands.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    // A failure shows as the failed video mode below.
    const bool started = SDL_Init(SDL_INIT_VIDEO) == 0;
    std::unique_ptr<SDL_Surface, void (*)(SDL_Surface *)> icon(window_icon(), SDL_FreeSurface);
    // SDL takes the icon only before the window opens, and only once its
    // video has started (SDL 1.2 does not check).
    if (started && icon) SDL_WM_SetIcon(icon.get(), NULL);
    SDL_Surface *screen = SDL_SetVideoMode(800, 480, 0, SDL_ANYFORMAT);
    if (!screen) {
        static const char message[] = "Nem sikerult megnyitni az ablakot!\n";
        fwrite(message, 1, sizeof message - 1, stderr);
        exit(1);
    }
    // The icon first, so that whoever finds the window by its caption finds
    // its icon too.
    if (icon) set_net_wm_icon(icon.get());
    SDL_WM_SetCaption("Dudovezuv / Hangman", "Dudovezuv / Hangman");
    return screen;
}

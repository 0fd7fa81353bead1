// The game's window: opening it with its caption and icon.
#ifndef WINDOW_H
#define WINDOW_H

#include <SDL.h>

// Starts SDL's video and opens the 800 x 480 window, captioned "Dudovezuv /
// Hangman", with the gallows as its icon. The X11 driver is used unless the
// player named another in SDL_VIDEODRIVER. Returns the window's surface, which
// SDL owns; without a display it says "Nem sikerult megnyitni az ablakot!" on
// stderr and ends the program with status 1.
SDL_Surface *open_window();

#endif

// The game screen and the add-word screen. Each draws itself, runs its own
// event loop on the shared event record and releases all it allocated before
// it returns; closing the window while either waits for the player ends the
// process with status 0.
#ifndef SCREENS_H
#define SCREENS_H

#include <SDL.h>

#include "language.h"

// The candidate display switch, 0 at start; the language chooser sets it and
// the game reads it.
extern int cheat;

// The letter a key stands for: 'a'..'z' with 'y' and 'z' exchanged, or 0 for a
// key that is no letter.
char letter_from_key(SDLKey sym);

// Waits for a letter key and returns its letter (y/z exchanged); '_' when the
// event wait fails; exits 0 when the window is closed.
char sdl_getchar(SDL_Event *ev);
// Plays one game against the words of filenev; returns when the end screen is
// left. Exits 2 when the file has no word of 3 to 20 letters.
void jatek_sdl(SDL_Surface *screen, SDL_Event *ev, const char *filenev, int lang);

// The word file of lang: "magyar.txt" for Hungarian, "angol.txt" for any
// other code.
const char *szofajl(int lang);

// The add-word screen for the word file of lang ("magyar.txt" for 1, else
// "angol.txt"); returns after Save or Back, or when the event wait fails. A
// save that failed is said on the screen in the language, and the screen
// returns at the next click or key.
void szo_hozzaad(int lang, SDL_Surface *screen, SDL_Event *ev);

#endif

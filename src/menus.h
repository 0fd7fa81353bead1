// The language chooser and the main menu: the two navigation screens.
#ifndef MENUS_H
#define MENUS_H

#include <SDL.h>

#include "language.h"

// Shows "Magyar" and "English"; keypad plus and minus switch cheat on and off.
// Returns the chosen code after storing it through lang; 0, lang untouched,
// when the event wait fails. Exits 0 when the window is closed.
int languageselect(int *lang, SDL_Surface *screen, SDL_Event *ev);
// Shows the main menu in lang (English for 2, else Hungarian). Returns the
// chosen entry, 1 play, 2 add a word, 3 language, 4 exit; 0 when the event
// wait fails. Exits 0 when the window is closed.
int mainmenu(int lang, SDL_Surface *screen, SDL_Event *ev);

#endif

// The language chooser and the main menu.
#include "menus.h"

#include <cstdlib>

#include "screens.h"
#include "widgets.h"

// The tables are copied whole on every visit, so no mark outlives its visit.
static const Button LANGUAGE_TABLE[] = {
    {40, 150, 0, 70, "Magyar"},
    {40, 250, 0, 70, "English"},
    {-1, -1, -1, -1, "error"},
};

static const Button MENU_TABLE[] = {
    {40, 50, 0, 70, "Jatek inditasa"},  {40, 150, 0, 70, "Sajat szo hozzaadasa"},
    {40, 250, 0, 70, "Nyelvvalasztas"}, {40, 350, 0, 70, "Kilepes"},
    {-1, -1, -1, -1, "error"},
};
static const char *const MENU_ENG[] = {"Play game", "Add your own word", "Choose language", "Exit"};

// The keypad switches the candidate display; every other key is ignored.
static void switch_cheat(SDLKey sym)
{
    if (sym == SDLK_KP_MINUS) cheat = 0;
    if (sym == SDLK_KP_PLUS) cheat = 1;
}

// Waits on the shown table until a release lands on a button and returns its
// number; 0 when the event wait fails. Keys go to on_key when it is given.
// Exits 0 when the window is closed.
static int menu_loop(SDL_Surface *screen, SDL_Event *ev, Button *options, void (*on_key)(SDLKey))
{
    for (;;) {
        int r = Buttons_wait(screen, ev, options);
        if (r == BUTTONS_QUIT) exit(0);
        if (r == BUTTONS_WAIT_FAILED) return 0;
        if (r != BUTTONS_KEY) return r;
        if (on_key) on_key(ev->key.keysym.sym);
        Buttons_show(screen, options);
    }
}

int languageselect(int *lang, SDL_Surface *screen, SDL_Event *ev)
{
    Button options[sizeof LANGUAGE_TABLE / sizeof LANGUAGE_TABLE[0]];
    Buttons_start(screen, options, LANGUAGE_TABLE, NULL);
    int r = menu_loop(screen, ev, options, switch_cheat);
    if (r != 0) *lang = r;
    return r;
}

int mainmenu(int lang, SDL_Surface *screen, SDL_Event *ev)
{
    Button options[sizeof MENU_TABLE / sizeof MENU_TABLE[0]];
    Buttons_start(screen, options, MENU_TABLE, lang == ENGLISH ? MENU_ENG : NULL);
    return menu_loop(screen, ev, options, NULL);
}

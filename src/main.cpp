// Start-up and the dispatch loop: the window, the language, then the main
// menu and the screen it chooses, until "Exit".
#include <SDL.h>
#include <cstdlib>
#include <ctime>

#include "menus.h"
#include "screens.h"
#include "window.h"

enum { PLAY = 1, ADD_WORD = 2, CHOOSE_LANGUAGE = 3, EXIT = 4 };

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    SDL_Surface *screen = open_window();
    srand((unsigned)time(NULL));

    // Hungarian until chosen, in case the very first event wait fails.
    int language = HUNGARIAN;
    SDL_Event ev;
    languageselect(&language, screen, &ev);
    for (;;) {
        switch (mainmenu(language, screen, &ev)) {
        case EXIT: SDL_Quit(); return 0;
        case ADD_WORD: szo_hozzaad(language, screen, &ev); break;
        case CHOOSE_LANGUAGE: languageselect(&language, screen, &ev); break;
        case PLAY: jatek_sdl(screen, &ev, szofajl(language), language); break;
        default:  // the event wait failed: show the menu again
            break;
        }
    }
}

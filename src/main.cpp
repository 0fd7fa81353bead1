// Start-up and the dispatch loop: the window, the language, then the main
// menu and the screen it chooses, until "Exit".
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "menus.h"
#include "screens.h"

enum { PLAY = 1, ADD_WORD = 2, CHOOSE_LANGUAGE = 3, EXIT = 4 };

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    SDL_Init(SDL_INIT_VIDEO);  // a failure shows as the failed video mode below
    SDL_Surface *screen = SDL_SetVideoMode(800, 480, 0, SDL_ANYFORMAT);
    if (!screen) {
        static const char message[] = "Nem sikerult megnyitni az ablakot!\n";
        fwrite(message, 1, sizeof message - 1, stderr);
        exit(1);
    }
    SDL_WM_SetCaption("Dudovezuv / Hangman", "Dudovezuv / Hangman");
    srand((unsigned)time(NULL));

    // Hungarian until chosen, in case the very first event wait fails.
    int language = HUNGARIAN;
    SDL_Event ev;
    languageselect(&language, screen, &ev);
    for (;;) {
        switch (mainmenu(language, screen, &ev)) {
        case EXIT:
            SDL_Quit();
            return 0;
        case ADD_WORD:
            szo_hozzaad(language, screen, &ev);
            break;
        case CHOOSE_LANGUAGE:
            languageselect(&language, screen, &ev);
            break;
        case PLAY:
            jatek_sdl(screen, &ev, szofajl(language), language);
            break;
        default:  // the event wait failed: show the menu again
            break;
        }
    }
}

// The game screen and the add-word screen.
#include "screens.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jatek.h"
#include "widgets.h"

int cheat = 0;

const char *szofajl(int lang) { return lang == HUNGARIAN ? "magyar.txt" : "angol.txt"; }

char letter_from_key(SDLKey sym)
{
    unsigned key = (unsigned)sym;
    if (key < 'a' || key > 'z') return 0;
    // The keyboards this game was made for swap the two keys.
    if (key == 'y') return 'z';
    if (key == 'z') return 'y';
    return (char)key;
}

// ---- Game screen -----------------------------------------------------------

enum {
    SHORTEST_LENGTH = 3,  // the shortest word a game is played with
    LONGEST_LENGTH = 20,  // the longest word that fits the screen
    LAST_ERROR = 10       // the error that completes the gallows
};

char sdl_getchar(SDL_Event *ev)
{
    for (;;) {
        if (!SDL_WaitEvent(ev)) return '_';
        if (ev->type == SDL_QUIT) exit(0);
        if (ev->type != SDL_KEYDOWN) continue;
        char betu = letter_from_key(ev->key.keysym.sym);
        if (betu) return betu;
    }
}

// Draws a word length among the playable lengths that some word of lis has,
// each such length equally likely; 0 when lis has none.
static int choose_length(const Lista *lis)
{
    bool van[LONGEST_LENGTH + 1] = {};
    for (; lis; lis = lis->kov) {
        size_t hossz = strlen(lis->szo);
        if (hossz >= SHORTEST_LENGTH && hossz <= LONGEST_LENGTH) van[hossz] = true;
    }
    int hosszak[LONGEST_LENGTH + 1];
    int db = 0;
    for (int hossz = SHORTEST_LENGTH; hossz <= LONGEST_LENGTH; ++hossz)
        if (van[hossz]) hosszak[db++] = hossz;
    return db ? hosszak[rand() % db] : 0;
}

// The first candidates: the words of the length, each once, so that a word
// standing twice in the file can still become the single candidate that wins.
static Lista *first_candidates(const Lista *teljes_lista, int szohossz)
{
    Lista *hosszra = Lista_szur_hosszra(teljes_lista, szohossz);
    Lista *szurt_lista = Lista_ismetles_nelkul(hosszra);
    Lista_felszab(hosszra);
    return szurt_lista;
}

// Guessing goes on until the last error, or until one candidate is left and
// the pattern shows it whole. An empty list cannot go on either.
static bool still_guessing(const Lista *szurt_lista, const char *tipp, int hibak)
{
    if (hibak >= LAST_ERROR || !szurt_lista) return false;
    return szurt_lista->kov || strcmp(szurt_lista->szo, tipp) != 0;
}

// The part of the board that the turns and the end screen share: the pattern,
// the letter board and the gallows. Does not flip.
static void draw_board(SDL_Surface *screen, const char *tipp, const char *rossz_betuk, const char *jo_betuk,
                       int hibak)
{
    textdisplay(screen, 20, 90, 70, tipp, INK_COLOUR.r, INK_COLOUR.g, INK_COLOUR.b, 255);
    betuket_kiir_sdl(screen, rossz_betuk, jo_betuk);
    drawing(screen, 700, 365, hibak);
}

// The two lines of the end message: the loss with the first remaining
// candidate, or the win; in Hungarian when lang says so. Does not flip.
static void draw_result(SDL_Surface *screen, int lang, int hibak, const Lista *szurt_lista)
{
    bool magyar = lang == HUNGARIAN;
    bool vesztett = hibak >= LAST_ERROR;
    const char *elso = vesztett ? (magyar ? "Vesztettel, a szavam:" : "You lost, my word was")
                                : (magyar ? "Gratulalok," : "Congratulations,");
    const char *masodik =
        vesztett ? (szurt_lista ? szurt_lista->szo : "") : (magyar ? "nyertel" : "you won!");
    Colour szin = vesztett ? WRONG_COLOUR : GOOD_COLOUR;
    textdisplay(screen, 20, 210, 70, elso, szin.r, szin.g, szin.b, 100);
    textdisplay(screen, 20, 300, 70, masodik, szin.r, szin.g, szin.b, 100);
}

// Shows the back button under the end message and waits until it is released
// on, the window is closed or the wait fails. Closing the window here only
// leaves the end screen.
static void wait_for_back(SDL_Surface *screen, SDL_Event *ev, int lang)
{
    Button options[3];
    memset(options, 0, sizeof options);
    options[0].x = 20;
    options[0].y = 420;
    options[0].clicked = 0;
    options[0].fontsize = 40;
    strcpy(options[0].text, "Vissza");
    const char *eng = "Back";
    if (lang == ENGLISH) strcpy(options[0].text, eng);
    options[1] = Button{-1, -1, -1, -1, "error"};

    Buttons_show(screen, options);
    int valasz;
    do {
        valasz = Buttons_wait(screen, ev, options);
        Buttons_show(screen, options);
    } while (valasz == BUTTONS_KEY);
}

void jatek_sdl(SDL_Surface *screen, SDL_Event *ev, const char *filenev, int lang)
{
    Lista *teljes_lista = Lista_epit_fajlbol(filenev);
    int hibak = 0;
    char rossz_betuk[ROSSZ_BETUK_MERET] = {0};
    char jo_betuk[JO_BETUK_MERET] = {0};
    int szohossz = leghosszabb_szo(teljes_lista) <= 2 ? 0 : choose_length(teljes_lista);
    if (szohossz == 0) {
        Lista_felszab(teljes_lista);
        exit(2);
    }
    // At most 20 letters, so the pattern needs no heap block that could fail.
    char tipp[LONGEST_LENGTH + 1];
    memset(tipp, '_', szohossz);
    tipp[szohossz] = '\0';
    Lista *szurt_lista = first_candidates(teljes_lista, szohossz);

    while (still_guessing(szurt_lista, tipp, hibak)) {
        szurt_lista = Lista_szur_karakterekre(szurt_lista, tipp);
        clear(screen);
        if (cheat) cheatdisp(screen, szurt_lista);
        draw_board(screen, tipp, rossz_betuk, jo_betuk, hibak);
        SDL_Flip(screen);
        char betu = sdl_getchar(ev);
        if (!volt_mar_vagy_ertelmetlen(betu, rossz_betuk, jo_betuk))
            szurt_lista = Lista_szur_beture(szurt_lista, betu, tipp, &hibak, rossz_betuk, jo_betuk);
        if (szurt_lista && !szurt_lista->kov) betuk_kitolt(tipp, szurt_lista->szo);
    }

    clear(screen);
    draw_board(screen, tipp, rossz_betuk, jo_betuk, hibak);
    draw_result(screen, lang, hibak, szurt_lista);
    SDL_Flip(screen);
    wait_for_back(screen, ev, lang);

    Lista_felszab(szurt_lista);
    Lista_felszab(teljes_lista);
}

// ---- Add-word screen -------------------------------------------------------

enum { ADD_WORD_SAVE = 1, ADD_WORD_BACK = 2 };
static const Button ADD_WORD_TABLE[] = {
    {40, 260, 0, 70, "Mentes"},
    {40, 360, 0, 70, "Vissza"},
    {-1, -1, -1, -1, "error"},
};
static const char *const ADD_WORD_ENG[] = {"Save", "Back"};
static const int maxinputlength = 20;
// The line that says a save failed: under the Back button, small enough for
// the longest reason.
enum { SAVE_ERROR_X = 20, SAVE_ERROR_Y = 444, SAVE_ERROR_SIZE = 22 };

// The input line is drawn even when empty, so its box shows where to type.
static void show_inputstring(SDL_Surface *screen, const char *inputstring)
{
    textdisplay(screen, 40, 120, 70, inputstring, INK_COLOUR.r, INK_COLOUR.g, INK_COLOUR.b, 255);
    SDL_Flip(screen);
}

// Backspace takes back the last letter; a letter key adds its letter while
// there is room. No other key can reach the word file.
static void edit_inputstring(char *inputstring, int *text_cntr, SDLKey sym)
{
    if (sym == SDLK_BACKSPACE && *text_cntr > 0) inputstring[--*text_cntr] = '\0';
    char betu = letter_from_key(sym);
    if (betu && *text_cntr < maxinputlength) {
        inputstring[(*text_cntr)++] = betu;
        inputstring[*text_cntr] = '\0';
    }
}

// Writes the word file back as it is now, with word (when not NULL) at its
// sorted place. The file is read only now, at the button's release, so that
// words anybody added while the screen was open stay. A save that failed is
// said in one line under the buttons, until the next click or key: a player
// started from the desktop sees no standard error.
static void write_back(SDL_Surface *screen, SDL_Event *ev, int lang, const char *word)
{
    const char *fajlnev = szofajl(lang);
    if (szofajl_ment(fajlnev, word)) return;
    char line[128];
    const char *failed = lang == ENGLISH ? "Could not save" : "Nem sikerult menteni";
    snprintf(line, sizeof line, "%s: %s (%s)", failed, fajlnev, strerror(errno));
    textdisplay(screen, SAVE_ERROR_X, SAVE_ERROR_Y, SAVE_ERROR_SIZE, line, WRONG_COLOUR.r, WRONG_COLOUR.g,
                WRONG_COLOUR.b, 255);
    SDL_Flip(screen);
    // A click ends at its release, so the release cannot choose a menu entry.
    while (SDL_WaitEvent(ev) && ev->type != SDL_MOUSEBUTTONUP && ev->type != SDL_KEYDOWN)
        if (ev->type == SDL_QUIT) exit(0);
}

void szo_hozzaad(int lang, SDL_Surface *screen, SDL_Event *ev)
{
    Button options[sizeof ADD_WORD_TABLE / sizeof ADD_WORD_TABLE[0]];
    Buttons_start(screen, options, ADD_WORD_TABLE, lang == ENGLISH ? ADD_WORD_ENG : NULL);
    char inputstring[maxinputlength + 1] = "";
    int text_cntr = 0;
    show_inputstring(screen, inputstring);

    int r;
    while ((r = Buttons_wait(screen, ev, options)) == BUTTONS_KEY) {
        edit_inputstring(inputstring, &text_cntr, ev->key.keysym.sym);
        clear(screen);
        show_inputstring(screen, inputstring);
        Buttons_show(screen, options);
    }
    if (r == ADD_WORD_SAVE || r == ADD_WORD_BACK)
        write_back(screen, ev, lang, r == ADD_WORD_SAVE ? inputstring : NULL);
    if (r == BUTTONS_QUIT) exit(0);  // the typed word is dropped, the file untouched
}

// One whole session of the game, scripted, for running under Valgrind's
// memcheck: English chosen (with the candidate display on), a won game, a
// lost game, a word added, the add-word screen left by Back, then Exit. The
// screens are called in the order the game's own dispatch loop calls them,
// each after the events it is to read have been queued; a screen that leaves
// an event unread, or ends the process, fails the session.
//
// Runs in a folder of its own under /tmp with the font and an English word
// file whose games are known in advance: all eight words have four letters,
// "elstb" wins (the engine's worked example) and "acdfghijko", letters none of
// them holds, loses. Exit status 0 when every step went as scripted.
#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "menus.h"
#include "screens.h"
#include "widgets.h"

namespace {

const char WORDS[] = "sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";
// "stew" saved goes in front of the first word not sorting before it.
const char WORDS_WITH_STEW[] = "sell\nstew\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";

const char *step_name = "start-up";
bool finished = false;

// The session must end by returning from main; exit() inside a screen means
// a window-close or a game that could not start, neither of which is scripted.
void check_finished()
{
    if (!finished) {
        fprintf(stderr, "session: the process ended inside step '%s'\n", step_name);
        _exit(1);
    }
}

void fail(const char *what)
{
    fprintf(stderr, "session: step '%s': %s\n", step_name, what);
    finished = true;
    exit(1);
}

void push(SDL_Event e)
{
    if (SDL_PushEvent(&e) != 0) fail("the event queue is full");
}

void push_keys(const char *keys)
{
    for (; *keys; ++keys) {
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = (SDLKey)(unsigned char)*keys;
        push(e);
    }
}

void push_key(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    push(e);
}

// A press and a release at the middle of the button with this place, size
// and caption.
void push_click(int x, int y, int fontsize, const char *caption)
{
    Box b = box_geometry(x, y, fontsize, (int)strlen(caption));
    for (Uint8 type : {(Uint8)SDL_MOUSEBUTTONDOWN, (Uint8)SDL_MOUSEBUTTONUP}) {
        SDL_Event e = {};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = (Uint16)((b.left + b.right) / 2);
        e.button.y = (Uint16)((b.top + b.bottom) / 2);
        push(e);
    }
}

void push_end_screen_back() { push_click(20, 420, 40, "Back"); }

// Every step reads exactly the events queued for it.
void expect_queue_empty()
{
    SDL_Event e;
    SDL_PumpEvents();
    if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) != 0)
        fail("an event was left unread");
}

void expect_menu_choice(int lang, SDL_Surface *screen, SDL_Event *ev, int want)
{
    if (mainmenu(lang, screen, ev) != want) fail("the main menu gave another choice");
}

std::string file_text(const char *name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void copy_file(const char *from, const char *to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    if (!in || !out) fail("cannot copy the font");
}

}  // namespace

int main()
{
    atexit(check_finished);
    // A screen waiting for an event that never comes would wait for ever.
    alarm(600);

    char tmpl[] = "/tmp/hangman-session-XXXXXX";
    const std::string dir = mkdtemp(tmpl) ? tmpl : "";
    if (dir.empty() || chdir(dir.c_str()) != 0) fail("cannot make a folder");
    copy_file(HANGMAN_FONT_PATH, "Inconsolata.otf");
    std::ofstream("angol.txt", std::ios::binary) << WORDS;

    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
    SDL_Surface *screen = SDL_SetVideoMode(800, 480, 32, SDL_SWSURFACE);
    if (!screen) fail("no video surface");
    SDL_Event ev;
    int lang = HUNGARIAN;

    step_name = "choose English, candidates shown";
    push_key(SDLK_KP_PLUS);
    push_click(40, 250, 70, "English");
    if (languageselect(&lang, screen, &ev) != ENGLISH || lang != ENGLISH || cheat != 1)
        fail("English with the candidate display was not chosen");
    expect_queue_empty();

    step_name = "a won game";
    push_click(40, 50, 70, "Play game");
    expect_menu_choice(lang, screen, &ev, 1);
    push_keys("elstb");
    push_end_screen_back();
    jatek_sdl(screen, &ev, "angol.txt", lang);
    expect_queue_empty();

    step_name = "a lost game";
    push_click(40, 50, 70, "Play game");
    expect_menu_choice(lang, screen, &ev, 1);
    push_keys("acdfghijko");
    push_end_screen_back();
    jatek_sdl(screen, &ev, "angol.txt", lang);
    expect_queue_empty();

    step_name = "a word added";
    push_click(40, 150, 70, "Add your own word");
    expect_menu_choice(lang, screen, &ev, 2);
    push_keys("stew");
    push_click(40, 260, 70, "Save");
    szo_hozzaad(lang, screen, &ev);
    expect_queue_empty();
    if (file_text("angol.txt") != WORDS_WITH_STEW) fail("the word file does not hold the new word");

    step_name = "the add-word screen left by Back";
    push_click(40, 150, 70, "Add your own word");
    expect_menu_choice(lang, screen, &ev, 2);
    push_keys("xq");
    push_click(40, 360, 70, "Back");
    szo_hozzaad(lang, screen, &ev);
    expect_queue_empty();
    if (file_text("angol.txt") != WORDS_WITH_STEW) fail("Back changed the word file");

    step_name = "exit";
    push_click(40, 350, 70, "Exit");
    expect_menu_choice(lang, screen, &ev, 4);
    SDL_Quit();

    if (chdir("/") != 0) fail("cannot leave the folder");
    std::filesystem::remove_all(dir);
    finished = true;
    return 0;
}

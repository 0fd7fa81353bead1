// One whole session of the game, scripted, for running under Valgrind's
// memcheck: English chosen (with the candidate display on), a won game, a
// lost game, a word added, the add-word screen left by Back, then Exit. Each
// screen is called as the game's dispatch loop calls it, after the events it
// is to read have been queued. Exit status 0 when every step went as
// scripted; a step that leaves an event unread or ends the process fails.
#include <SDL.h>
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

// All of four letters: "elstb" wins (the engine's worked example), and
// "acdfghijko", letters none of them holds, loses.
const char WORDS[] = "sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";
// "stew" saved goes in front of the first word not sorting before it.
const char WORDS_WITH_STEW[] = "sell\nstew\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";

const char *step_name = "start-up";
bool finished = false;
SDL_Surface *screen = nullptr;
SDL_Event ev;
int lang = HUNGARIAN;

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

void push_key(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    push(e);
}

void push_keys(const char *keys)
{
    for (; *keys; ++keys) push_key((SDLKey)(unsigned char)*keys);
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

// Every step must read exactly the events queued for it.
void next_step(const char *name)
{
    SDL_Event e;
    SDL_PumpEvents();
    if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) != 0) fail("an event was left unread");
    step_name = name;
}

// Chooses the main menu's item with this caption at (40, y).
void choose(int y, const char *caption, int want)
{
    push_click(40, y, 70, caption);
    if (mainmenu(lang, screen, &ev) != want) fail("the main menu gave another choice");
}

void play(const char *keys)
{
    choose(50, "Play game", 1);
    push_keys(keys);
    push_click(20, 420, 40, "Back");
    jatek_sdl(screen, &ev, "angol.txt", lang);
}

// Types keys on the add-word screen and leaves it by the button at (40, y).
void add_word(const char *keys, int y, const char *button)
{
    choose(150, "Add your own word", 2);
    push_keys(keys);
    push_click(40, y, 70, button);
    szo_hozzaad(lang, screen, &ev);
    std::ifstream in("angol.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str() != WORDS_WITH_STEW) fail("the word file is not as it should be");
}

}  // namespace

int main()
{
    // exit() inside a screen means a window-close or a game that could not
    // start, neither of which is scripted.
    atexit([] {
        if (finished) return;
        fprintf(stderr, "session: the process ended inside step '%s'\n", step_name);
        _exit(1);
    });
    // A screen waiting for an event that never comes would wait for ever.
    alarm(600);

    char dir[] = "/tmp/hangman-session-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) fail("cannot make a folder");
    std::error_code err;
    std::filesystem::copy_file(HANGMAN_FONT_PATH, "Inconsolata.otf", err);
    if (err) fail("cannot copy the font");
    std::ofstream("angol.txt", std::ios::binary) << WORDS;

    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
    screen = SDL_SetVideoMode(800, 480, 32, SDL_SWSURFACE);
    if (!screen) fail("no video surface");

    next_step("choose English, candidates shown");
    push_key(SDLK_KP_PLUS);
    push_click(40, 250, 70, "English");
    if (languageselect(&lang, screen, &ev) != ENGLISH || lang != ENGLISH || cheat != 1)
        fail("English with the candidate display was not chosen");
    next_step("a won game");
    play("elstb");
    next_step("a lost game");
    play("acdfghijko");
    next_step("a word added");
    add_word("stew", 260, "Save");
    next_step("the add-word screen left by Back");
    add_word("xq", 360, "Back");
    next_step("exit");
    choose(350, "Exit", 4);
    next_step("shut-down");
    SDL_Quit();

    if (chdir("/") != 0) fail("cannot leave the folder");
    std::filesystem::remove_all(dir);
    finished = true;
    return 0;
}

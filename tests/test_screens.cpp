// The menus, the game and the add-word screen, run in-process on queued events.
// A screen is compared whole with one drawn here from the widgets, whose own
// pixels test_widgets checks.
#include <functional>
#include <memory>

#include "fixture.h"
#include "menus.h"
#include "screens.h"
#include "widgets.h"

// Every flip of the screens passes here, so a test can see each frame shown,
// and act while a screen is open.
using Frame = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface *)>;
static std::vector<Frame> frames;
static std::function<void()> on_flip;
extern "C" int SDL_Flip(SDL_Surface *screen)
{
    frames.emplace_back(copy_of(screen), SDL_FreeSurface);
    if (on_flip) on_flip();
    return reinterpret_cast<int (*)(SDL_Surface *)>(dlsym(RTLD_NEXT, "SDL_Flip"))(screen);
}

// A screen that ends the process where it should return must not pass as a
// test program that exits 0.
static bool returning = false;
static const int cheat_at_start = cheat;
[[maybe_unused]] static const int exit_guard = atexit([] {
    if (returning) _exit(99);
});

namespace {

const Uint8 DOWN = SDL_MOUSEBUTTONDOWN, UP = SDL_MOUSEBUTTONUP, KEY = SDL_KEYDOWN;
const int SAVE_Y = 300, BACK_Y = 400;  // inside the add-word buttons, at x 100
using Captions = std::vector<const char *>;
const Captions MENU[] = {{"Jatek inditasa", "Sajat szo hozzaadasa", "Nyelvvalasztas", "Kilepes"},
                         {"Play game", "Add your own word", "Choose language", "Exit"}};

struct Screens : testing::Test {
    TempDir dir;
    SDL_Surface *screen = open_test_screen(), *expected = copy_of(screen);
    SDL_Event ev;
    Screens() { frames.clear(), on_flip = nullptr, cheat = 0, returning = true; }
    // Every event the test queued was read: keys, mouse buttons and quit.
    // SDL queues some of its own, which are dropped: focus, exposure and
    // motion, and under SDL 2's SDL 1.2 interface a few at every start.
    ~Screens()
    {
        returning = false;
        int left = 0;
        for (SDL_Event e; SDL_PollEvent(&e);)
            left += e.type == KEY || e.type == DOWN || e.type == UP || e.type == SDL_QUIT;
        EXPECT_EQ(left, 0) << "events left unread";
        SDL_FreeSurface(expected);
    }
    // The pictures a screen must show, drawn on expected. Buttons of size 70
    // at x 40, 100 pixels apart; the marked one, counted from 1, pressed.
    SDL_Surface *buttons(int top, const Captions &captions, int marked = 0)
    {
        clear(expected);
        for (int i = 0; i < (int)captions.size(); ++i) {
            Button b = {40, top + 100 * i, i + 1 == marked, 70, ""};
            Button_draw(expected, (strcpy(b.text, captions[i]), b));
        }
        return expected;
    }
    SDL_Surface *add_word_screen(int lang, const char *typed, int marked)
    {
        buttons(260, lang == 2 ? Captions{"Save", "Back"} : Captions{"Mentes", "Vissza"}, marked);
        textdisplay(expected, 40, 120, 70, typed, 71, 113, 134, 255);
        return expected;
    }
    // The game's board, and the end screen over it.
    SDL_Surface *board(const char *tipp, const char *rossz, const char *jo, int hibak)
    {
        clear(expected), textdisplay(expected, 20, 90, 70, tipp, 71, 113, 134, 255);
        betuket_kiir_sdl(expected, rossz, jo);
        drawing(expected, 700, 365, hibak);
        return expected;
    }
    SDL_Surface *end(const char *line1, const char *line2, Colour c, const char *back, int pressed = 1)
    {
        textdisplay(expected, 20, 210, 70, line1, c.r, c.g, c.b, 100);
        textdisplay(expected, 20, 300, 70, line2, c.r, c.g, c.b, 100);
        Button b = {20, 420, pressed, 40, ""};
        Button_draw(expected, (strcpy(b.text, back), b));
        return expected;
    }
    bool won(const char *tipp, const char *rossz, const char *jo, int hibak)
    {
        board(tipp, rossz, jo, hibak);
        return same_pixels(screen, end("Congratulations,", "you won!", GOOD_COLOUR, "Back"));
    }
    // Plays keys against the words, then leaves on the end screen's back button.
    void play(const char *words, const char *keys, int lang = 2)
    {
        write_file(szofajl(lang), words), push_keys(keys), push_click(40, 440), frames.clear();
        jatek_sdl(screen, &ev, szofajl(lang), lang);
    }
};
struct ScreensDeathTest : Screens {
    ScreensDeathTest() { returning = false; }
};

}  // namespace

// A press marks its button, a release on no button clears every mark, and the
// release alone decides.
TEST_F(Screens, ChooserTakesTheLanguageTheReleaseIsOn)
{
    int lang = 0;
    const Captions captions = {"Magyar", "English"};
    push(DOWN, 100, 190), push(UP, 600, 50), push(DOWN, 100, 190), push(UP, 100, 290);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(lang, 2);
    EXPECT_TRUE(same_pixels(frames.at(0).get(), buttons(150, captions))) << "at the start";
    EXPECT_TRUE(same_pixels(frames.at(2).get(), buttons(150, captions))) << "after the release outside";
    EXPECT_TRUE(same_pixels(screen, buttons(150, captions, 1))) << "Magyar, marked by the press";
}

// The candidates are off at the start; only the keypad's plus and minus
// switch them.
TEST_F(Screens, KeypadPlusAndMinusOnTheChooserSwitchTheCandidates)
{
    int lang = 0;
    EXPECT_EQ(cheat_at_start, 0);
    push(KEY, SDLK_KP_PLUS), push(KEY, SDLK_MINUS), push_click(100, 290), languageselect(&lang, screen, &ev);
    EXPECT_EQ(cheat, 1) << "after keypad plus, then minus";
    push(KEY, SDLK_KP_MINUS), push_click(100, 290), languageselect(&lang, screen, &ev);
    EXPECT_EQ(cheat, 0) << "after keypad minus";
}

// Any language code but 2 shows the Hungarian captions.
TEST_F(Screens, MainMenuTakesTheEntryReleasedOnInItsLanguage)
{
    const int langs[] = {2, 1, 0, 7};
    for (int entry = 1; entry <= 4; ++entry) {
        push_click(60, 100 * entry - 10);
        EXPECT_EQ(mainmenu(langs[entry - 1], screen, &ev), entry);
        EXPECT_TRUE(same_pixels(screen, buttons(50, MENU[langs[entry - 1] == 2], entry)))
            << "entry " << entry;
    }
}

// Key y guesses the absent z, a digit and a repeat count nothing, key z
// guesses y and wins.
TEST_F(Screens, GameTakesKeysYAndZExchangedAndRepeatsForNothing)
{
    play("yyy\n", "y1yz");
    EXPECT_TRUE(won("yyy", "z", "y", 1));
}

// The first candidates hold each word once; a game that went on would be
// lost. The keys after the win go to the end screen, which ignores them.
TEST_F(Screens, GameCanBeWonOnAWordStandingTwice)
{
    play("apple\napple\n", "aplebcdfghijkm");
    EXPECT_TRUE(won("apple", "", "aple", 0));
}

// After 'a' no word left has a later letter; the word said is the first
// candidate left, in the file's order.
TEST_F(Screens, GameIsLostAtTheTenthWrongLetter)
{
    play("cat\ndog\ncow\npig\n", "abefhjklmn", 1);
    board("___", "abefhjklmn", "", 10);
    EXPECT_TRUE(same_pixels(screen, end("Vesztettel, a szavam:", "dog", WRONG_COLOUR, "Vissza")));
}

TEST_F(Screens, GameShowsTheCandidatesAloneAtTheStartOfEveryTurn)
{
    cheat = 1, play("yyy\n", "yyz");
    EXPECT_TRUE(won("yyy", "z", "y", 1)) << "no candidates at the end";
    clear(expected);
    for (int i = 1; i <= 8; ++i) textdisplay(expected, 20, 50 * i + 105, 70, "yyy", 35, 56, 67, 0);
    for (int turn : {0, 1, 2})
        EXPECT_TRUE(same_pixels(frames.at(2 * turn).get(), expected)) << "turn " << turn;
}

// Pressed on Back and released elsewhere, it stays, unmarked; closing the
// window leaves it for the menu.
TEST_F(Screens, GameEndScreenStaysUntilBackIsReleasedOnOrTheWindowCloses)
{
    write_file("magyar.txt", "yyy\n");
    push_keys("z"), push(DOWN, 40, 440), push(UP, 400, 300), push(SDL_QUIT);
    jatek_sdl(screen, &ev, "magyar.txt", 1);
    board("yyy", "", "y", 0);
    EXPECT_TRUE(same_pixels(screen, end("Gratulalok,", "nyertel", GOOD_COLOUR, "Vissza", 0)));
}

// Of 3 to 20 letters, and each length that occurs in turn over a few seeds.
TEST_F(Screens, GameDrawsOnlyLengthsThatOccur)
{
    int twenties = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        srand(seed), play("abcdefghijklmnopqrst\nfox\nabcdefghijklmnopqrstu\n", "foxabcdeghijklmnpqrstu");
        const bool twenty = won("abcdefghijklmnopqrst", "x", "foabcdeghijklmnpqrst", 1);
        EXPECT_TRUE(twenty || won("fox", "", "fox", 0)) << "seed " << seed;
        twenties += twenty;
    }
    EXPECT_GT(twenties, 0) << "20 letters never drawn";
    EXPECT_LT(twenties, 12) << "3 letters never drawn";
}

// Only letters, y and z exchanged, 20 at most; backspace takes one back.
TEST_F(Screens, AddWordSavesTheWordTypedInSortedPlace)
{
    const char *cases[][2] = {{"k1 \r\x7fy", "alma\nkorte\nkz\n"},
                              {"bcdefghijklmnopqrstuvw\bx", "alma\nbcdefghijklmnopqrstx\nkorte\n"},
                              {"\b\bab\bc", "ac\nalma\nkorte\n"}};
    for (const auto &c : cases) {
        write_file("magyar.txt", "alma\nkorte\n");
        push(KEY, SDLK_KP_ENTER), push_keys(c[0]), push_click(100, SAVE_Y), szo_hozzaad(1, screen, &ev);
        EXPECT_EQ(read_file("magyar.txt"), c[1]) << "typed " << testing::PrintToString(c[0]);
    }
}

// Any language code but 2 shows the Hungarian captions. The line shows,
// empty, from the start, and is drawn anew at each key.
TEST_F(Screens, AddWordShowsTheLineTypedUnderCaptionsInItsLanguage)
{
    for (int lang : {1, 2, 3}) {
        frames.clear(), push_keys("fig\b"), push_click(100, SAVE_Y), szo_hozzaad(lang, screen, &ev);
        EXPECT_TRUE(same_pixels(frames.at(1).get(), add_word_screen(lang, "", 0)))
            << "at the start, " << lang;
        EXPECT_TRUE(same_pixels(screen, add_word_screen(lang, "fi", 1))) << "at the end, " << lang;
    }
}

// Without the word typed, as the file is at the release: a word another writer
// added while the screen was open stays.
TEST_F(Screens, AddWordBackWritesTheFileBackAsItIsAtTheRelease)
{
    write_file("angol.txt", "Apple\npear\n");
    on_flip = [] {  // at the first key, when the screen has long been open
        if (frames.size() == 3) std::ofstream("angol.txt", std::ios::app) << "kiwi\n";
    };
    push_keys("fig"), push_click(100, BACK_Y), szo_hozzaad(2, screen, &ev);
    EXPECT_EQ(read_file("angol.txt"), "apple\npear\nkiwi\n");
}

// A save that fails leaves the file as it was and says so under the buttons
// until the next click or key: not at a press alone, nor at events SDL queues
// of its own.
TEST_F(Screens, AddWordSaysAFailedSaveUntilTheNextClickOrKey)
{
    write_file("angol.txt", "apple\npear\n"), fault = {"read", 6};
    push_keys("fig"), push_click(100, SAVE_Y), push(DOWN, 400, 100), push(SDL_ACTIVEEVENT), push(KEY, SDLK_a);
    szo_hozzaad(2, screen, &ev), fault = {};
    EXPECT_EQ(read_file("angol.txt"), "apple\npear\n");
    add_word_screen(2, "fig", 1);
    textdisplay(expected, 20, 444, 22, "Could not save: angol.txt (Input/output error)", 200, 80, 134, 255);
    EXPECT_TRUE(same_pixels(screen, expected));
}

// Focus, exposure and motion, which SDL queues by itself, act on no screen.
TEST_F(Screens, EventsOfSdlsOwnChangeNothing)
{
    auto own = [] {
        for (Uint8 t : {SDL_ACTIVEEVENT, SDL_MOUSEMOTION, SDL_VIDEOEXPOSE}) push(t, 100, 290);
    };
    int lang = 0;
    own(), push(DOWN, 100, 190), own(), push(UP, 100, 290);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    own(), push_click(60, 190);
    EXPECT_EQ(mainmenu(2, screen, &ev), 2);
    write_file("angol.txt", "yyy\n");
    own(), push(KEY, 'z'), own(), push_click(40, 440), jatek_sdl(screen, &ev, "angol.txt", 2);
    EXPECT_TRUE(won("yyy", "", "y", 0));
    own(), push_keys("fig"), own(), push_click(100, SAVE_Y), szo_hozzaad(2, screen, &ev);
    EXPECT_EQ(read_file("angol.txt"), "fig\nyyy\n");
}

// While a screen waits for the player (the main menu shares the chooser's loop);
// the add-word screen then writes nothing. The end screen is left instead.
TEST_F(ScreensDeathTest, ClosingTheWindowExitsWith0)
{
    int lang = 0;
    const auto status_0 = testing::ExitedWithCode(0);
    write_file("angol.txt", "abc\n");
    EXPECT_EXIT((push(SDL_QUIT), languageselect(&lang, screen, &ev)), status_0, "");
    EXPECT_EXIT((push_keys("x"), push(SDL_QUIT), jatek_sdl(screen, &ev, "angol.txt", 2)), status_0, "");
    EXPECT_EXIT((push_keys("abc"), push(SDL_QUIT), szo_hozzaad(2, screen, &ev)), status_0, "");
    EXPECT_EQ(read_file("angol.txt"), "abc\n");
}

// An empty file, or words of 1, 2 or 25 letters only.
TEST_F(ScreensDeathTest, GameWithoutAWordOf3To20LettersExitsWith2)
{
    for (const char *words : {"", "ab\nc\nab\n", "a\nab\nabcdefghijklmnopqrstuvwxy\n"}) {
        write_file("angol.txt", words);
        EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "") << words;
    }
}

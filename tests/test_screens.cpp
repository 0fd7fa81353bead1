// The menus, the game and the add-word screen, run in-process on queued events.
#include <dlfcn.h>

#include <cstring>
#include <functional>
#include <memory>
#include <tuple>

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
[[maybe_unused]] static const int exit_guard = atexit([] {
    if (returning) _exit(99);
});

namespace {

const int MENU_Y[] = {90, 190, 290, 390};  // inside menu rows 1 to 4, at x 60
const int SAVE_Y = 300, BACK_Y = 400;      // inside the add-word buttons, at x 100

struct Screens : testing::Test {
    TempDir dir;
    SDL_Surface *screen = open_test_screen();
    SDL_Event ev;
    Screens() { frames.clear(), on_flip = nullptr, cheat = 0, returning = true; }
    ~Screens()
    {
        returning = false;
        EXPECT_EQ(queued_left(), 0) << "events left unread";
    }
    // The events a test queues (keys, mouse buttons, quit) that no screen
    // read. SDL queues some of its own, which are dropped: focus, exposure
    // and motion, and under SDL 2's SDL 1.2 interface a few at every start.
    static int queued_left()
    {
        int left = 0;
        for (SDL_Event e; SDL_PollEvent(&e);)
            left += e.type == SDL_KEYDOWN || e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP ||
                    e.type == SDL_QUIT;
        return left;
    }
    // Where what is drawn on row y over the background ends.
    int right_edge(int y)
    {
        int x = 799;
        while (x >= 0 && pixel(screen, x, y) == rgb(BACKGROUND_COLOUR)) --x;
        return x;
    }
    // Plays keys against the words, then leaves on the end screen's back button.
    void play(const char *words, const char *keys, int lang = 2)
    {
        write_file(szofajl(lang), words);
        push_keys(keys), push_click(40, 440), frames.clear();
        jatek_sdl(screen, &ev, szofajl(lang), lang);
    }
    // A board as the game must draw it, and an end screen over it.
    Frame board(const char *tipp, const char *rossz, const char *jo, int hibak)
    {
        Frame f(copy_of(screen), SDL_FreeSurface);
        clear(f.get());
        textdisplay(f.get(), 20, 90, 70, tipp, 71, 113, 134, 255);
        betuket_kiir_sdl(f.get(), rossz, jo);
        drawing(f.get(), 700, 365, hibak);
        return f;
    }
    bool shows_end(Frame b, const char *line1, const char *line2, Colour c, const char *back, int pressed = 1)
    {
        textdisplay(b.get(), 20, 210, 70, line1, c.r, c.g, c.b, 100);
        textdisplay(b.get(), 20, 300, 70, line2, c.r, c.g, c.b, 100);
        Button btn = {20, 420, pressed, 40, ""};
        Button_draw(b.get(), (strcpy(btn.text, back), btn));
        return same_pixels(screen, b.get());
    }
    bool won(const char *tipp, const char *rossz, const char *jo, int hibak, int pressed = 1)
    {
        return shows_end(board(tipp, rossz, jo, hibak), "Congratulations,", "you won!", GOOD_COLOUR, "Back",
                         pressed);
    }
    void add_word(int lang, const char *keys)
    {
        push_keys(keys), push_click(100, SAVE_Y), szo_hozzaad(lang, screen, &ev);
    }
};
struct ScreensDeathTest : Screens {
    ScreensDeathTest() { returning = false; }
};

}  // namespace

// A press marks, the release decides, a release on no button clears the
// marks; the keypad switches the candidates on the chooser only.
TEST_F(Screens, MenusPressMarksReleaseDecidesKeypadSwitches)
{
    int lang = 0;
    push(SDL_MOUSEBUTTONDOWN, 100, 190), push(SDL_MOUSEBUTTONUP, 600, 50);
    push(SDL_KEYDOWN, SDLK_KP_PLUS), push(SDL_MOUSEBUTTONUP, 100, 290);
    EXPECT_EQ(std::make_tuple(languageselect(&lang, screen, &ev), lang, cheat), std::make_tuple(2, 2, 1));
    EXPECT_EQ(pixel(screen, 35, 200), rgb(FACE_COLOUR));
    EXPECT_EQ(std::make_pair(right_edge(151), right_edge(251)), std::make_pair(257, 293));
    push(SDL_MOUSEBUTTONDOWN, 100, 190), push(SDL_KEYDOWN, SDLK_MINUS), push(SDL_MOUSEBUTTONUP, 100, 290);
    EXPECT_EQ(std::make_pair(languageselect(&lang, screen, &ev), cheat), std::make_pair(2, 1));
    EXPECT_EQ(pixel(screen, 35, 200), rgb(PRESSED_FACE_COLOUR));
    push(SDL_KEYDOWN, SDLK_KP_MINUS), push_click(100, 190);
    EXPECT_EQ(std::make_tuple(languageselect(&lang, screen, &ev), lang, cheat), std::make_tuple(1, 1, 0));

    const char *captions[][4] = {{"Jatek inditasa", "Sajat szo hozzaadasa", "Nyelvvalasztas", "Kilepes"},
                                 {"Play game", "Add your own word", "Choose language", "Exit"}};
    const int codes[] = {2, 1, 0, 7};
    for (int entry = 1; entry <= 4; ++entry) {
        push(SDL_KEYDOWN, SDLK_KP_PLUS), push_click(60, MENU_Y[entry - 1]);
        ASSERT_EQ(std::make_pair(mainmenu(codes[entry - 1], screen, &ev), cheat), std::make_pair(entry, 0));
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(
                right_edge(51 + 100 * row),
                box_geometry(40, 50 + 100 * row, 70, strlen(captions[codes[entry - 1] == 2][row])).right);
    }
}

TEST_F(Screens, WorkedExampleWonAndTenthWrongLetterLostInHungarian)
{
    // The letters after the win are keys on the end screen, which ignores them.
    play("sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n", "elstbacdfghijkm");
    ASSERT_GE(frames.size(), 5u);
    EXPECT_TRUE(same_pixels(frames[0].get(), board("____", "", "", 0).get()));
    EXPECT_TRUE(same_pixels(frames[3].get(), board("_el_", "s", "el", 1).get()));
    EXPECT_TRUE(same_pixels(frames[4].get(), board("_ell", "st", "el", 2).get()));
    EXPECT_TRUE(won("bell", "st", "elb", 2));
    play("cat\ndog\ncow\npig\n", "abefhjklmn", 1);  // after 'a' no word left has a later letter
    EXPECT_TRUE(shows_end(board("___", "abefhjklmn", "", 10), "Vesztettel, a szavam:", "dog", WRONG_COLOUR,
                          "Vissza"));
}

// Key y guesses the absent z, a repeat and a digit change nothing, key z wins;
// the candidates show alone first on every turn, never on the end screen.
// Pressed on back and released outside, the end screen stays, unmarked.
TEST_F(Screens, ExchangedKeysRepeatsCandidatesAndTheEndScreen)
{
    cheat = 1;
    push(SDL_KEYDOWN, SDLK_1), push_keys("yyz");
    push(SDL_MOUSEBUTTONDOWN, 40, 440), push(SDL_MOUSEBUTTONUP, 400, 300), push(SDL_QUIT);
    write_file("angol.txt", "yyy\n");
    jatek_sdl(screen, &ev, "angol.txt", 2);
    EXPECT_TRUE(won("yyy", "z", "y", 1, 0));
    clear(screen);
    for (int i = 1; i <= 8; ++i) textdisplay(screen, 20, 50 * i + 105, 70, "yyy", 35, 56, 67, 0);
    EXPECT_TRUE(same_pixels(frames[0].get(), screen) && same_pixels(frames[4].get(), screen));
}

// A length that no word has is never drawn, nor one over 20 letters.
TEST_F(Screens, AWordStandingTwiceCanBeWonAndOnlyLengthsThatOccurAreDrawn)
{
    play("apple\napple\n", "aplebcdfghijkm");  // a game that went on would be lost
    EXPECT_TRUE(won("apple", "", "aple", 0));
    int twenties = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        srand(seed);
        play("abcdefghijklmnopqrst\nfox\nabcdefghijklmnopqrstu\n", "foxabcdeghijklmnpqrst");
        const bool twenty = won("abcdefghijklmnopqrst", "x", "foabcdeghijklmnpqrst", 1);
        EXPECT_TRUE(twenty || won("fox", "", "fox", 0)) << seed;
        twenties += twenty;
    }
    EXPECT_TRUE(twenties > 0 && twenties < 6);
}

// Save puts the typed word in sorted place: y and z exchanged, 20 letters at
// most, only letters. Back writes too; a press on Save released elsewhere
// saves nothing. The captions and the file follow the language code; the line
// is drawn from the start, empty, and the screen cleared at each key.
TEST_F(Screens, AddWordTypingSaveBackAndLanguages)
{
    const char *cases[][2] = {{"yz", "alma\nkorte\nzy\n"},
                              {"bcdefghijklmnopqrstuvw\bx", "alma\nbcdefghijklmnopqrstx\nkorte\n"},
                              {"\b\bab\bc", "ac\nalma\nkorte\n"},
                              {"k1 \r\x7fo", "alma\nko\nkorte\n"},
                              {"korte", "alma\nkorte\nkorte\n"},
                              {"", "\nalma\nkorte\n"}};
    for (const auto &c : cases) {
        write_file("magyar.txt", "alma\nkorte\n");
        push(SDL_KEYDOWN, SDLK_KP_ENTER), add_word(1, c[0]);
        EXPECT_EQ(read_file("magyar.txt"), c[1]) << c[0];
    }
    write_file("magyar.txt", "Alma korte\n"), frames.clear();
    push_keys("szilva"), push(SDL_MOUSEBUTTONDOWN, 100, SAVE_Y), push(SDL_MOUSEBUTTONUP, 600, 50);
    push(SDL_MOUSEBUTTONDOWN, 100, SAVE_Y), push(SDL_MOUSEBUTTONUP, 100, BACK_Y);
    szo_hozzaad(1, screen, &ev);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
    EXPECT_EQ(pixel(screen, 35, 330), rgb(PRESSED_FACE_COLOUR));  // marked by the second press only
    EXPECT_EQ(std::make_pair(pixel(frames[1].get(), 40, 160), pixel(frames[1].get(), 70, 122)),
              std::make_pair(rgb(FACE_COLOUR), rgb(BACKGROUND_COLOUR)));
    for (int code : {1, 2, 3}) {
        write_file("magyar.txt", "alma\n"), write_file("angol.txt", "apple\n");
        add_word(code, "fig\b");
        EXPECT_EQ(read_file("magyar.txt") + read_file("angol.txt"),
                  code == 1 ? "alma\nfi\napple\n" : "alma\napple\nfi\n");
        const int right =
            box_geometry(40, 260, 70, code == 2 ? 4 : 6).right;  // "Save" and "Back", or the Hungarian
        EXPECT_EQ(std::make_tuple(right_edge(121), right_edge(261), right_edge(361)),
                  std::make_tuple(box_geometry(40, 120, 70, 2).right, right, right))
            << code;
    }
    remove("angol.txt"), add_word(2, "fig");
    EXPECT_EQ(read_file("angol.txt"), "fig\n");
}

// The file is read at the release, as it is then: a word another writer
// added while the screen was open stays. A save that fails (a read error, the
// player's own read-only file) leaves the file as it was, names it on stderr,
// and says so in the window in the language, until the next click or key: a
// press alone does not end it, nor do events SDL queues of its own. A save
// that works shows nothing more.
TEST_F(Screens, AddWordWritesTheFileAsItIsAtTheReleaseAndSaysAFailure)
{
    const std::string before = "apple\npear\nplum\n";
    const struct {
        Fault fault;
        bool appended;
        int y, lang;
        std::string after;
        const char *message;
    } cases[] = {
        {{"read", 6}, false, SAVE_Y, 2, before, "Could not save: angol.txt (Input/output error)"},
        {{"read-only"}, false, BACK_Y, 1, before, "Nem sikerult menteni: magyar.txt (Permission denied)"},
        {{}, true, SAVE_Y, 2, "apple\nfig\npear\nplum\nkiwi\n", nullptr},
        {{}, true, BACK_Y, 2, before + "kiwi\n", nullptr}};
    for (const auto &c : cases) {
        const char *file = szofajl(c.lang);
        write_file(file, before), frames.clear();
        if (c.fault.call == "read-only") chmod(file, 0444);
        on_flip = [&] {  // at the first key, when the screen has long been open
            if (c.appended && frames.size() == 3) std::ofstream(file, std::ios::app) << "kiwi\n";
        };
        fault = c.fault;
        testing::internal::CaptureStderr();
        push_keys("fig"), push_click(100, c.y);
        if (c.message) push(SDL_MOUSEBUTTONDOWN, 400, 100), push(SDL_ACTIVEEVENT), push(SDL_KEYDOWN, SDLK_a);
        szo_hozzaad(c.lang, screen, &ev);
        const std::string said = testing::internal::GetCapturedStderr();
        fault = {};
        EXPECT_EQ(read_file(file), c.after) << c.lang;
        const bool named = said.find(std::string(": ") + file + " (") != std::string::npos;
        EXPECT_EQ(named, c.message != nullptr) << said;
        // The frame at the press on the button, and over it the message, if any.
        Frame expected(copy_of(frames[frames.size() - (c.message ? 2 : 1)].get()), SDL_FreeSurface);
        if (c.message) textdisplay(expected.get(), 20, 444, 22, c.message, 200, 80, 134, 255);
        EXPECT_TRUE(same_pixels(frames.back().get(), expected.get())) << c.lang;
        EXPECT_EQ(pixel(frames.back().get(), 30, 455), rgb(c.message ? FACE_COLOUR : BACKGROUND_COLOUR));
        chmod(file, 0644);
    }
}

// Every screen ignores the events SDL queues by itself.
TEST_F(Screens, EventsOfSdlsOwnChangeNothing)
{
    auto own = [] {
        for (Uint8 type : {SDL_ACTIVEEVENT, SDL_MOUSEMOTION, SDL_VIDEOEXPOSE}) push(type, 100, 290);
    };
    int lang = 0;
    own(), push(SDL_MOUSEBUTTONDOWN, 100, 190), own(), push(SDL_MOUSEBUTTONUP, 100, 290);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    own(), push_click(60, MENU_Y[1]);
    EXPECT_EQ(mainmenu(2, screen, &ev), 2);
    const std::string words = "sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";
    write_file("angol.txt", words);
    for (char key : std::string("elstb")) own(), push(SDL_KEYDOWN, key);
    own(), push_click(40, 440), jatek_sdl(screen, &ev, "angol.txt", 2);
    EXPECT_TRUE(won("bell", "st", "elb", 2, 1));
    own(), push_keys("fig"), own(), push_click(100, SAVE_Y), szo_hozzaad(2, screen, &ev);
    EXPECT_EQ(read_file("angol.txt"), "fig\n" + words);
}

TEST_F(ScreensDeathTest, ExitStatuses)
{
    int lang = 0;
    EXPECT_EXIT((push(SDL_QUIT), languageselect(&lang, screen, &ev)), testing::ExitedWithCode(0), "");
    EXPECT_EXIT((push(SDL_MOUSEBUTTONDOWN, 60, 90), push(SDL_QUIT), mainmenu(1, screen, &ev)),
                testing::ExitedWithCode(0), "");
    for (const char *words :
         {"ab\nc\nab\n", "", "a\nab\nabcdefghijklmnopqrstuvwxy\n", "x-ray", (const char *)nullptr}) {
        remove("angol.txt");
        if (words) write_file("angol.txt", words);
        EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "")
            << (words ? words : "no file");
    }
    write_file("angol.txt", "abc\n");
    EXPECT_EXIT((push_keys("x"), push(SDL_QUIT), jatek_sdl(screen, &ev, "angol.txt", 2)),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT((push_keys("abc"), push(SDL_MOUSEBUTTONDOWN, 100, SAVE_Y), push(SDL_QUIT),
                 szo_hozzaad(2, screen, &ev)),
                testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file("angol.txt"), "abc\n");
}

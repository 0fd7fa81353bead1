// Whole games played in-process on the headless screen: the keys are queued
// before the game starts, and every game ends with a click on the back button
// of its end screen.
#include <dlfcn.h>

#include <cstring>
#include <memory>

#include "screens.h"
#include "test_util.h"
#include "widgets.h"

// Every flip of the code under test passes through here, so that a test can
// look at the frames a game showed before its end screen.
using Surface = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface *)>;
static std::vector<Surface> *recorded_frames = nullptr;

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    using Flip = int (*)(SDL_Surface *);
    static const Flip real_flip = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    if (recorded_frames)
        recorded_frames->emplace_back(SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE),
                                      SDL_FreeSurface);
    return real_flip(screen);
}

// A game that ends the process where it should have returned must not pass
// as a test program that exits 0.
static bool playing = false;
static const int exit_guard = atexit([] {
    if (!playing) return;
    fputs("the game ended the process instead of returning\n", stderr);
    _exit(99);
});

// Pixels of colour c in the rows y0 to y1 - 1.
static int count_colour(SDL_Surface *s, Colour c, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < s->w; ++x) n += pixel(s, x, y) == rgb_of(c);
    return n;
}

// Both are software surfaces of the screen's format, which need no lock.
static bool same_pixels(SDL_Surface *a, SDL_Surface *b)
{
    for (int y = 0; y < a->h; ++y)
        if (memcmp((Uint8 *)a->pixels + y * a->pitch, (Uint8 *)b->pixels + y * b->pitch, a->w * 4))
            return false;
    return true;
}

// What the board should show, drawn independently of the game.
struct Board {
    const char *tipp, *rossz_betuk, *jo_betuk;
    int hibak;
};

// The end screen's message lines, their colour and the back button's caption.
struct Result {
    const char *line1, *line2;
    Colour colour;
    const char *back;
};

class Game : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = open_test_screen();
        ASSERT_NE(screen, nullptr);
        drain_events();
    }
    void TearDown() override
    {
        drain_events();
        cheat = 0;
    }

    // Plays the queued script against the word file, recording every frame;
    // the script must be used up when the game returns.
    void run(const char *filenev, int lang = 2)
    {
        frames.clear();
        recorded_frames = &frames;
        playing = true;
        jatek_sdl(screen, &ev, filenev, lang);
        playing = false;
        recorded_frames = nullptr;
        EXPECT_EQ(SDL_PollEvent(nullptr), 0) << "the game left scripted events unread";
    }

    // Writes words as the word file of lang, queues the keys and a click on
    // the back button after any events already queued, and plays.
    void play(const char *words, const char *keys, int lang = 2)
    {
        const char *filenev = lang == 1 ? "magyar.txt" : "angol.txt";
        write_file(filenev, words);
        push_keys(keys);
        push_click(40, 440);
        run(filenev, lang);
    }

    Surface expected_turn(const Board &b) const
    {
        const SDL_PixelFormat *f = screen->format;
        Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, 32, f->Rmask, f->Gmask,
                                       f->Bmask, f->Amask),
                  SDL_FreeSurface);
        clear(s.get());
        textdisplay(s.get(), 20, 90, 70, b.tipp, INK_COLOUR.r, INK_COLOUR.g, INK_COLOUR.b, 255);
        betuket_kiir_sdl(s.get(), b.rossz_betuk, b.jo_betuk);
        drawing(s.get(), 700, 365, b.hibak);
        return s;
    }

    // The end screen, its back button pressed or not.
    Surface expected_end(const Board &b, const Result &r, int pressed = 1) const
    {
        Surface s = expected_turn(b);
        textdisplay(s.get(), 20, 210, 70, r.line1, r.colour.r, r.colour.g, r.colour.b, 100);
        textdisplay(s.get(), 20, 300, 70, r.line2, r.colour.r, r.colour.g, r.colour.b, 100);
        Button back = {20, 420, pressed, 40, ""};
        strcpy(back.text, r.back);
        Button_draw(s.get(), back);
        return s;
    }

    bool shows_end(const Board &b, const Result &r) const
    {
        return same_pixels(screen, expected_end(b, r).get());
    }

    SDL_Surface *screen = nullptr;
    SDL_Event ev;
    std::vector<Surface> frames;
    TempDir dir;
};
using GameDeathTest = Game;

static const Result WON = {"Congratulations,", "you won!", GOOD_COLOUR, "Back"};

TEST_F(Game, WorkedExampleIsWonWithTwoErrors)
{
    // The letters after 'b' are all wrong: the end screen must ignore them.
    play("sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n", "elstbacdfghijkm");
    // One frame per turn: the board before 'b' shows the single candidate's
    // fill and the second error.
    ASSERT_GE(frames.size(), 5u);
    EXPECT_TRUE(same_pixels(frames[3].get(), expected_turn({"_el_", "s", "el", 1}).get()));
    EXPECT_TRUE(same_pixels(frames[4].get(), expected_turn({"_ell", "st", "el", 2}).get()));
    EXPECT_TRUE(shows_end({"bell", "st", "elb", 2}, WON));
}

TEST_F(Game, LossShowsFirstRemainingCandidateInHungarian)
{
    // 'a' leaves dog, cow and pig; nine more letters none of them has.
    play("cat\ndog\ncow\npig\n", "abefhjklmn", 1);
    const Result lost = {"Vesztettel, a szavam:", "dog", WRONG_COLOUR, "Vissza"};
    EXPECT_TRUE(shows_end({"___", "abefhjklmn", "", 10}, lost));
}

TEST_F(Game, RefusedNonLetterAndExchangedKeys)
{
    push_keys("xx");
    push_key(SDLK_1);
    push_key(SDLK_RETURN);
    push_click(300, 300);
    play("abc\n", "aaxbc");
    EXPECT_TRUE(shows_end({"abc", "x", "abc", 1}, WON));

    // 'y' guesses the absent 'z', then 'z' guesses 'y' and wins at once.
    play("yyy\n", "yz");
    EXPECT_TRUE(shows_end({"yyy", "z", "y", 1}, WON));
}

TEST_F(Game, CandidatesShownWhileGuessingOnlyWithCheat)
{
    for (int on : {0, 1}) {
        SCOPED_TRACE(on ? "cheat on" : "cheat off");
        cheat = on;
        play("cat\ncow\n", "caow");
        int turns = 0;
        for (const Surface &f : frames) {
            const bool end_screen = count_colour(f.get(), GOOD_COLOUR, 210, 290) > 0;
            turns += !end_screen;
            EXPECT_EQ(count_colour(f.get(), CANDIDATE_COLOUR, 170, 480) > 0, on && !end_screen);
        }
        EXPECT_GE(turns, 4);
        EXPECT_EQ(count_colour(screen, CANDIDATE_COLOUR, 170, 480), 0);
        EXPECT_GT(count_colour(screen, GOOD_COLOUR, 210, 290), 0);
    }
}

TEST_F(Game, EndScreenLeavesOnlyOnBackReleaseAndReturnsWhenClosed)
{
    push_keys("abc");
    push_mouse(SDL_MOUSEBUTTONDOWN, 40, 440);
    push_mouse(SDL_MOUSEBUTTONUP, 400, 300);
    play("abc\n", "xq");
    // From the first end screen on, each change once: drawn, pressed, released
    // outside, pressed and released on; the keys change nothing ('?').
    const Surface up = expected_end({"abc", "", "abc", 0}, WON, 0);
    const Surface down = expected_end({"abc", "", "abc", 0}, WON, 1);
    std::string faces;
    for (const Surface &f : frames) {
        char face = same_pixels(f.get(), up.get())     ? 'u'
                    : same_pixels(f.get(), down.get()) ? 'd'
                                                       : '?';
        if ((face != '?' || !faces.empty()) && (faces.empty() || faces.back() != face))
            faces += face;
    }
    EXPECT_EQ(faces, "udud");

    write_file("angol.txt", "abc\n");
    push_keys("abc");
    push_quit();
    run("angol.txt");
    EXPECT_TRUE(same_pixels(screen, up.get()));
}

TEST_F(Game, WordStandingTwiceCanBeWon)
{
    // Ten wrong letters follow, so that a game that goes on is lost rather
    // than left waiting.
    play("apple\napple\n", "aplebcdfghijkm");
    EXPECT_TRUE(shows_end({"apple", "", "aple", 0}, WON));
}

TEST_F(Game, DrawsOnlyLengthsThatSomeWordHas)
{
    // No 4-letter word: a draw of 4 would start without a candidate. Too long
    // a word never takes part.
    int cats = 0, horses = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        srand(seed);
        play("cat\nhorse\nabcdefghijklmnopqrstuvwxy\n", "cathorse");
        cats += shows_end({"cat", "", "cat", 0}, WON);
        horses += shows_end({"horse", "cat", "horse", 3}, WON);
        EXPECT_EQ(cats + horses, (int)seed) << "seed " << seed;
    }
    EXPECT_GT(cats, 0);
    EXPECT_GT(horses, 0);
}

TEST_F(GameDeathTest, UnplayableWordFileExits2AndClosingWhileGuessingExits0)
{
    // No word over two letters, an empty file, none of 3 to 20 letters, and
    // no file at all.
    for (const char *words : std::initializer_list<const char *>{
             "ab\nc\nab\n", "", "a\nab\nabcdefghijklmnopqrstuvwxy\n", nullptr}) {
        SCOPED_TRACE(words ? words : "no file");
        remove("angol.txt");
        if (words) write_file("angol.txt", words);
        EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "");
    }
    write_file("angol.txt", "abc\n");
    push_keys("x");
    push_click(40, 440);
    push_quit();
    push_keys("abc");
    EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(0), "");
}

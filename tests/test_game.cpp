// Whole games played in-process on the headless screen: the keys are queued
// before the game starts, and every game ends with a click on the back button
// of its end screen.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "screens.h"
#include "test_util.h"
#include "widgets.h"

// Every flip of the code under test passes through here, so that a test can
// look at the frames a game showed before its end screen.
static std::vector<SDL_Surface *> *recorded_frames = nullptr;

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    using Flip = int (*)(SDL_Surface *);
    static const Flip real_flip = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    if (recorded_frames)
        recorded_frames->push_back(SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE));
    return real_flip(screen);
}

// A game that ends the process where it should have returned must not pass
// as a test program that exits 0.
static bool playing = false;
static void fail_if_playing()
{
    if (!playing) return;
    static const char message[] = "the game ended the process instead of returning\n";
    if (write(2, message, sizeof message - 1) < 0) _exit(98);
    _exit(99);
}
static const int exit_guard = atexit(fail_if_playing);

using Surface = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface *)>;

static Rgb rgb(Colour c) { return {c.r, c.g, c.b}; }

// Pixels of colour c in the rows y0 to y1 - 1.
static int count_colour(SDL_Surface *s, Colour c, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < s->w; ++x) n += pixel(s, x, y) == rgb(c);
    return n;
}

static int differing_pixels(SDL_Surface *a, SDL_Surface *b)
{
    int n = 0;
    SDL_LockSurface(a);
    SDL_LockSurface(b);
    for (int y = 0; y < a->h; ++y) {
        const Uint32 *ra = (const Uint32 *)((const Uint8 *)a->pixels + y * a->pitch);
        const Uint32 *rb = (const Uint32 *)((const Uint8 *)b->pixels + y * b->pitch);
        for (int x = 0; x < a->w; ++x) n += ra[x] != rb[x];
    }
    SDL_UnlockSurface(b);
    SDL_UnlockSurface(a);
    return n;
}

// Ink on the 2-pixel line through (x, y), whichever side of it the line lies.
static bool ink_near(SDL_Surface *s, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (pixel(s, x + dx, y + dy) == rgb(INK_COLOUR)) return true;
    return false;
}

// The gallows elements of stages 1 to 3, at the game's reference point.
static bool ground_drawn(SDL_Surface *s) { return ink_near(s, 745, 465); }
static bool upright_drawn(SDL_Surface *s) { return ink_near(s, 720, 420); }
static bool beam_drawn(SDL_Surface *s) { return ink_near(s, 742, 375); }

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
        free_frames();
        cheat = 0;
    }

    void free_frames()
    {
        for (SDL_Surface *f : frames) SDL_FreeSurface(f);
        frames.clear();
    }

    // Plays the queued script against the word file, recording every frame;
    // the script must be used up when the game returns.
    void run(const char *filenev, int lang)
    {
        free_frames();
        recorded_frames = &frames;
        playing = true;
        jatek_sdl(screen, &ev, filenev, lang);
        playing = false;
        recorded_frames = nullptr;
        EXPECT_EQ(SDL_PollEvent(nullptr), 0) << "the game left scripted events unread";
    }

    // Writes words as the word file of lang, queues the keys and a click on
    // the back button, and plays.
    void play(const char *words, const char *keys, int lang = 2)
    {
        const char *filenev = lang == 1 ? "magyar.txt" : "angol.txt";
        write_file(filenev, words);
        push_keys(keys);
        push_click(40, 440);
        run(filenev, lang);
    }

    Surface blank() const
    {
        const SDL_PixelFormat *f = screen->format;
        return Surface(SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, 32, f->Rmask,
                                            f->Gmask, f->Bmask, f->Amask),
                       SDL_FreeSurface);
    }

    Surface expected_turn(const Board &b) const
    {
        Surface s = blank();
        clear(s.get());
        textdisplay(s.get(), 20, 90, 70, b.tipp, INK_COLOUR.r, INK_COLOUR.g, INK_COLOUR.b, 255);
        betuket_kiir_sdl(s.get(), b.rossz_betuk, b.jo_betuk);
        drawing(s.get(), 700, 365, b.hibak);
        return s;
    }

    // The end screen as it stands once the back button was released on.
    Surface expected_end(const Board &b, const Result &r) const
    {
        Surface s = expected_turn(b);
        textdisplay(s.get(), 20, 210, 70, r.line1, r.colour.r, r.colour.g, r.colour.b, 100);
        textdisplay(s.get(), 20, 300, 70, r.line2, r.colour.r, r.colour.g, r.colour.b, 100);
        Button back = {20, 420, 1, 40, ""};
        strcpy(back.text, r.back);
        Button_draw(s.get(), back);
        return s;
    }

    SDL_Surface *screen = nullptr;
    SDL_Event ev;
    std::vector<SDL_Surface *> frames;
    TempDir dir;
};
using GameDeathTest = Game;

static const Result WON = {"Congratulations,", "you won!", GOOD_COLOUR, "Back"};
static const char WORKED_EXAMPLE[] = "sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";

TEST_F(Game, WorkedExampleIsWonWithTwoErrors)
{
    // Ten letters that 'bell' lacks follow: the end screen ignores them, and a
    // game that went on would be lost rather than left waiting.
    play(WORKED_EXAMPLE, "elstbacdfghijkm");
    // One frame per turn: the board before 'b' shows the single candidate's
    // fill and the second error.
    ASSERT_GE(frames.size(), 5u);
    EXPECT_EQ(differing_pixels(frames[3], expected_turn({"_el_", "s", "el", 1}).get()), 0);
    EXPECT_EQ(differing_pixels(frames[4], expected_turn({"_ell", "st", "el", 2}).get()), 0);
    EXPECT_FALSE(upright_drawn(frames[3]));
    EXPECT_TRUE(upright_drawn(frames[4]));

    EXPECT_TRUE(ground_drawn(screen));
    EXPECT_TRUE(upright_drawn(screen));
    EXPECT_FALSE(beam_drawn(screen));
    EXPECT_GT(count_colour(screen, GOOD_COLOUR, 210, 380), 0);
    EXPECT_EQ(count_colour(screen, WRONG_COLOUR, 210, 380), 0);
    EXPECT_EQ(differing_pixels(screen, expected_end({"bell", "st", "elb", 2}, WON).get()), 0);
}

TEST_F(Game, LossShowsFirstRemainingCandidateInHungarian)
{
    // 'a' leaves dog, cow and pig; nine more letters none of them has.
    play("cat\ndog\ncow\npig\n", "abefhjklmn", 1);
    EXPECT_GT(count_colour(screen, WRONG_COLOUR, 210, 380), 0);
    EXPECT_EQ(count_colour(screen, GOOD_COLOUR, 210, 380), 0);
    Result lost = {"Vesztettel, a szavam:", "dog", WRONG_COLOUR, "Vissza"};
    EXPECT_EQ(differing_pixels(screen, expected_end({"___", "abefhjklmn", "", 10}, lost).get()), 0);
}

TEST_F(Game, RefusedAndNonLetterKeysChangeNothing)
{
    write_file("angol.txt", "abc\n");
    push_keys("xx");
    push_key(SDLK_1);
    push_key(SDLK_RETURN);
    push_click(300, 300);
    push_keys("aaxbc");
    push_click(40, 440);
    run("angol.txt", 2);
    EXPECT_TRUE(ground_drawn(screen));
    EXPECT_FALSE(upright_drawn(screen));
    EXPECT_EQ(differing_pixels(screen, expected_end({"abc", "x", "abc", 1}, WON).get()), 0);
}

TEST_F(Game, YAndZKeysAreExchanged)
{
    // 'y' guesses the absent 'z', then 'z' guesses 'y' and wins at once.
    play("yyy\n", "yz");
    EXPECT_EQ(differing_pixels(screen, expected_end({"yyy", "z", "y", 1}, WON).get()), 0);
}

TEST_F(Game, CandidatesShownWhileGuessingOnlyWithCheat)
{
    const auto shows_candidates = [](SDL_Surface *f) {
        return count_colour(f, CANDIDATE_COLOUR, 170, 480) > 0;
    };
    const auto shows_result = [](SDL_Surface *f) {
        return count_colour(f, GOOD_COLOUR, 210, 290) > 0;
    };
    play("cat\ncow\n", "caow");
    for (SDL_Surface *f : frames) EXPECT_FALSE(shows_candidates(f));

    cheat = 1;
    play("cat\ncow\n", "caow");
    int turn_frames = 0;
    for (SDL_Surface *f : frames) {
        bool end_screen = shows_result(f);
        turn_frames += !end_screen;
        EXPECT_NE(shows_candidates(f), end_screen);
    }
    EXPECT_GE(turn_frames, 4);
    EXPECT_TRUE(shows_result(screen));
    EXPECT_FALSE(shows_candidates(screen));
}

TEST_F(Game, EndScreenLeavesOnlyOnBackRelease)
{
    write_file("angol.txt", "abc\n");
    push_keys("abc");
    push_mouse(SDL_MOUSEBUTTONDOWN, 40, 440);
    push_mouse(SDL_MOUSEBUTTONUP, 400, 300);
    push_keys("xq");
    push_click(40, 440);
    run("angol.txt", 2);

    // The face of the back button through the end screen's frames, each
    // change once: drawn, pressed, released outside, pressed and released on.
    std::vector<Rgb> faces;
    std::vector<SDL_Surface *> normal;
    for (SDL_Surface *f : frames) {
        Rgb face = pixel(f, 17, 440);
        if (face != rgb(FACE_COLOUR) && face != rgb(PRESSED_FACE_COLOUR)) continue;
        if (face == rgb(FACE_COLOUR)) normal.push_back(f);
        if (faces.empty() || faces.back() != face) faces.push_back(face);
    }
    std::vector<Rgb> expected = {rgb(FACE_COLOUR), rgb(PRESSED_FACE_COLOUR), rgb(FACE_COLOUR),
                                 rgb(PRESSED_FACE_COLOUR)};
    EXPECT_EQ(faces, expected);
    // Neither the release outside nor the keys changed anything drawn.
    ASSERT_FALSE(normal.empty());
    EXPECT_EQ(differing_pixels(normal.front(), normal.back()), 0);
    EXPECT_EQ(differing_pixels(screen, expected_end({"abc", "", "abc", 0}, WON).get()), 0);
}

TEST_F(Game, ClosingTheEndScreenReturns)
{
    write_file("angol.txt", "abc\n");
    push_keys("abc");
    push_quit();
    run("angol.txt", 2);
    EXPECT_EQ(pixel(screen, 17, 440), rgb(FACE_COLOUR));
    EXPECT_GT(count_colour(screen, GOOD_COLOUR, 210, 380), 0);
}

TEST_F(Game, WordStandingTwiceCanBeWon)
{
    // Ten wrong letters follow, so that a game that goes on is lost rather
    // than left waiting.
    play("apple\napple\n", "aplebcdfghijkm");
    EXPECT_EQ(differing_pixels(screen, expected_end({"apple", "", "aple", 0}, WON).get()), 0);
}

TEST_F(Game, DrawsOnlyLengthsThatSomeWordHas)
{
    // No 4-letter word: a draw of 4 would start without a candidate. Too long
    // a word never takes part.
    const char words[] = "cat\nhorse\nabcdefghijklmnopqrstuvwxy\n";
    Surface cat = expected_end({"cat", "", "cat", 0}, WON);
    Surface horse = expected_end({"horse", "cat", "horse", 3}, WON);
    int cats = 0, horses = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        srand(seed);
        play(words, "cathorse");
        cats += differing_pixels(screen, cat.get()) == 0;
        horses += differing_pixels(screen, horse.get()) == 0;
        EXPECT_EQ(cats + horses, (int)seed) << "seed " << seed;
    }
    EXPECT_GT(cats, 0);
    EXPECT_GT(horses, 0);
}

TEST_F(GameDeathTest, NoWordOverTwoLettersExits2)
{
    write_file("angol.txt", "ab\nc\nab\n");
    EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "");
    write_file("magyar.txt", "");
    EXPECT_EXIT(jatek_sdl(screen, &ev, "magyar.txt", 1), testing::ExitedWithCode(2), "");
}

TEST_F(GameDeathTest, MissingFileExits2)
{
    EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "");
}

TEST_F(GameDeathTest, NoWordOfAPlayableLengthExits2)
{
    write_file("angol.txt", "a\nab\nabcdefghijklmnopqrstuvwxy\n");
    EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(2), "");
}

TEST_F(GameDeathTest, ClosingWhileGuessingExits0)
{
    write_file("angol.txt", "abc\n");
    push_keys("x");
    push_click(40, 440);
    push_quit();
    push_keys("abc");
    EXPECT_EXIT(jatek_sdl(screen, &ev, "angol.txt", 2), testing::ExitedWithCode(0), "");
}

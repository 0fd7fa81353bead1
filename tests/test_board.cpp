// The game board pictures: the gallows stages, the letter board and the
// candidate display, drawn on a headless 32-bit screen.
#include "widgets.h"
#include "test_util.h"

#include <string>
#include <vector>

namespace {

class Board : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = open_test_screen();
        ASSERT_NE(screen, nullptr);
        clear(screen);
    }
    bool is(int x, int y, Colour c) { return pixel(screen, x, y) == rgb_of(c); }

    TempDir dir;
    SDL_Surface *screen = nullptr;
};

// ---- Gallows -------------------------------------------------------------------

// One element of the picture drawn at (700, 365): the stage that adds it, the
// rectangle it must stay in, and points of it (away from its neighbours).
struct Element {
    int stage;
    int left, top, right, bottom;
    std::vector<std::pair<int, int>> on;
};
const Element ELEMENTS[] = {
    {1, 705, 465, 785, 465, {{705, 465}, {745, 465}, {785, 465}}},  // ground
    {2, 720, 375, 720, 465, {{720, 380}, {720, 420}, {720, 460}}},  // upright
    {3, 720, 375, 765, 375, {{725, 375}, {742, 375}, {760, 375}}},  // cross-beam
    {4, 765, 375, 765, 390, {{765, 382}, {765, 388}}},              // rope
    {5, 756, 391, 774, 409, {{765, 391}, {765, 392}, {765, 393}, {756, 400}, {774, 400}, {765, 409}}},  // head
    {6, 765, 410, 765, 435, {{765, 413}, {765, 422}, {765, 432}}},  // body
    {7, 755, 435, 765, 445, {{760, 440}, {755, 445}}},              // leg
    {8, 765, 435, 775, 445, {{770, 440}, {775, 445}}},              // leg
    {9, 765, 415, 775, 420, {{769, 418}, {771, 417}, {773, 416}}},  // arm
    {10, 755, 415, 765, 420, {{761, 418}, {757, 416}, {755, 415}}}, // arm
};

class Gallows : public Board {
protected:
    // Stage n: every element up to n is there, none after it, and the rest of
    // the screen keeps the background (a 2-pixel line may spill one pixel).
    void expect_stage(int n)
    {
        SCOPED_TRACE("stage " + std::to_string(n));
        clear(screen);
        drawing(screen, 700, 365, n);
        for (const Element &e : ELEMENTS)
            for (auto p : e.on) {
                bool due = n >= 0 && e.stage <= n && n <= 10;
                EXPECT_EQ(is(p.first, p.second, INK_COLOUR), due)
                    << "element of stage " << e.stage << " at " << p.first << "," << p.second;
            }
        int stray = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 800; ++x)
                if (!is(x, y, BACKGROUND_COLOUR) && !within_drawn(n, x, y)) ++stray;
        EXPECT_EQ(stray, 0);
    }

    static bool within_drawn(int n, int x, int y)
    {
        for (const Element &e : ELEMENTS)
            if (e.stage <= n && n <= 10 && e.left - 1 <= x && x <= e.right + 1 && e.top - 1 <= y &&
                y <= e.bottom + 1)
                return true;
        return false;
    }
};

TEST_F(Gallows, StagesDrawExactlyTheirElements)
{
    for (int n : {0, 1, 5, 10}) expect_stage(n);
}

TEST_F(Gallows, CountsOutOfRangeDrawNothing)
{
    for (int n : {11, -1, 1000, -2147483647 - 1}) expect_stage(n);
}

TEST_F(Gallows, HeadIsAHollowRing)
{
    drawing(screen, 700, 365, 5);
    for (int r : {7, 8, 9}) EXPECT_TRUE(is(765, 400 - r, INK_COLOUR)) << r;
    EXPECT_TRUE(is(765, 400 - 6, BACKGROUND_COLOUR));
    EXPECT_TRUE(is(765, 400, BACKGROUND_COLOUR));
}

// ---- Letter board ----------------------------------------------------------------

class LetterBoard : public Board {
protected:
    struct Counts {
        int ink = 0, wrong = 0, good = 0;
    };

    // The colours inside the column of letter (0 for 'a'), away from its
    // neighbours' anti-aliased edges.
    Counts column(int letter)
    {
        TestFont f(60);
        int minx, maxx, miny, maxy, advance;
        TTF_GlyphMetrics(f.font, 'a', &minx, &maxx, &miny, &maxy, &advance);
        Counts c;
        for (int y = 10; y < 10 + TTF_FontHeight(f.font); ++y)
            for (int x = 10 + letter * advance + 1; x < 10 + (letter + 1) * advance - 1; ++x) {
                c.ink += is(x, y, INK_COLOUR);
                c.wrong += is(x, y, WRONG_COLOUR);
                c.good += is(x, y, GOOD_COLOUR);
            }
        return c;
    }

    // Every column shows its letter in ink but the listed ones, which show
    // theirs in colour and no ink at all.
    void expect_columns(const std::string &wrong, const std::string &good)
    {
        for (int i = 0; i < 26; ++i) {
            char letter = (char)('a' + i);
            SCOPED_TRACE(std::string("column ") + letter);
            Counts c = column(i);
            bool is_good = good.find(letter) != std::string::npos;
            bool is_wrong = !is_good && wrong.find(letter) != std::string::npos;
            EXPECT_EQ(c.ink > 0, !is_good && !is_wrong);
            EXPECT_EQ(c.wrong > 0, is_wrong);
            EXPECT_EQ(c.good > 0, is_good);
        }
    }
};

TEST_F(LetterBoard, GuessedLettersOverTheirOwnColumns)
{
    betuket_kiir_sdl(screen, "qx", "ea");
    expect_columns("qx", "ae");
}

TEST_F(LetterBoard, LetterBothWrongAndGoodEndsGood)
{
    betuket_kiir_sdl(screen, "kb", "k");
    expect_columns("b", "k");
}

TEST_F(LetterBoard, NothingGuessedShowsTheAlphabetAlone)
{
    betuket_kiir_sdl(screen, "", "");
    std::vector<Rgb> board = screen_pixels(screen);
    clear(screen);
    const Colour ink = INK_COLOUR;
    textdisplay(screen, 10, 10, 60, "abcdefghijklmnopqrstuvwxyz", ink.r, ink.g, ink.b, 0);
    EXPECT_TRUE(board == screen_pixels(screen));
    expect_columns("", "");
}

TEST_F(LetterBoard, BytesThatAreNoLettersChangeNothing)
{
    betuket_kiir_sdl(screen, "", "");
    std::vector<Rgb> plain = screen_pixels(screen);
    clear(screen);
    betuket_kiir_sdl(screen, "A1 {`\xc3\xa9", "Z_\x7f\xff@[");
    EXPECT_TRUE(plain == screen_pixels(screen));
}

// ---- Candidate display -------------------------------------------------------------

// The rows [50 * i + 105, 50 * i + 155) of row i, the first row's band included.
std::vector<Rgb> band(const std::vector<Rgb> &frame, int i)
{
    auto from = frame.begin() + (50 * i + 105) * 800;
    return std::vector<Rgb>(from, from + 50 * 800);
}

TEST_F(Board, CandidatesCycleOverAShortList)
{
    Lista *lis = list_of({"alma", "korte", "szilva"});
    cheatdisp(screen, lis);
    std::vector<Rgb> frame = screen_pixels(screen);

    // Each row's letters reach into the next band, so a band matches another
    // when its own row and the one above match: rows 2..3 and 5..6.
    EXPECT_TRUE(band(frame, 2) == band(frame, 5));
    EXPECT_TRUE(band(frame, 3) == band(frame, 6));
    EXPECT_FALSE(band(frame, 2) == band(frame, 3));

    // The first row is the list's head, alone at (20, 155).
    clear(screen);
    const Colour c = CANDIDATE_COLOUR;
    textdisplay(screen, 20, 155, 70, "alma", c.r, c.g, c.b, 0);
    EXPECT_TRUE(band(frame, 1) == band(screen_pixels(screen), 1));

    // Nothing above the first row; the seventh shows in part at the bottom.
    for (int i = 0; i < 155 * 800; ++i) ASSERT_EQ(frame[i], rgb_of(BACKGROUND_COLOUR)) << i;
    int seventh = 0;
    for (int i = 460 * 800; i < 480 * 800; ++i) seventh += frame[i] == rgb_of(CANDIDATE_COLOUR);
    EXPECT_GT(seventh, 0);
    Lista_felszab(lis);
}

TEST_F(Board, OneCandidateFillsEveryVisibleRow)
{
    Lista *lis = list_of({"hangman"});
    cheatdisp(screen, lis);
    std::vector<Rgb> frame = screen_pixels(screen);
    for (int i = 3; i <= 6; ++i) EXPECT_TRUE(band(frame, 2) == band(frame, i)) << i;
    Lista_felszab(lis);
}

TEST_F(Board, NoCandidatesDrawNothing)
{
    std::vector<Rgb> before = screen_pixels(screen);
    cheatdisp(screen, nullptr);
    EXPECT_TRUE(before == screen_pixels(screen));
}

}  // namespace

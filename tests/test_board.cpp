// The game board pictures: the gallows stages, the letter board and the
// candidate display, drawn on a headless 32-bit screen.
#include "widgets.h"
#include "test_util.h"

#include <algorithm>
#include <climits>
#include <cstring>
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

// One element of the gallows drawn at (700, 365): the stage that adds it, the
// rectangle it must stay in, and points of it away from its neighbours.
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

bool due(const Element &e, int n) { return n >= 0 && e.stage <= n && n <= 10; }

// Inside the rectangle of an element drawn at stage n; a 2-pixel line may
// spill one pixel.
bool within_drawn(int n, int x, int y)
{
    for (const Element &e : ELEMENTS)
        if (due(e, n) && e.left - 1 <= x && x <= e.right + 1 && e.top - 1 <= y && y <= e.bottom + 1)
            return true;
    return false;
}

TEST_F(Board, GallowsStagesDrawExactlyTheirElements)
{
    for (int n : {0, 1, 5, 10, 11, -1, 1000, INT_MIN}) {
        SCOPED_TRACE("stage " + std::to_string(n));
        clear(screen);
        drawing(screen, 700, 365, n);
        for (const Element &e : ELEMENTS)
            for (auto p : e.on)
                EXPECT_EQ(is(p.first, p.second, INK_COLOUR), due(e, n))
                    << "element of stage " << e.stage << " at " << p.first << "," << p.second;
        int stray = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 800; ++x) stray += !is(x, y, BACKGROUND_COLOUR) && !within_drawn(n, x, y);
        EXPECT_EQ(stray, 0);
    }
    // The head is a hollow ring.
    clear(screen);
    drawing(screen, 700, 365, 5);
    for (int r : {7, 8, 9}) EXPECT_TRUE(is(765, 400 - r, INK_COLOUR)) << r;
    EXPECT_TRUE(is(765, 400 - 6, BACKGROUND_COLOUR));
    EXPECT_TRUE(is(765, 400, BACKGROUND_COLOUR));
}

// Every column of the letter board shows its letter in ink but the good and
// the wrong ones, which show theirs in colour and no ink; a letter both wrong
// and good ends good.
TEST_F(Board, LetterBoardColoursTheGuessedColumns)
{
    TestFont f(60);
    int minx, maxx, miny, maxy, advance;
    TTF_GlyphMetrics(f.font, 'a', &minx, &maxx, &miny, &maxy, &advance);
    const char *const cases[][2] = {{"qx", "ea"}, {"kb", "k"}, {"", ""}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("wrong ") + c[0] + ", good " + c[1]);
        clear(screen);
        betuket_kiir_sdl(screen, c[0], c[1]);
        for (int i = 0; i < 26; ++i) {
            const char letter = (char)('a' + i);
            const bool good = std::strchr(c[1], letter) != nullptr;
            const bool wrong = !good && std::strchr(c[0], letter) != nullptr;
            int ink = 0, wrongs = 0, goods = 0;
            // Inside the column, away from the neighbours' anti-aliased edges.
            for (int y = 10; y < 10 + TTF_FontHeight(f.font); ++y)
                for (int x = 10 + i * advance + 1; x < 10 + (i + 1) * advance - 1; ++x) {
                    ink += is(x, y, INK_COLOUR);
                    wrongs += is(x, y, WRONG_COLOUR);
                    goods += is(x, y, GOOD_COLOUR);
                }
            EXPECT_EQ(ink > 0, !good && !wrong) << letter;
            EXPECT_EQ(wrongs > 0, wrong) << letter;
            EXPECT_EQ(goods > 0, good) << letter;
        }
    }
}

TEST_F(Board, LetterBoardIgnoresBytesThatAreNoLetters)
{
    betuket_kiir_sdl(screen, "", "");
    std::vector<Rgb> plain = screen_pixels(screen);
    clear(screen);
    betuket_kiir_sdl(screen, "A1 {`\xc3\xa9", "Z_\x7f\xff@[");
    EXPECT_TRUE(plain == screen_pixels(screen));
}

// The rows [50 * i + 105, 50 * i + 155) of candidate row i.
std::vector<Rgb> band(const std::vector<Rgb> &frame, int i)
{
    auto from = frame.begin() + (50 * i + 105) * 800;
    return std::vector<Rgb>(from, from + 50 * 800);
}

TEST_F(Board, CandidatesCycleOverAShortList)
{
    Lista *lis = list_of({"alma", "korte", "szilva"});
    cheatdisp(screen, lis);
    Lista_felszab(lis);
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

    // One candidate fills every row; none draws nothing.
    clear(screen);
    lis = list_of({"hangman"});
    cheatdisp(screen, lis);
    Lista_felszab(lis);
    frame = screen_pixels(screen);
    for (int i = 3; i <= 6; ++i) EXPECT_TRUE(band(frame, 2) == band(frame, i)) << i;
    clear(screen);
    cheatdisp(screen, nullptr);
    frame = screen_pixels(screen);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), rgb_of(BACKGROUND_COLOUR)), 800 * 480);
}

}  // namespace

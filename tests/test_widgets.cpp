// Boxes, buttons, the hit test and the game board pictures, on a headless
// screen. Where a picture is compared whole, the expected one is drawn here
// from its places on the screen, with the drawing library or with textdisplay
// (whose boxes are checked first, against faces measured apart from the code).
#include <SDL_gfxPrimitives.h>

#include <utility>

#include "fixture.h"
#include "widgets.h"

namespace {

const Uint32 MARK = 0xfa00fa;  // a colour the game never draws

// Faces measured apart from the code, both corners included.
const std::pair<Button, Box> FACES[] = {
    {{40, 150, 0, 70, "Magyar"}, {33, 150, 257, 230}},
    {{40, 250, 1, 70, "English"}, {33, 250, 293, 330}},
    {{40, 150, 0, 70, "Sajat szo hozzaadasa"}, {33, 150, 751, 230}},
    {{20, 420, 0, 40, "Vissza"}, {16, 420, 144, 465}},
    {{40, 150, 0, 70, ""}, {33, 150, 45, 230}},
    {{-5, 150, 0, 70, ""}, {-12, 150, 0, 230}},                         // its right edge 0.89 truncated
    {{10, 10, 0, 60, "abcdefghijklmnopqrstuvwxyz"}, {4, 10, 801, 78}},  // past the screen's right edge
    {{10, 300, 0, 20, "Magyar"}, {8, 300, 72, 322}},  // the binary 1.15 lies below 1.15: not 323
};

struct Widgets : testing::Test {
    TempDir dir;
    SDL_Surface *screen = open_test_screen(), *expected = copy_of(screen);
    ~Widgets() { SDL_FreeSurface(expected); }
    static void paint(SDL_Surface *s, Uint32 c)
    {
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c >> 16, c >> 8 & 255, c & 255));
    }
    // The screen, for the code to draw on, and the expected picture, for the
    // test, start alike.
    void fill(Uint32 c) { paint(screen, c), paint(expected, c); }
};

}  // namespace

// The face in the colour of its mark, the caption in ink over it. The hit
// test is strict, so a face's outermost pixels miss.
TEST_F(Widgets, ButtonFaceAndHitAreaAreItsBox)
{
    for (const auto &[btn, face] : FACES) {
        const auto [l, t, r, b] = face;
        const Colour c = btn.clicked ? PRESSED_FACE_COLOUR : FACE_COLOUR;
        fill(MARK), Button_draw(screen, btn);
        boxRGBA(expected, l, t, r, b, c.r, c.g, c.b, 255);
        textdisplay(expected, btn.x, btn.y, btn.fontsize, btn.text, 71, 113, 134, 0);
        EXPECT_TRUE(same_pixels(screen, expected)) << "'" << btn.text << "'";
        const int at[][3] = {{l + 1, t + 1, 1}, {r - 1, b - 1, 1}, {l, t + 1, 0},
                             {r, t + 1, 0},     {l + 1, t, 0},     {l + 1, b, 0}};
        for (const auto &p : at) {
            SCOPED_TRACE(testing::Message() << "'" << btn.text << "' at " << p[0] << "," << p[1]);
            Button row[] = {btn, {-1, -1, -1, -1, "error"}};  // and the end row
            EXPECT_EQ(Button_click(row, p[0], p[1]), p[2]);
            EXPECT_EQ(row[0].clicked, p[2] ? 1 : btn.clicked) << "a miss leaves the mark as it was";
        }
    }
}

// Only the low 8 bits of the opacity count.
TEST_F(Widgets, TextWithoutTheFontIsItsBoxAlone)
{
    TempDir no_font(false);
    fill(MARK);
    EXPECT_EQ(textdisplay(screen, 40, 150, 70, "Hangman", 71, 113, 134, 256 + 255), 0);
    boxRGBA(expected, 33, 150, 293, 230, 17, 60, 81, 255);
    EXPECT_TRUE(same_pixels(screen, expected));
}

TEST_F(Widgets, ClearPaintsEveryPixel)
{
    fill(MARK), clear(screen), paint(expected, rgb(BACKGROUND_COLOUR));
    EXPECT_TRUE(same_pixels(screen, expected));
}

// Absolute places for the board's call at (700, 365): stage n draws stages n
// down to 1, the head (stage 5) as a ring of three circles about its centre.
TEST_F(Widgets, GallowsDrawsItsStagesAndNothingOutOfRange)
{
    const int lines[10][4] = {{705, 465, 785, 465}, {720, 465, 720, 375}, {720, 375, 765, 375},
                              {765, 375, 765, 390}, {765, 400},           {765, 410, 765, 435},
                              {765, 435, 755, 445}, {765, 435, 775, 445}, {765, 420, 775, 415},
                              {765, 420, 755, 415}};
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1}) {
        fill(rgb(BACKGROUND_COLOUR)), drawing(screen, 700, 365, n);
        for (int stage = (unsigned)n <= 10 ? n : 0; stage >= 1; --stage) {
            const int *l = lines[stage - 1];
            if (stage != 5) thickLineRGBA(expected, l[0], l[1], l[2], l[3], 2, 71, 113, 134, 255);
            for (int r = 9; stage == 5 && r >= 7; --r) circleRGBA(expected, l[0], l[1], r, 71, 113, 134, 255);
        }
        EXPECT_TRUE(same_pixels(screen, expected)) << "stage " << n;
    }
}

// The window's icon is the board's complete gallows, cut out square.
TEST_F(Widgets, WindowIconIsTheCompleteGallows)
{
    SDL_Surface *icon = window_icon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->w, 104);
    EXPECT_EQ(icon->h, 104);
    SDL_Rect at = {693, 368, 0, 0};
    fill(rgb(BACKGROUND_COLOUR)), drawing(screen, 700, 365, 10),
        SDL_BlitSurface(icon, nullptr, expected, &at);
    EXPECT_TRUE(same_pixels(screen, expected));
    SDL_FreeSurface(icon);
}

// The alphabet in ink, then the wrong and the good letters over their own
// columns; a letter in both ends good, bytes that are no letters count for nothing.
TEST_F(Widgets, LetterBoardColoursEachGuessedLetterInItsColumn)
{
    const char *cases[][2] = {{"qx", "ea"}, {"kb", "k"}, {"", ""}, {"A1 {\xc3\xa9", "Z_\x7f@["}};
    for (const auto &[rossz, jo] : cases) {
        std::string wrong(26, ' '), good(26, ' ');
        for (char l = 'a'; l <= 'z'; ++l) wrong[l - 'a'] = strchr(rossz, l) ? l : ' ';
        for (char l = 'a'; l <= 'z'; ++l) good[l - 'a'] = strchr(jo, l) ? l : ' ';
        fill(rgb(BACKGROUND_COLOUR)), betuket_kiir_sdl(screen, rossz, jo);
        textdisplay(expected, 10, 10, 60, "abcdefghijklmnopqrstuvwxyz", 71, 113, 134, 0);
        textdisplay(expected, 10, 10, 60, wrong.c_str(), 200, 80, 134, 0);
        textdisplay(expected, 10, 10, 60, good.c_str(), 71, 214, 134, 0);
        EXPECT_TRUE(same_pixels(screen, expected)) << "wrong '" << rossz << "', good '" << jo << "'";
    }
}

// Eight rows from the list, starting over at its head when it runs out.
TEST_F(Widgets, CandidatesFillEightRowsOverAndOver)
{
    for (const char *words : {"alma korte szilva", "hangman", ""}) {
        const Words w = W(words);
        Lista *lis = list_of(w);
        fill(rgb(BACKGROUND_COLOUR)), cheatdisp(screen, lis);
        for (size_t i = 1; lis && i <= 8; ++i)
            textdisplay(expected, 20, 50 * i + 105, 70, w[(i - 1) % w.size()].c_str(), 35, 56, 67, 0);
        EXPECT_TRUE(same_pixels(screen, expected)) << "'" << words << "'";
        Lista_felszab(lis);
    }
}

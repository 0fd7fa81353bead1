// Boxes, buttons, the hit test and the game board pictures, on a headless
// screen. Where a picture is compared whole, the expected one is drawn here
// from its places on the screen, with the drawing library or with textdisplay
// (whose own pixels are checked first).
#include <SDL_gfxPrimitives.h>

#include <cstring>
#include <tuple>

#include "fixture.h"
#include "widgets.h"

namespace {

const Uint32 MARK = 0xfa00fa;  // a colour the game never draws
const Button END_ROW = {-1, -1, -1, -1, "error"};

struct Widgets : testing::Test {
    TempDir dir;
    SDL_Surface *screen = open_test_screen(), *expected = copy_of(screen);
    ~Widgets() { SDL_FreeSurface(expected); }
    void fill(SDL_Surface *s, Uint32 c)
    {
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c >> 16, c >> 8 & 255, c & 255));
    }
    bool all(Uint32 c, std::initializer_list<std::pair<int, int>> points)
    {
        for (auto p : points)
            if (pixel(screen, p.first, p.second) != c) return false;
        return true;
    }
    // Draws with the code on the screen and with the test on the expected
    // picture, both filled with the background first.
    template <class Code, class Test>
    bool draws(Code code, Test test, Uint32 background = rgb(BACKGROUND_COLOUR))
    {
        fill(screen, background), fill(expected, background);
        code(screen), test(expected);
        return same_pixels(screen, expected);
    }
};

}  // namespace

// Faces measured apart from the code, both corners included; the hit test is
// strict, so a face's outermost pixels miss.
TEST_F(Widgets, FacesAndHitsShareOneBox)
{
    const struct {
        Button btn;
        Box f;
    } known[] = {
        {{40, 150, 0, 70, "Magyar"}, {33, 150, 257, 230}},
        {{40, 250, 0, 70, "English"}, {33, 250, 293, 330}},
        {{40, 150, 0, 70, "Sajat szo hozzaadasa"}, {33, 150, 751, 230}},
        {{20, 420, 0, 40, "Vissza"}, {16, 420, 144, 465}},
        {{40, 150, 0, 70, ""}, {33, 150, 45, 230}},
        {{10, 10, 0, 60, "abcdefghijklmnopqrstuvwxyz"}, {4, 10, 801, 78}},
        {{10, 300, 0, 20, "Magyar"}, {8, 300, 72, 322}},  // the binary 1.15 lies below 1.15: not 323
    };
    for (const auto &[btn, f] : known) {
        Button t[] = {btn, END_ROW};
        fill(screen, MARK);
        Button_draw(screen, btn);
        const int right = std::min(f.right, 799), face = rgb(FACE_COLOUR);
        EXPECT_TRUE(all(face, {{f.left, f.top}, {right, f.top}, {f.left, f.bottom}, {right, f.bottom}}))
            << btn.text;
        EXPECT_TRUE(
            all(MARK,
                {{f.left - 1, f.top}, {f.left, f.top - 1}, {f.left, f.bottom + 1}, {right + 1, f.bottom}}) ||
            right == 799)
            << btn.text;
        const int misses[][2] = {
            {f.left, f.top + 1}, {f.right, f.top + 1}, {f.left + 1, f.top}, {f.left + 1, f.bottom}};
        for (const auto &m : misses)
            EXPECT_EQ(Button_click(t, m[0], m[1]) + t[0].clicked, 0) << m[0] << "," << m[1];
        EXPECT_EQ(std::make_tuple(Button_click(t, f.left + 1, f.top + 1),
                                  Button_click(t, f.right - 1, f.bottom - 1), t[0].clicked),
                  std::make_tuple(1, 1, 1));
    }
    // A table ending at once hits nothing; a hit keeps other marks; overlapping, the earlier row wins.
    Button t[] = {
        END_ROW, {40, 150, 1, 70, "Magyar"}, {40, 250, 0, 70, "English"}, {40, 190, 0, 70, "Over"}, END_ROW};
    EXPECT_EQ(Button_click(t, 100, 200), 0);
    EXPECT_EQ(std::make_pair(Button_click(t + 1, 100, 300), Button_click(t + 1, 100, 220)),
              std::make_pair(2, 1));
    EXPECT_EQ(std::make_tuple(t[1].clicked, t[2].clicked, t[3].clicked), std::make_tuple(1, 1, 0));
}

// Only the low 8 bits of each colour int count: an opacity of 256 is none.
TEST_F(Widgets, TextOverItsBoxAndClear)
{
    for (int bga : {0, 255, 256})
        EXPECT_TRUE(draws(
            [&](SDL_Surface *s) {
                EXPECT_GT(textdisplay(s, 40, 150, 70, "Hangman", 71 + 256, 113, 134 - 512, bga), 200);
            },
            [&](SDL_Surface *s) {
                if (bga == 255) boxRGBA(s, 33, 150, 293, 230, 17, 60, 81, 255);
                textdisplay(s, 40, 150, 70, "Hangman", 71, 113, 134, 0);
            },
            MARK))
            << bga;
    TempDir no_font(false);
    EXPECT_EQ(textdisplay(screen, 40, 150, 70, "Hangman", 71, 113, 134, 255), 0);
    EXPECT_EQ(pixel(screen, 100, 200), rgb(FACE_COLOUR));
    fill(screen, MARK), fill(expected, rgb(BACKGROUND_COLOUR));
    clear(screen);
    EXPECT_TRUE(same_pixels(screen, expected));
}

TEST_F(Widgets, GallowsStages)
{
    const int lines[10][4] = {{705, 465, 785, 465},
                              {720, 465, 720, 375},
                              {720, 375, 765, 375},
                              {765, 375, 765, 390},
                              {},
                              {765, 410, 765, 435},
                              {765, 435, 755, 445},
                              {765, 435, 775, 445},
                              {765, 420, 775, 415},
                              {765, 420, 755, 415}};
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1})
        EXPECT_TRUE(draws([&](SDL_Surface *s) { drawing(s, 700, 365, n); },
                          [&](SDL_Surface *s) {
                              for (int stage = (unsigned)n <= 10 ? n : 0; stage >= 1; --stage) {
                                  const int *l = lines[stage - 1];
                                  if (stage != 5)
                                      thickLineRGBA(s, l[0], l[1], l[2], l[3], 2, 71, 113, 134, 255);
                                  for (int r = 9; stage == 5 && r >= 7; --r)
                                      circleRGBA(s, 765, 400, r, 71, 113, 134, 255);
                              }
                          }))
            << "stage " << n;
}

// The window's icon is the board's complete gallows, cut out square.
TEST_F(Widgets, WindowIconIsTheCompleteGallows)
{
    clear(screen), drawing(screen, 700, 365, 10);
    SDL_Surface *icon = window_icon();
    ASSERT_TRUE(icon && icon->w == 104 && icon->h == 104);
    int differ = 0;
    for (int y = 0; y < 104; ++y)
        for (int x = 0; x < 104; ++x) differ += pixel(icon, x, y) != pixel(screen, 693 + x, 368 + y);
    EXPECT_EQ(differ, 0);
    SDL_FreeSurface(icon);
}

// The alphabet in ink, then the wrong and the good letters over their own
// columns; a letter in both ends good, bytes that are no letters count for nothing.
TEST_F(Widgets, LetterBoard)
{
    const char *cases[][2] = {{"qx", "ea"}, {"kb", "k"}, {"", ""}, {"A1 {\xc3\xa9", "Z_\x7f@["}};
    for (const auto &c : cases) {
        std::string wrong(26, ' '), good(26, ' ');
        for (char l = 'a'; l <= 'z'; ++l) {
            if (strchr(c[0], l)) wrong[l - 'a'] = l;
            if (strchr(c[1], l)) good[l - 'a'] = l;
        }
        EXPECT_TRUE(draws([&](SDL_Surface *s) { betuket_kiir_sdl(s, c[0], c[1]); },
                          [&](SDL_Surface *s) {
                              textdisplay(s, 10, 10, 60, "abcdefghijklmnopqrstuvwxyz", 71, 113, 134, 0);
                              textdisplay(s, 10, 10, 60, wrong.c_str(), 200, 80, 134, 0);
                              textdisplay(s, 10, 10, 60, good.c_str(), 71, 214, 134, 0);
                          }))
            << c[0] << " / " << c[1];
    }
}

// Eight rows from the list, starting over at its head when it runs out.
TEST_F(Widgets, CandidateRows)
{
    for (const char *words : {"alma korte szilva", "hangman", ""}) {
        Lista *lis = list_of(W(words));
        EXPECT_TRUE(draws([&](SDL_Surface *s) { cheatdisp(s, lis); },
                          [&](SDL_Surface *s) {
                              for (size_t i = 1; lis && i <= 8; ++i)
                                  textdisplay(s, 20, 50 * i + 105, 70,
                                              W(words)[(i - 1) % W(words).size()].c_str(), 35, 56, 67, 0);
                          }))
            << words;
        Lista_felszab(lis);
    }
}

// Text boxes, buttons, their hit test, clearing and the shared button loop,
// drawn on a headless 32-bit screen.
#include "widgets.h"
#include "test_util.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

namespace {

// A colour the game never draws, so every pixel it paints stands out.
const Rgb MARK = {250, 0, 250};

Button button(int x, int y, int fontsize, const char *text, int clicked = 0)
{
    Button b = {x, y, clicked, fontsize, ""};
    std::strncpy(b.text, text, sizeof b.text - 1);
    return b;
}
const Button END_ROW = {-1, -1, -1, -1, "error"};

// Faces whose edges are known independently of the code, both corners included.
struct KnownFace {
    Button btn;
    Box face;
};
const KnownFace KNOWN_FACES[] = {
    {button(40, 150, 70, "Magyar"), {33, 150, 257, 230}},
    {button(40, 250, 70, "English"), {33, 250, 293, 330}},
    {button(40, 150, 70, "Sajat szo hozzaadasa"), {33, 150, 751, 230}},
    {button(20, 420, 40, "Vissza"), {16, 420, 144, 465}},
    {button(40, 150, 70, ""), {33, 150, 45, 230}},
    {button(10, 10, 60, "abcdefghijklmnopqrstuvwxyz"), {4, 10, 801, 78}},
};

class Widgets : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = open_test_screen();
        ASSERT_NE(screen, nullptr);
        fill(screen, MARK);
        drain_events();
    }
    void TearDown() override { drain_events(); }

    // The corners of b are painted inside, the pixels just beyond its edges
    // (those on the screen) keep MARK.
    void expect_painted_box(const Box &b, Rgb inside)
    {
        for (int x : {b.left, std::min(b.right, 799)})
            for (int y : {b.top, b.bottom}) EXPECT_EQ(pixel(screen, x, y), inside) << x << "," << y;
        EXPECT_EQ(pixel(screen, b.left - 1, b.top), MARK);
        EXPECT_EQ(pixel(screen, b.left, b.top - 1), MARK);
        EXPECT_EQ(pixel(screen, b.left, b.bottom + 1), MARK);
        if (b.right < 799) {
            EXPECT_EQ(pixel(screen, b.right + 1, b.bottom), MARK);
        }
    }

    // How many pixels of b (clipped to the screen) are in colour c.
    int count_in(const Box &b, Rgb c)
    {
        int n = 0;
        for (int y = b.top; y <= b.bottom; ++y)
            for (int x = b.left; x <= std::min(b.right, 799); ++x) n += pixel(screen, x, y) == c;
        return n;
    }

    TempDir dir;
    SDL_Surface *screen = nullptr;
};

// The coverage (alpha) of each pixel of text rendered at size.
struct Coverage {
    Coverage(int size, const char *text)
    {
        TestFont f(size);
        SDL_Surface *img = f.font ? TTF_RenderUTF8_Blended(f.font, text, {255, 255, 255, 0}) : nullptr;
        if (!img) {
            ADD_FAILURE() << "cannot render " << text;
            return;
        }
        w = img->w;
        h = img->h;
        SDL_LockSurface(img);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Uint8 r, g, b, a;
                SDL_GetRGBA(*(Uint32 *)((Uint8 *)img->pixels + y * img->pitch + x * 4), img->format,
                            &r, &g, &b, &a);
                alpha.push_back(a);
            }
        SDL_UnlockSurface(img);
        SDL_FreeSurface(img);
    }
    int at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h ? alpha[y * w + x] : 0; }
    int w = 0, h = 0;
    std::vector<int> alpha;
};

// The edges of KNOWN_FACES are checked through the pixels they paint.
TEST(BoxGeometry, BottomEdgesAndSaturation)
{
    // The binary 1.15 lies just below 1.15, so 20, 40 and 60 times it fall
    // short of 23, 46 and 69.
    const int bottoms[][2] = {{20, 122}, {40, 145}, {60, 168}, {70, 180}};
    for (const auto &fb : bottoms) EXPECT_EQ(box_geometry(5, 100, fb[0], 3).bottom, fb[1]) << fb[0];

    Box huge = box_geometry(0, 0, 70, INT_MAX);
    EXPECT_EQ(huge.left, -7);
    EXPECT_EQ(huge.right, INT_MAX);
}

#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ >= 64
// Where long double has the x87 significand, the box evaluated in it must agree
// with the exact integer evaluation, negative anchors and sizes included.
TEST(BoxGeometry, AgreesWithExtendedPrecision)
{
    static_assert(std::numeric_limits<long double>::digits >= 64, "x87-wide long double");
    // 10000000 overflows 32 bits in c * fs, not in the sum.
    const int counts[] = {0, 1, 2, 5, 6, 7, 13, 20, 26, 32, 35, 1000, 10000000};
    for (int fs = -90; fs <= 300; ++fs)
        for (int c : counts)
            for (int x = -700; x <= 900; x += 53) {
                long double p = (fs * (long double)4.2) / 27;
                long double q = (long double)((long long)c * fs) / (long double)2.31;
                long long r = ((c - 1LL) * fs) / 14;
                Box b = box_geometry(x, x, fs, c);
                ASSERT_EQ(b.right, (long long)(((x + p) + q) + r)) << "fs " << fs << " c " << c << " x " << x;
                ASSERT_EQ(b.bottom, (long long)(x + fs * (long double)1.15)) << "fs " << fs << " x " << x;
            }
}
#endif

TEST_F(Widgets, FacesIncludeBothCornersAndNothingBeyond)
{
    for (const auto &k : KNOWN_FACES)
        for (int clicked : {0, 7}) {
            SCOPED_TRACE(std::string(k.btn.text) + (clicked ? " pressed" : ""));
            fill(screen, MARK);
            Button b = k.btn;
            b.clicked = clicked;
            Button_draw(screen, b);
            expect_painted_box(k.face, rgb_of(clicked ? PRESSED_FACE_COLOUR : FACE_COLOUR));
            EXPECT_EQ(count_in(k.face, rgb_of(INK_COLOUR)) > 100, *k.btn.text != 0);
            EXPECT_EQ(pixel(screen, 0, k.face.top + 1), MARK);  // a clipped face does not wrap
        }
}

TEST_F(Widgets, ClearPaintsEveryPixel)
{
    clear(screen);
    EXPECT_EQ(count_in({0, 0, 799, 479}, rgb_of(BACKGROUND_COLOUR)), 800 * 480);
}

TEST_F(Widgets, BoxOpacityDecidesWhatBecomesVisible)
{
    const char *text = "Hangman";
    const Coverage cov(70, text);
    const Box box = box_geometry(40, 150, 70, 7);
    // Only the low 8 bits of each colour value count: 256 is an opacity of 0.
    for (int bga : {0, 255, 256}) {
        SCOPED_TRACE(bga);
        fill(screen, MARK);
        Rgb under = (bga & 255) ? rgb_of(FACE_COLOUR) : MARK;
        EXPECT_EQ(textdisplay(screen, 40, 150, 70, text, 71 + 256, 113, 134 - 512, bga), cov.w);
        int glyph_pixels = 0;
        for (int y = box.top; y <= box.bottom; ++y)
            for (int x = box.left; x <= box.right; ++x) {
                int a = cov.at(x - 40, y - 150);
                if (x < 40 || a == 0) {
                    ASSERT_EQ(pixel(screen, x, y), under) << x << "," << y;
                }
                if (x >= 40 && a == 255) {
                    ASSERT_EQ(pixel(screen, x, y), rgb_of(INK_COLOUR)) << x << "," << y;
                    ++glyph_pixels;
                }
            }
        EXPECT_GT(glyph_pixels, 100);
        EXPECT_EQ(pixel(screen, box.right + 1, 200), MARK);
    }
}

TEST_F(Widgets, NoTextOrNoFontDrawsTheBoxAlone)
{
    EXPECT_EQ(textdisplay(screen, 40, 150, 70, nullptr, 71, 113, 134, 255), 0);
    expect_painted_box({33, 150, 45, 230}, rgb_of(FACE_COLOUR));
    TempDir bare(false);
    EXPECT_EQ(textdisplay(screen, 40, 150, 70, "Magyar", 71, 113, 134, 255), 0);
    expect_painted_box({33, 150, 257, 230}, rgb_of(FACE_COLOUR));
    EXPECT_EQ(count_in({33, 150, 257, 230}, rgb_of(FACE_COLOUR)), 225 * 81);
}

TEST(ButtonClick, StrictOnAllFourEdges)
{
    // Magyar's face is (33,150)-(257,230), Vissza's (16,420)-(144,465).
    const int misses[][2] = {{33, 151}, {257, 151}, {40, 150}, {40, 230}, {100, 465}};
    for (const auto &p : misses) {
        Button t[] = {button(40, 150, 70, "Magyar"), button(20, 420, 40, "Vissza"), END_ROW};
        EXPECT_EQ(Button_click(t, p[0], p[1]), 0) << p[0] << "," << p[1];
        EXPECT_EQ(t[0].clicked + t[1].clicked, 0);
    }
    Button t[] = {button(40, 150, 70, "Magyar"), button(20, 420, 40, "Vissza"), END_ROW};
    EXPECT_EQ(Button_click(t, 34, 151), 1);
    EXPECT_EQ(t[0].clicked, 1);
    EXPECT_EQ(Button_click(t, 256, 229), 1);
    EXPECT_EQ(Button_click(t, 100, 464), 2);
}

TEST(ButtonClick, TableRules)
{
    Button first_end[] = {END_ROW, button(40, 150, 70, "Magyar")};
    Button before[2];
    std::memcpy(before, first_end, sizeof first_end);
    EXPECT_EQ(Button_click(first_end, 100, 200), 0);
    EXPECT_EQ(std::memcmp(before, first_end, sizeof first_end), 0);

    // A hit marks its row and clears no other mark; where faces overlap the
    // earlier row wins.
    Button t[] = {button(40, 150, 70, "Magyar", 1), button(40, 250, 70, "English"),
                  button(40, 190, 70, "Overlap"), END_ROW};
    EXPECT_EQ(Button_click(t, 100, 300), 2);
    EXPECT_EQ(t[0].clicked, 1);
    EXPECT_EQ(t[1].clicked, 1);
    EXPECT_EQ(Button_click(t, 100, 220), 1);
    EXPECT_EQ(t[2].clicked, 0);
}

// Presses and releases on buttons are covered through the menus.
TEST_F(Widgets, ButtonLoopOnKeysQuitOtherEventsAndFailure)
{
    // Magyar's face is (33,150)-(257,230), English's (33,250)-(293,330).
    Button btns[] = {button(40, 150, 70, "Magyar", 1), button(40, 250, 70, "English", 1), END_ROW};
    SDL_Event ev;
    push_key(SDLK_KP_PLUS);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(ev.key.keysym.sym, SDLK_KP_PLUS);
    push_quit();
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_QUIT);
    EXPECT_EQ(ev.type, SDL_QUIT);
    EXPECT_EQ(pixel(screen, 33, 150), MARK);

    // Any other event redraws, marks kept; a release on no button clears them.
    SDL_Event user = {};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    push_key(SDLK_a);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(pixel(screen, 293, 330), rgb_of(PRESSED_FACE_COLOUR));
    push_mouse(SDL_MOUSEBUTTONUP, 600, 450);
    push_key(SDLK_a);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(btns[0].clicked + btns[1].clicked, 0);
    EXPECT_EQ(pixel(screen, 33, 150), rgb_of(FACE_COLOUR));

    SDL_Quit();  // no event queue left to wait on
    EXPECT_EQ(Buttons_wait(nullptr, &ev, btns), BUTTONS_WAIT_FAILED);
}

}  // namespace

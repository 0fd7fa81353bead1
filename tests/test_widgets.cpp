// Text boxes, buttons, their hit test, clearing and the shared button loop,
// drawn on a headless 32-bit screen.
#include "widgets.h"
#include "test_util.h"

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

void expect_box(const Box &got, const Box &want)
{
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

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

    // The four corners of b are painted in the colour inside, and the pixels
    // just beyond each edge keep MARK (where they lie on the screen).
    void expect_painted_box(const Box &b, Rgb inside)
    {
        int right = b.right < 799 ? b.right : 799;
        for (int x : {b.left, right}) {
            for (int y : {b.top, b.bottom}) EXPECT_EQ(pixel(screen, x, y), inside) << x << "," << y;
        }
        EXPECT_EQ(pixel(screen, b.left - 1, b.top), MARK);
        EXPECT_EQ(pixel(screen, b.left, b.top - 1), MARK);
        EXPECT_EQ(pixel(screen, b.left, b.bottom + 1), MARK);
        if (b.right < 799) {
            EXPECT_EQ(pixel(screen, b.right + 1, b.bottom), MARK);
        }
    }

    TempDir dir;
    SDL_Surface *screen = nullptr;
};

// The coverage (alpha) of each pixel of text rendered at size.
struct Coverage {
    Coverage(int size, const char *text)
    {
        TestFont f(size);
        SDL_Color white = {255, 255, 255, 0};
        SDL_Surface *img = f.font ? TTF_RenderUTF8_Blended(f.font, text, white) : nullptr;
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
    int at(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < w && y < h ? alpha[y * w + x] : 0;
    }
    int w = 0, h = 0;
    std::vector<int> alpha;
};

// ---- Box geometry ------------------------------------------------------------

TEST(BoxGeometry, KnownFaces)
{
    for (const auto &k : KNOWN_FACES) {
        SCOPED_TRACE(k.btn.text);
        expect_box(box_geometry(k.btn.x, k.btn.y, k.btn.fontsize, (int)strlen(k.btn.text)), k.face);
    }
}

TEST(BoxGeometry, BottomEdgeFollowsTheBinaryValueOf115)
{
    // 1.15 as a double lies just below 1.15, so 20, 40 and 60 times it fall
    // short of the whole numbers 23, 46 and 69.
    EXPECT_EQ(box_geometry(5, 100, 20, 3).bottom, 122);
    EXPECT_EQ(box_geometry(5, 100, 40, 3).bottom, 145);
    EXPECT_EQ(box_geometry(5, 100, 60, 3).bottom, 168);
    EXPECT_EQ(box_geometry(5, 100, 70, 3).bottom, 180);
}

TEST(BoxGeometry, HugeCountSaturatesInsteadOfOverflowing)
{
    Box b = box_geometry(0, 0, 70, INT_MAX);
    EXPECT_EQ(b.left, -7);
    EXPECT_EQ(b.right, INT_MAX);
}

#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ >= 64
// Where long double has the x87 significand, the formula evaluated in it must
// agree with the exact integer evaluation, negative anchors and sizes included.
TEST(BoxGeometry, AgreesWithExtendedPrecision)
{
    static_assert(std::numeric_limits<long double>::digits >= 64, "x87-wide long double");
    const int counts[] = {0, 1, 2, 5, 6, 7, 13, 20, 26, 32, 35, 1000, 10000000};  // the last overflows 32 bits in c * fs, not in the sum
    for (int fs = -90; fs <= 300; ++fs)
        for (int c : counts)
            for (int x = -700; x <= 900; x += 53) {
                long double p = (fs * (long double)4.2) / 27;
                long double q = (long double)((long long)c * fs) / (long double)2.31;
                long long r = ((c - 1LL) * fs) / 14;
                long long right = (long long)(((x + p) + q) + r);
                long long bottom = (long long)(x + fs * (long double)1.15);
                Box b = box_geometry(x, x, fs, c);
                ASSERT_EQ(b.right, right) << "fs " << fs << " c " << c << " x " << x;
                ASSERT_EQ(b.bottom, bottom) << "fs " << fs << " x " << x;
            }
}
#endif

// ---- Drawing -----------------------------------------------------------------

TEST_F(Widgets, FacesIncludeBothCornersAndNothingBeyond)
{
    for (const auto &k : KNOWN_FACES) {
        SCOPED_TRACE(k.btn.text);
        fill(screen, MARK);
        Button_draw(screen, k.btn);
        expect_painted_box(k.face, rgb_of(FACE_COLOUR));
    }
}

TEST_F(Widgets, PressedFaceAndInkCaption)
{
    Button_draw(screen, button(40, 150, 70, "Magyar", 7));
    expect_painted_box({33, 150, 257, 230}, rgb_of(PRESSED_FACE_COLOUR));
    Coverage cov(70, "Magyar");
    int inked = 0;
    for (int y = 0; y < cov.h; ++y)
        for (int x = 0; x < cov.w; ++x)
            if (cov.at(x, y) == 255) {
                EXPECT_EQ(pixel(screen, 40 + x, 150 + y), rgb_of(INK_COLOUR));
                ++inked;
            }
    EXPECT_GT(inked, 0);
}

TEST_F(Widgets, ClearPaintsEveryPixel)
{
    clear(screen);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 800; ++x) ASSERT_EQ(pixel(screen, x, y), rgb_of(BACKGROUND_COLOUR)) << x << "," << y;
}

TEST_F(Widgets, EmptyOrMissingTextDrawsOnlyTheBox)
{
    for (const char *text : {"", (const char *)nullptr}) {
        fill(screen, MARK);
        EXPECT_EQ(textdisplay(screen, 40, 150, 70, text, 71, 113, 134, 255), 0);
        expect_painted_box({33, 150, 45, 230}, rgb_of(FACE_COLOUR));
        EXPECT_EQ(pixel(screen, 46, 200), MARK);
    }
}

TEST_F(Widgets, AlphabetBoxIsClippedAtTheRightEdge)
{
    const char *abc = "abcdefghijklmnopqrstuvwxyz";
    int w = textdisplay(screen, 10, 10, 60, abc, 71, 113, 134, 255);
    EXPECT_EQ(w, Coverage(60, abc).w);
    expect_painted_box({4, 10, 801, 78}, rgb_of(FACE_COLOUR));
    for (int y = 10; y <= 78; ++y) EXPECT_EQ(pixel(screen, 799, y), rgb_of(FACE_COLOUR)) << y;
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

TEST_F(Widgets, NoFontFileDrawsTheBoxAlone)
{
    TempDir bare(false);
    EXPECT_EQ(textdisplay(screen, 40, 150, 70, "Magyar", 71, 113, 134, 255), 0);
    expect_painted_box({33, 150, 257, 230}, rgb_of(FACE_COLOUR));
    for (int y = 150; y <= 230; ++y)
        for (int x = 33; x <= 257; ++x) ASSERT_EQ(pixel(screen, x, y), rgb_of(FACE_COLOUR)) << x << "," << y;
}

// ---- Hit test ----------------------------------------------------------------

TEST(ButtonClick, StrictOnAllFourEdges)
{
    for (auto p : std::vector<std::pair<int, int>>{{33, 151}, {257, 151}, {40, 150}, {40, 230}}) {
        Button t[] = {button(40, 150, 70, "Magyar"), END_ROW};
        EXPECT_EQ(Button_click(t, p.first, p.second), 0) << p.first << "," << p.second;
        EXPECT_EQ(t[0].clicked, 0);
    }
    Button t[] = {button(40, 150, 70, "Magyar"), END_ROW};
    EXPECT_EQ(Button_click(t, 34, 151), 1);
    EXPECT_EQ(t[0].clicked, 1);
    EXPECT_EQ(Button_click(t, 256, 229), 1);
}

TEST(ButtonClick, BottomEdgeOfBackButton)
{
    Button t[] = {button(20, 420, 40, "Vissza"), END_ROW};
    EXPECT_EQ(Button_click(t, 100, 465), 0);
    EXPECT_EQ(t[0].clicked, 0);
    EXPECT_EQ(Button_click(t, 100, 464), 1);
}

TEST(ButtonClick, EndRowFirstHitsNothing)
{
    Button t[] = {END_ROW, button(40, 150, 70, "Magyar")};
    Button before[2];
    std::memcpy(before, t, sizeof t);
    EXPECT_EQ(Button_click(t, 100, 200), 0);
    EXPECT_EQ(std::memcmp(before, t, sizeof t), 0);
}

TEST(ButtonClick, MarksOnlyTheHitRowAndClearsNone)
{
    Button t[] = {button(40, 150, 70, "Magyar", 1), button(40, 250, 70, "English"), END_ROW};
    EXPECT_EQ(Button_click(t, 100, 300), 2);
    EXPECT_EQ(t[0].clicked, 1);
    EXPECT_EQ(t[1].clicked, 1);
}

TEST(ButtonClick, EarlierRowWinsWhereFacesOverlap)
{
    Button t[] = {button(40, 150, 70, "Magyar"), button(40, 190, 70, "English"), END_ROW};
    EXPECT_EQ(Button_click(t, 100, 200), 1);
    EXPECT_EQ(t[1].clicked, 0);
}

// ---- The shared button loop ----------------------------------------------------

class ButtonLoop : public Widgets {
protected:
    // Magyar's face is (33,150)-(257,230), English's (33,250)-(293,330).
    Button btns[3] = {button(40, 150, 70, "Magyar"), button(40, 250, 70, "English"), END_ROW};
    SDL_Event ev;
};

TEST_F(ButtonLoop, PressMarksAndRedraws)
{
    push_mouse(SDL_MOUSEBUTTONDOWN, 100, 200);
    push_key(SDLK_a);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(btns[0].clicked, 1);
    EXPECT_EQ(btns[1].clicked, 0);
    EXPECT_EQ(pixel(screen, 33, 150), rgb_of(PRESSED_FACE_COLOUR));
    EXPECT_EQ(pixel(screen, 33, 250), rgb_of(FACE_COLOUR));
}

TEST_F(ButtonLoop, ReleaseOnNoButtonClearsEveryMark)
{
    btns[0].clicked = btns[1].clicked = 1;
    push_mouse(SDL_MOUSEBUTTONUP, 600, 450);
    push_key(SDLK_a);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(btns[0].clicked, 0);
    EXPECT_EQ(btns[1].clicked, 0);
    EXPECT_EQ(pixel(screen, 33, 150), rgb_of(FACE_COLOUR));
    EXPECT_EQ(pixel(screen, 33, 250), rgb_of(FACE_COLOUR));
}

TEST_F(ButtonLoop, ReleaseDecidesAndIsNotRedrawn)
{
    push_mouse(SDL_MOUSEBUTTONDOWN, 100, 200);
    push_mouse(SDL_MOUSEBUTTONUP, 100, 300);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), 2);
    EXPECT_EQ(ev.type, SDL_MOUSEBUTTONUP);
    EXPECT_EQ(btns[1].clicked, 1);
    // The last frame drawn is the one after the press.
    EXPECT_EQ(pixel(screen, 33, 150), rgb_of(PRESSED_FACE_COLOUR));
    EXPECT_EQ(pixel(screen, 33, 250), rgb_of(FACE_COLOUR));
}

TEST_F(ButtonLoop, WheelStepChooses)
{
    push_mouse(SDL_MOUSEBUTTONDOWN, 100, 300, SDL_BUTTON_WHEELDOWN);
    push_mouse(SDL_MOUSEBUTTONUP, 100, 300, SDL_BUTTON_WHEELDOWN);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), 2);
}

TEST_F(ButtonLoop, KeyAndQuitReturnTheirEventUndrawn)
{
    push_key(SDLK_KP_PLUS);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(ev.type, SDL_KEYDOWN);
    EXPECT_EQ(ev.key.keysym.sym, SDLK_KP_PLUS);
    push_quit();
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_QUIT);
    EXPECT_EQ(ev.type, SDL_QUIT);
    EXPECT_EQ(pixel(screen, 33, 150), MARK);
}

TEST_F(ButtonLoop, OtherEventsRedraw)
{
    SDL_Event user = {};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    push_key(SDLK_a);
    EXPECT_EQ(Buttons_wait(screen, &ev, btns), BUTTONS_KEY);
    EXPECT_EQ(pixel(screen, 33, 150), rgb_of(FACE_COLOUR));
    EXPECT_EQ(pixel(screen, 293, 330), rgb_of(FACE_COLOUR));
}

TEST_F(ButtonLoop, FailedWaitEndsTheLoop)
{
    SDL_Quit();  // no event queue left to wait on
    EXPECT_EQ(Buttons_wait(nullptr, &ev, btns), BUTTONS_WAIT_FAILED);
}

}  // namespace

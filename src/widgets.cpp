// Drawing and widgets.
#include "widgets.h"

#include <SDL_gfxPrimitives.h>
#include <SDL_ttf.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>

#ifndef __SIZEOF_INT128__
#error "box_geometry needs a 128-bit integer type (__int128) for its exact arithmetic"
#endif

namespace {

// ---- Box geometry ----------------------------------------------------------
//
// The box edges were fixed by 80-bit x87 arithmetic on the double constants
// 4.2, 2.31 and 1.15. Plain double arithmetic gets some of them wrong (20 *
// 1.15 rounds up to 23, where the binary 1.15 lies just below it), and long
// double is only 64 bits wide on some platforms, so the sums are done exactly
// in integers: each double is a whole number times a power of two.

typedef __int128 Wide;

// The fraction num / den, den > 0, held exactly.
struct Ratio {
    Wide num, den;
};

// The double v as significand * 2^exponent, significand a whole number.
struct Dyadic {
    long long significand;
    int exponent;
};

Dyadic dyadic_of(double v)
{
    int e = 0;
    double f = std::frexp(v, &e);
    Dyadic d = {(long long)std::ldexp(f, 53), e - 53};
    while (d.significand != 0 && d.significand % 2 == 0) {
        d.significand /= 2;
        ++d.exponent;
    }
    return d;
}

// 2^k for 0 <= k < 127.
Wide power_of_two(int k) { return (Wide)1 << k; }

// k * v exactly, for a double v with a negative exponent (all the constants
// here are such: none is a whole number).
Ratio times(long long k, double v)
{
    Dyadic d = dyadic_of(v);
    return {(Wide)k * d.significand, power_of_two(-d.exponent)};
}

// k / v exactly, for a double v with a negative exponent.
Ratio divided_by(long long k, double v)
{
    Dyadic d = dyadic_of(v);
    return {(Wide)k * power_of_two(-d.exponent), d.significand};
}

Wide floor_div(Wide num, Wide den)
{
    Wide q = num / den;
    if (num % den != 0 && num < 0) --q;
    return q;
}

int clamp_to_int(Wide v)
{
    if (v < INT_MIN) return INT_MIN;
    if (v > INT_MAX) return INT_MAX;
    return (int)v;
}

// whole + a + b, truncated toward zero once, at the end. Each fraction is
// split into its floor and a remainder below its denominator, so the summed
// remainders stay far inside 128 bits for any int inputs.
int truncated_sum(Wide whole, Ratio a, Ratio b)
{
    Wide qa = floor_div(a.num, a.den), qb = floor_div(b.num, b.den);
    Wide ra = a.num - qa * a.den, rb = b.num - qb * b.den;
    Wide frac_num = ra * b.den + rb * a.den, frac_den = a.den * b.den;
    Wide fq = floor_div(frac_num, frac_den);
    Wide floor_sum = whole + qa + qb + fq;
    bool has_fraction = frac_num - fq * frac_den != 0;
    // floor and trunc differ only for a negative sum with a fraction.
    if (floor_sum < 0 && has_fraction) ++floor_sum;
    return clamp_to_int(floor_sum);
}

// ---- Text and boxes ----------------------------------------------------------

void draw_box(SDL_Surface *screen, Box b, Colour c, Uint8 alpha)
{
    boxRGBA(screen, (Sint16)b.left, (Sint16)b.top, (Sint16)b.right, (Sint16)b.bottom, c.r, c.g, c.b, alpha);
}

struct FontCloser {
    void operator()(TTF_Font *f) const { TTF_CloseFont(f); }
};
struct SurfaceFreer {
    void operator()(SDL_Surface *s) const { SDL_FreeSurface(s); }
};

int text_length(const char *text) { return text ? (int)std::strlen(text) : 0; }

// Blits text in colour at (x, y); returns the image's width, 0 when nothing
// was rendered.
int render_text(SDL_Surface *screen, int x, int y, int fontsize, const char *text, SDL_Color colour)
{
    TTF_Init();  // a repeated call does no harm, so no caller has to set the library up
    std::unique_ptr<TTF_Font, FontCloser> font(TTF_OpenFont(FONT_FILE, fontsize));
    if (!font) return 0;
    std::unique_ptr<SDL_Surface, SurfaceFreer> image(TTF_RenderUTF8_Blended(font.get(), text, colour));
    if (!image) return 0;
    SDL_Rect at = {(Sint16)x, (Sint16)y, 0, 0};
    SDL_BlitSurface(image.get(), nullptr, screen, &at);
    return image->w;
}

bool is_end_row(const Button &b) { return b.fontsize == -1; }

// ---- Game board ----------------------------------------------------------------

constexpr char ALPHABET[] = "abcdefghijklmnopqrstuvwxyz";

// The alphabet with every letter that letters lacks turned into a space, so
// that each kept letter stays in its own column of the monospaced font.
void alphabet_keeping(const char *letters, char out[sizeof ALPHABET])
{
    for (size_t i = 0; i < sizeof ALPHABET; ++i) {
        char letter = ALPHABET[i];
        bool kept = letter == '\0' || (letters && std::strchr(letters, letter));
        out[i] = kept ? letter : ' ';
    }
}

// One gallows element: a 2-pixel line from (x1, y1) to (x2, y2), or, for the
// head, a ring around (x1, y1).
struct GallowsPart {
    bool head;
    int x1, y1, x2, y2;
};
constexpr GallowsPart GALLOWS[10] = {
    {false, 5, 100, 85, 100},  // ground
    {false, 20, 100, 20, 10},  // upright
    {false, 20, 10, 65, 10},   // cross-beam
    {false, 65, 10, 65, 25},   // rope
    {true, 65, 35, 0, 0},      // head
    {false, 65, 45, 65, 70},   // body
    {false, 65, 70, 55, 80},   // leg
    {false, 65, 70, 75, 80},   // leg
    {false, 65, 55, 75, 50},   // arm
    {false, 65, 55, 55, 50},   // arm
};

void draw_gallows_part(SDL_Surface *screen, int x, int y, const GallowsPart &p)
{
    const Colour c = INK_COLOUR;
    if (p.head) {
        // Three one-pixel outlines make a ring three pixels thick.
        for (int radius : {9, 8, 7})
            circleRGBA(screen, (Sint16)(x + p.x1), (Sint16)(y + p.y1), (Sint16)radius, c.r, c.g, c.b, 255);
        return;
    }
    thickLineRGBA(screen, (Sint16)(x + p.x1), (Sint16)(y + p.y1), (Sint16)(x + p.x2), (Sint16)(y + p.y2), 2,
                  c.r, c.g, c.b, 255);
}

}  // namespace

Box box_geometry(int x, int y, int fontsize, int c)
{
    const long long fs = fontsize;
    // 64-bit products: a long text at a large size must not overflow.
    const long long r = ((c - 1LL) * fs) / 14;
    Ratio p = times(fs, 4.2);
    p.den *= 27;
    const Ratio q = divided_by((long long)c * fs, 2.31);
    const Ratio none = {0, 1};
    Box b;
    b.left = clamp_to_int(x - (3 * fs) / 27);
    b.top = y;
    b.right = truncated_sum((Wide)x + r, p, q);
    b.bottom = truncated_sum(y, times(fs, 1.15), none);
    return b;
}

int textdisplay(SDL_Surface *screen, int x, int y, int fontsize, const char *text, int r, int g, int b,
                int bga)
{
    draw_box(screen, box_geometry(x, y, fontsize, text_length(text)), FACE_COLOUR, (Uint8)(bga & 255));
    if (!text || !*text) return 0;
    SDL_Color colour = {(Uint8)(r & 255), (Uint8)(g & 255), (Uint8)(b & 255), 0};
    return render_text(screen, x, y, fontsize, text, colour);
}

void Button_draw(SDL_Surface *screen, Button btn)
{
    draw_box(screen, box_geometry(btn.x, btn.y, btn.fontsize, text_length(btn.text)),
             btn.clicked ? PRESSED_FACE_COLOUR : FACE_COLOUR, 255);
    const Colour ink = INK_COLOUR;
    textdisplay(screen, btn.x, btn.y, btn.fontsize, btn.text, ink.r, ink.g, ink.b, 0);
}

int Button_click(Button *btns, int x, int y)
{
    for (int i = 0; !is_end_row(btns[i]); ++i) {
        Box f = box_geometry(btns[i].x, btns[i].y, btns[i].fontsize, text_length(btns[i].text));
        if (f.left < x && x < f.right && f.top < y && y < f.bottom) {
            btns[i].clicked = 1;
            return i + 1;
        }
    }
    return 0;
}

void clear(SDL_Surface *screen)
{
    // 800 and 480 rather than 799 and 479: the library clips to the surface.
    draw_box(screen, {0, 0, 800, 480}, BACKGROUND_COLOUR, 255);
}

void Buttons_unmark(Button *btns)
{
    for (; !is_end_row(*btns); ++btns) btns->clicked = 0;
}

void Buttons_show(SDL_Surface *screen, Button *btns)
{
    for (const Button *b = btns; !is_end_row(*b); ++b) Button_draw(screen, *b);
    SDL_Flip(screen);
}

void Buttons_start(SDL_Surface *screen, Button *options, const Button *table, const char *const *eng)
{
    int i = 0;
    do {
        options[i] = table[i];
    } while (table[i++].fontsize != -1);
    for (i = 0; eng && options[i].fontsize != -1; ++i)
        std::snprintf(options[i].text, sizeof options[i].text, "%s", eng[i]);
    clear(screen);
    Buttons_show(screen, options);
}

int Buttons_wait(SDL_Surface *screen, SDL_Event *ev, Button *btns)
{
    for (;;) {
        if (!SDL_WaitEvent(ev)) return BUTTONS_WAIT_FAILED;
        switch (ev->type) {
        case SDL_MOUSEBUTTONDOWN: Button_click(btns, ev->button.x, ev->button.y); break;
        case SDL_MOUSEBUTTONUP: {
            int hit = Button_click(btns, ev->button.x, ev->button.y);
            if (hit) return hit;
            Buttons_unmark(btns);
            break;
        }
        case SDL_KEYDOWN: return BUTTONS_KEY;
        case SDL_QUIT: return BUTTONS_QUIT;
        default: break;
        }
        Buttons_show(screen, btns);
    }
}

void drawing(SDL_Surface *screen, int x, int y, int n)
{
    // Unsigned, so that a negative count is out of range too.
    if ((unsigned)n > 10) return;
    for (int stage = n; stage >= 1; --stage) draw_gallows_part(screen, x, y, GALLOWS[stage - 1]);
}

SDL_Surface *window_icon()
{
    SDL_Surface *icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 104, 104, 32, 0xff0000, 0xff00, 0xff, 0);
    if (!icon) return NULL;
    const Colour c = BACKGROUND_COLOUR;
    SDL_FillRect(icon, NULL, SDL_MapRGB(icon->format, c.r, c.g, c.b));
    // Where the board's gallows stands in the square of the package's icon.
    drawing(icon, 7, -3, 10);
    return icon;
}

void betuket_kiir_sdl(SDL_Surface *screen, const char *rossz_betuk, const char *jo_betuk)
{
    char abc[sizeof ALPHABET], abc2[sizeof ALPHABET], abc3[sizeof ALPHABET];
    std::memcpy(abc, ALPHABET, sizeof ALPHABET);
    alphabet_keeping(rossz_betuk, abc2);
    alphabet_keeping(jo_betuk, abc3);
    const struct {
        const char *line;
        Colour colour;
    } lines[] = {{abc, INK_COLOUR}, {abc2, WRONG_COLOUR}, {abc3, GOOD_COLOUR}};
    for (const auto &l : lines)
        textdisplay(screen, 10, 10, 60, l.line, l.colour.r, l.colour.g, l.colour.b, 0);
}

void cheatdisp(SDL_Surface *screen, const Lista *lis)
{
    const Lista *eredeti = lis;
    const Colour c = CANDIDATE_COLOUR;
    for (int i = 1; eredeti && i <= 8; ++i) {
        if (!lis) lis = eredeti;
        textdisplay(screen, 20, 50 * i + 105, 70, lis->szo, c.r, c.g, c.b, 0);
        lis = lis->kov;
    }
    SDL_Flip(screen);
}

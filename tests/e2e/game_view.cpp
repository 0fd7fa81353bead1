#include "game_view.h"

#include <algorithm>

namespace e2e {

Box box_of(const Caption &c)
{
    // The game works in x87 extended precision on the double constants; long
    // double on x86 is that format, which keeps fs * 1.15 just below a whole
    // number where the decimal product is whole.
    int n = (int)c.text.size(), fs = c.fontsize;
    long double right = ((c.x + fs * (long double)4.2 / 27.0L) +
                         (long double)(n * fs) / (long double)2.31) +
                        ((n - 1) * fs) / 14;
    return {c.x - 3 * fs / 27, c.y, (int)right, c.y + (int)(fs * (long double)1.15)};
}

int centre_x(const Caption &c)
{
    Box b = box_of(c);
    return (b.left + b.right) / 2;
}

int centre_y(const Caption &c)
{
    Box b = box_of(c);
    return (b.top + b.bottom) / 2;
}

std::vector<Caption> language_buttons()
{
    return {{40, 150, 70, "Magyar"}, {40, 250, 70, "English"}};
}

std::vector<Caption> menu_buttons(Language lang)
{
    if (lang == ENGLISH)
        return {{40, 50, 70, "Play game"}, {40, 150, 70, "Add your own word"},
                {40, 250, 70, "Choose language"}, {40, 350, 70, "Exit"}};
    return {{40, 50, 70, "Jatek inditasa"}, {40, 150, 70, "Sajat szo hozzaadasa"},
            {40, 250, 70, "Nyelvvalasztas"}, {40, 350, 70, "Kilepes"}};
}

std::vector<Caption> add_word_buttons(Language lang)
{
    return {{40, 260, 70, lang == ENGLISH ? "Save" : "Mentes"},
            {40, 360, 70, lang == ENGLISH ? "Back" : "Vissza"}};
}

std::vector<Caption> end_buttons(Language lang)
{
    return {{20, 420, 40, lang == ENGLISH ? "Back" : "Vissza"}};
}

Caption input_line(const std::string &typed) { return {40, 120, 70, typed}; }

Check boxes(const std::vector<Caption> &captions, Rgb face)
{
    return [captions, face](const Image &img) {
        for (const Caption &c : captions) {
            Box b = box_of(c);
            int y = (b.top + b.bottom) / 2;
            if (b.left < 1 || b.right + 1 >= img.width || b.bottom >= img.height) return false;
            if (img.at(b.left, y) != face || img.at(b.right, y) != face ||
                img.at(b.left - 1, y) != BACKGROUND || img.at(b.right + 1, y) != BACKGROUND)
                return false;
            // The caption's glyphs show that the font was found.
            if (!c.text.empty() && count(img, b, INK) < 20) return false;
        }
        return true;
    };
}

int count(const Image &img, Box b, Rgb c)
{
    int n = 0;
    for (int y = std::max(b.top, 0); y <= std::min(b.bottom, img.height - 1); ++y)
        for (int x = std::max(b.left, 0); x <= std::min(b.right, img.width - 1); ++x)
            n += img.at(x, y) == c;
    return n;
}

// The letter board: the alphabet at (10, 10) in size 60, a monospaced
// column of 30 pixels a letter.
bool letter_marked(const Image &img, char letter, Rgb c)
{
    int left = 10 + 30 * (letter - 'a');
    return count(img, {left, 10, left + 29, 80}, c) >= 20;
}

namespace {

// A point on each element of the gallows drawn at (700, 365), stage 1 to 10:
// ground, upright, beam, rope, head (its left side), body, two legs, two arms.
const int gallows_points[10][2] = {{745, 465}, {720, 420}, {742, 375}, {765, 383},
                                   {757, 400}, {765, 427}, {760, 440}, {770, 440},
                                   {771, 417}, {759, 417}};

bool element_drawn(const Image &img, int stage)
{
    const int *p = gallows_points[stage - 1];
    return count(img, {p[0] - 1, p[1] - 1, p[0] + 1, p[1] + 1}, INK) > 0;
}

}  // namespace

int gallows_stage(const Image &img)
{
    int n = 0;
    while (n < 10 && element_drawn(img, n + 1)) ++n;
    for (int k = n + 2; k <= 10; ++k)
        if (element_drawn(img, k)) return -1;
    return n;
}

// The pattern stands at (20, 90) in size 70, 35 pixels a letter. A letter
// puts ink in the band of the lower-case letters; an underscore lies below it.
std::string pattern_shape(const Image &img, int length)
{
    std::string shape;
    for (int i = 0; i < length; ++i) {
        int left = 20 + 35 * i;
        shape += count(img, {left, 120, left + 34, 145}, INK) >= 10 ? '#' : '_';
    }
    return shape;
}

bool shows_candidates(const Image &img)
{
    return count(img, {0, 172, img.width - 1, img.height - 1}, CANDIDATE) >= 20;
}

bool shows_message(const Image &img, Rgb c)
{
    return count(img, {20, 210, 780, 290}, c) >= 100 && count(img, {20, 300, 780, 380}, c) >= 100;
}

}  // namespace e2e

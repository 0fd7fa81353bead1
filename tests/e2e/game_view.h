// What the tests know of the game's screens from the outside: its palette,
// the box geometry of its buttons and text lines, where its screens put them,
// and predicates that tell a screen from its pixels.
#ifndef E2E_GAME_VIEW_H
#define E2E_GAME_VIEW_H

#include <functional>
#include <string>
#include <vector>

#include "x_harness.h"

namespace e2e {

constexpr char TITLE[] = "Dudovezuv / Hangman";

constexpr Rgb BACKGROUND = {3, 37, 54};
constexpr Rgb FACE = {17, 60, 81};
constexpr Rgb PRESSED = {110, 146, 161};
constexpr Rgb INK = {71, 113, 134};
constexpr Rgb WRONG = {200, 80, 134};
constexpr Rgb GOOD = {71, 214, 134};
constexpr Rgb CANDIDATE = {35, 56, 67};

enum Language { HUNGARIAN = 1, ENGLISH = 2 };
// The main menu's entries, in table order.
enum MenuEntry { PLAY, ADD_WORD, CHOOSE_LANGUAGE, EXIT };

// A text line or button caption: where it stands, its size and its text.
struct Caption {
    int x, y, fontsize;
    std::string text;
};
// Both corners lie inside the box.
struct Box {
    int left, top, right, bottom;
};
// The box a caption stands on: the text box, the button's face, its hit area.
Box box_of(const Caption &c);
// A point well inside the caption's box, where a click chooses its button.
int centre_x(const Caption &c);
int centre_y(const Caption &c);

// The buttons of each screen, in table order.
std::vector<Caption> language_buttons();
std::vector<Caption> menu_buttons(Language lang);
std::vector<Caption> add_word_buttons(Language lang);
std::vector<Caption> end_buttons(Language lang);
// The add-word screen's input line holding typed.
Caption input_line(const std::string &typed);

using Check = std::function<bool(const Image &)>;

// Every caption's box is there in colour face, with the background just
// outside its left and right edges, and its text in ink on it; the edges
// follow from the caption's length, so this tells the captions of the two
// languages apart.
Check boxes(const std::vector<Caption> &captions, Rgb face = FACE);
// The number of pixels of exactly colour c in box b (clipped to the image).
int count(const Image &img, Box b, Rgb c);
// The letter's column of the letter board holds pixels of colour c.
bool letter_marked(const Image &img, char letter, Rgb c);
// The gallows stage shown: n when exactly the first n elements are drawn,
// -1 for any other set of elements.
int gallows_stage(const Image &img);
// The guess pattern of a word of length letters: '_' where the position is
// hidden, '#' where a letter is shown.
std::string pattern_shape(const Image &img, int length);
// Candidate rows are drawn below the guess pattern.
bool shows_candidates(const Image &img);
// The end screen's two message lines are drawn in colour c.
bool shows_message(const Image &img, Rgb c);

}  // namespace e2e

#endif

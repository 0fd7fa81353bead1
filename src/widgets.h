// Drawing and widgets: text over a background box, buttons and their hit
// test, the shared button loop, and the game board pictures. Nothing here keeps
// state between calls, and nothing flips the screen except cheatdisp and
// Buttons_show: the caller draws a whole frame, then calls SDL_Flip.
#ifndef WIDGETS_H
#define WIDGETS_H

#include <SDL.h>
#include "jatek.h"

// The one palette of the game.
typedef struct {
    Uint8 r, g, b;
} Colour;
constexpr Colour BACKGROUND_COLOUR = {3, 37, 54};
constexpr Colour FACE_COLOUR = {17, 60, 81};
constexpr Colour PRESSED_FACE_COLOUR = {110, 146, 161};
constexpr Colour INK_COLOUR = {71, 113, 134};
constexpr Colour WRONG_COLOUR = {200, 80, 134};
constexpr Colour GOOD_COLOUR = {71, 214, 134};
constexpr Colour CANDIDATE_COLOUR = {35, 56, 67};

constexpr char FONT_FILE[] = "Inconsolata.otf";

// One on-screen button. A table of buttons ends with a row whose fontsize is
// -1 (written as -1, -1, -1, -1, "error"); every loop stops there.
typedef struct {
    int x;          // left edge of the caption; the face reaches fontsize/9 further left
    int y;          // top edge of caption and face
    int clicked;    // 0: normal face, else pressed face
    int fontsize;   // point size of the caption; -1 marks the end row
    char text[33];  // caption, at most 32 bytes
} Button;

// The box that a text of c bytes at (x, y) in size fontsize stands on; the same
// edges serve the text box, the button face and the hit test. Both corners are
// inside the box.
typedef struct {
    int left, top, right, bottom;
} Box;
Box box_geometry(int x, int y, int fontsize, int c);

// Draws the box of text (face colour, opacity bga) and then text in (r, g, b)
// at (x, y), opening the font anew; each colour int counts by its low 8 bits.
// text is only read and may be NULL (drawn like ""). Returns the rendered
// width, 0 when nothing was rendered (empty text, no font).
int textdisplay(SDL_Surface *screen, int x, int y, int fontsize, const char *text, int r, int g, int b,
                int bga);
// Draws one button: its face, then its caption.
void Button_draw(SDL_Surface *screen, Button btn);
// Hit test, strict on all four edges, so a face's outermost pixels miss. Marks
// the first row hit (clicked = 1) and returns its 1-based number, or 0. Never
// clears a mark.
int Button_click(Button *btns, int x, int y);
// Paints the whole screen in the background colour.
void clear(SDL_Surface *screen);

// Clears the mark of every row of the table.
void Buttons_unmark(Button *btns);
// Draws every row of the table, then flips.
void Buttons_show(SDL_Surface *screen, Button *btns);

// Opens a screen of buttons: copies the constant table (end row included) into
// options, which must have as many rows; when eng is not NULL, puts eng[0],
// eng[1], ... over the captions of every row before the end row; then clears
// the screen, draws the buttons and flips. Nothing is allocated.
void Buttons_start(SDL_Surface *screen, Button *options, const Button *table, const char *const *eng);

// What Buttons_wait stopped for, besides a button number (1, 2, ...).
enum { BUTTONS_WAIT_FAILED = 0, BUTTONS_KEY = -1, BUTTONS_QUIT = -2 };
// The button loop every screen shares: waits for events into ev; a press marks
// the button under the pointer, a release on no button clears every mark, and
// after each such event (and any other it does not stop for) the buttons are
// drawn again and flipped. Returns the number of the button a release lands on,
// BUTTONS_KEY for a key press and BUTTONS_QUIT for a closed window (ev then
// holds the event, nothing redrawn), or BUTTONS_WAIT_FAILED when the wait fails.
int Buttons_wait(SDL_Surface *screen, SDL_Event *ev, Button *btns);

// --- Game board pictures ----------------------------------------------------

// The gallows at reference point (x, y) in stage n (0..10), newest element
// first; any other n draws nothing.
void drawing(SDL_Surface *screen, int x, int y, int n);
// The letter board: the alphabet in ink, then the wrong letters and the good
// letters over their own columns in their colours. Both strings only read.
void betuket_kiir_sdl(SDL_Surface *screen, const char *rossz_betuk, const char *jo_betuk);
// The window's icon: the complete gallows on the background, 104 pixels
// square. Returns a new surface the caller frees, or NULL without memory.
SDL_Surface *window_icon();
// The candidate display: eight rows from the list, starting over at its head
// when it runs out, then a flip. The list is only read; empty draws no rows.
void cheatdisp(SDL_Surface *screen, const Lista *lis);

#endif

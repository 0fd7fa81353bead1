// Helpers shared by the tests: a temporary working folder, files, a headless
// screen, pixels, and scripted SDL events.
#ifndef TEST_UTIL_H
#define TEST_UTIL_H

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "jatek.h"

// A fresh folder that is the working directory while the object lives, with
// the font copied in; removed with everything in it afterwards.
class TempDir {
public:
    explicit TempDir(bool with_font = true)
    {
        char tmpl[] = "/tmp/hangman-test-XXXXXX";
        path_ = mkdtemp(tmpl);
        char *cwd = getcwd(nullptr, 0);
        old_ = cwd;
        free(cwd);
        if (chdir(path_.c_str()) != 0) ADD_FAILURE() << "cannot enter " << path_;
        if (with_font) {
            std::ifstream in(HANGMAN_FONT_PATH, std::ios::binary);
            std::ofstream out("Inconsolata.otf", std::ios::binary);
            out << in.rdbuf();
        }
    }
    ~TempDir()
    {
        if (chdir(old_.c_str()) != 0) ADD_FAILURE() << "cannot leave " << path_;
        std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
        if (system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot remove " << path_;
    }
    const std::string &path() const { return path_; }

private:
    std::string path_, old_;
};

inline void write_file(const std::string &name, const std::string &content)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string read_file(const std::string &name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The words of a list, in order.
inline std::vector<std::string> words_of(const Lista *lis)
{
    std::vector<std::string> out;
    for (; lis; lis = lis->kov) out.push_back(lis->szo);
    return out;
}

// Builds a list of the given words in order; the caller releases it.
inline Lista *list_of(const std::vector<std::string> &words)
{
    Lista *head = nullptr, *end = nullptr;
    for (const auto &w : words) {
        if (!head) head = end = Lista_elejere_beszur(nullptr, w.c_str());
        else end = Lista_vegere_beszur(end, w.c_str());
    }
    return head;
}

// An 800 by 480, 32-bit software screen on SDL's dummy driver (its default
// depth is 8-bit palettized, which would change the colours).
inline SDL_Surface *open_test_screen()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
    return SDL_SetVideoMode(800, 480, 32, SDL_SWSURFACE);
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};
inline std::ostream &operator<<(std::ostream &os, const Rgb &c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb pixel(SDL_Surface *s, int x, int y)
{
    SDL_LockSurface(s);
    Uint32 v = *(Uint32 *)((Uint8 *)s->pixels + y * s->pitch + x * 4);
    SDL_UnlockSurface(s);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return {r, g, b};
}

inline void fill(SDL_Surface *s, Rgb c)
{
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
}

// Scripted events, queued before the screen under test is called. SDL 1.2's
// queue holds at most 127 events.
inline void push_key(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
}
inline void push_keys(const char *letters)
{
    for (; *letters; ++letters) push_key((SDLKey)(unsigned char)*letters);
}
inline void push_mouse(Uint8 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT)
{
    SDL_Event e = {};
    e.type = type;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = (Uint16)x;
    e.button.y = (Uint16)y;
    SDL_PushEvent(&e);
}
inline void push_click(int x, int y)
{
    push_mouse(SDL_MOUSEBUTTONDOWN, x, y);
    push_mouse(SDL_MOUSEBUTTONUP, x, y);
}
inline void push_quit()
{
    SDL_Event e = {};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}
inline void drain_events()
{
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

// Any record with r, g and b (the game's palette entries, SDL_Color) as an Rgb.
template <class C>
Rgb rgb_of(const C &c)
{
    return {c.r, c.g, c.b};
}

// Every pixel of the surface, row by row, for comparing whole frames.
inline std::vector<Rgb> screen_pixels(SDL_Surface *s)
{
    std::vector<Rgb> out;
    out.reserve((size_t)s->w * s->h);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) out.push_back(pixel(s, x, y));
    return out;
}

// The x of the last pixel of row y that is not in colour c, -1 when there is
// none: where the rightmost thing drawn on a plain background ends.
inline int right_edge_over(SDL_Surface *s, int y, Rgb c)
{
    for (int x = s->w - 1; x >= 0; --x)
        if (pixel(s, x, y) != c) return x;
    return -1;
}

// The game's font at a point size, opened from where the build found it, for
// measuring what the game draws; closed with the object.
struct TestFont {
    explicit TestFont(int size)
    {
        TTF_Init();
        font = TTF_OpenFont(HANGMAN_FONT_PATH, size);
        if (!font) ADD_FAILURE() << "cannot open " << HANGMAN_FONT_PATH;
    }
    ~TestFont() { TTF_CloseFont(font); }
    TestFont(const TestFont &) = delete;
    TestFont &operator=(const TestFont &) = delete;
    TTF_Font *font;
};

#endif

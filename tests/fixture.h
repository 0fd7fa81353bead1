// What the unit tests share: a working folder of their own, whole files,
// word lists, a headless 32-bit screen, its pixels and queued SDL events.
#ifndef FIXTURE_H
#define FIXTURE_H

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "jatek.h"

using Words = std::vector<std::string>;

// The one injection point for failing file operations: these stand in front
// of the C library's functions for the whole test program, so the engine
// meets them. A "read" fault on a word file (a name ending in .txt) lets
// `after` bytes through, then fails as a bad disk does, and a "write" fault
// as a full disk does; an "fsync" fault fails every sync, and a "kill" fault
// kills the process at the write or sync after `after` others.
static struct Fault {
    std::string call;  // "read", "write", "fsync", "kill" or none
    size_t after = 0;
} fault;
#define REAL(f) reinterpret_cast<decltype(&f)>(dlsym(RTLD_NEXT, #f))
extern "C" int fsync(int fd)
{
    if (fault.call == "kill" && fault.after-- == 0) raise(SIGKILL);
    return fault.call == "fsync" ? (errno = EIO, -1) : REAL(fsync)(fd);
}
// Calls op(k) for the k of n bytes the armed fault lets through on fd: all,
// but on a word file none once `after` are through, failing with errno e.
template <class Op>
ssize_t let_through(int fd, const char *call, size_t n, int e, Op op)
{
    char link[64], name[256] = {};
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t k = fault.call == call ? readlink(link, name, sizeof name - 1) : 0;
    if (k < 4 || strcmp(name + k - 4, ".txt") != 0) return op(n);
    if (!fault.after) return errno = e, -1;
    const ssize_t done = op(std::min(n, fault.after));
    return fault.after -= done > 0 ? done : 0, done;
}
extern "C" ssize_t read(int fd, void *buf, size_t n)
{
    return let_through(fd, "read", n, EIO, [&](size_t k) { return REAL(read)(fd, buf, k); });
}
extern "C" ssize_t pwrite(int fd, const void *buf, size_t n, off_t at)
{
    if (fault.call == "kill" && fault.after-- == 0) raise(SIGKILL);
    const auto write = [&](size_t k) { return REAL(pwrite)(fd, buf, k, at); };
    const ssize_t done = let_through(fd, "write", n, ENOSPC, write);
    if (done < 0 && fault.call == "write") fault = {};  // writing over bytes already there needs no room
    return done;
}

// A fresh working folder holding the game's font, removed afterwards.
struct TempDir {
    char path[32] = "/tmp/hangman-test-XXXXXX";
    explicit TempDir(bool with_font = true)
    {
        EXPECT_EQ(chdir(mkdtemp(path)), 0);
        // The player's data folder, where a copy of a file in a folder nobody may write to goes.
        setenv("XDG_DATA_HOME", (std::string(path) + "/.data").c_str(), 1);
        if (with_font) std::ofstream("Inconsolata.otf") << std::ifstream(HANGMAN_FONT_PATH).rdbuf();
    }
    ~TempDir()
    {
        EXPECT_EQ(system(("cd /; chmod -R u+rwx " + std::string(path) + "; rm -r " + path).c_str()), 0);
    }
};

inline void write_file(const std::string &name, const std::string &text)
{
    std::ofstream(name, std::ios::binary) << text;
}
inline std::string read_file(const std::string &name)
{
    return (std::ostringstream() << std::ifstream(name, std::ios::binary).rdbuf()).str();
}

// The words of a text split at white space, W("sell tell"), and of a list.
inline Words W(const std::string &text)
{
    return Words(std::istream_iterator<std::string>(std::istringstream(text) >> std::ws), {});
}
inline Words words_of(const Lista *lis)
{
    Words out;
    for (; lis; lis = lis->kov) out.push_back(lis->szo);
    return out;
}
// Built as the engine builds its lists: the head first, then each word behind the end.
inline Lista *list_of(const Words &words)
{
    Lista *head = nullptr, *end = nullptr;
    for (const auto &w : words)
        end = head ? Lista_vegere_beszur(end, w.c_str()) : (head = Lista_elejere_beszur(nullptr, w.c_str()));
    return head;
}

// 32 bits deep: the dummy driver's own default is 8-bit palettized, which changes colours.
inline SDL_Surface *open_test_screen()
{
    return SDL_Init(SDL_INIT_VIDEO), SDL_SetVideoMode(800, 480, 32, SDL_SWSURFACE);
}
inline SDL_Surface *copy_of(SDL_Surface *s) { return SDL_ConvertSurface(s, s->format, SDL_SWSURFACE); }

// Pixels and palette entries as 0xRRGGBB.
inline Uint32 pixel(SDL_Surface *s, int x, int y)
{
    Uint8 r, g, b;
    SDL_GetRGB(((Uint32 *)s->pixels)[y * s->pitch / 4 + x], s->format, &r, &g, &b);
    return (Uint32)r << 16 | g << 8 | b;
}
template <class C>
Uint32 rgb(C c)
{
    return (Uint32)c.r << 16 | c.g << 8 | c.b;
}
inline bool same_pixels(SDL_Surface *a, SDL_Surface *b)
{
    int i = 0;
    while (i < 800 * 480 && pixel(a, i % 800, i / 800) == pixel(b, i % 800, i / 800)) ++i;
    return i == 800 * 480;
}

// Events queued before the screen under test runs (SDL 1.2's queue holds
// 127); for a key, x is its symbol.
inline void push(Uint8 type, int x = 0, int y = 0)
{
    SDL_Event e = {};
    e.type = type;
    e.button.x = (Uint16)x, e.button.y = (Uint16)y;
    if (type == SDL_KEYDOWN) e.key.keysym.sym = (SDLKey)x;
    SDL_PushEvent(&e);
}
inline void push_keys(const char *keys)
{
    for (; *keys; ++keys) push(SDL_KEYDOWN, (unsigned char)*keys);
}
inline void push_click(int x, int y) { push(SDL_MOUSEBUTTONDOWN, x, y), push(SDL_MOUSEBUTTONUP, x, y); }

#endif

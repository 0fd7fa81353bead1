// The machinery of the end-to-end tests: child processes with bounded waits,
// an Xvfb server of the tests' own, a person's input through xdotool, the
// window manager's close request, and the screen read back through xwd.
// Failures of the machinery itself (a tool missing or overrunning) throw
// std::runtime_error, which fails the running test with its message.
#ifndef E2E_X_HARNESS_H
#define E2E_X_HARNESS_H

#include <sys/types.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};
std::ostream &operator<<(std::ostream &os, const Rgb &c);

// A window's pixels as read back from the server, row by row.
struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    // Takes a point inside the image; returns its colour.
    Rgb at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// Takes the bytes of an XWD dump of a TrueColor window with 24 or 32 bits a
// pixel; returns its pixels. Throws on anything else or a dump cut short.
Image parse_xwd(const std::string &data);

// Changes to the inherited environment of a child: a value sets the
// variable, std::nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Starts argv[0] (looked up on PATH) with stdin on /dev/null, stdout and
// stderr on the given descriptors (-1: /dev/null), in folder cwd (empty: this
// one), keeping descriptor keep_fd open across the exec. The child is killed
// should this process die first. Returns its pid; the caller reaps it.
pid_t spawn(const std::vector<std::string> &argv, const EnvChanges &env,
            const std::string &cwd, int out_fd, int err_fd, int keep_fd = -1);
// Waits at most seconds for pid to end. Returns its exit status (128 + the
// signal number for a killed one), or -1 while it still runs.
int wait_exit(pid_t pid, double seconds);

struct Output {
    int status;
    std::string out, err;
};
// Runs argv to its end, at most seconds long; returns its status and output.
// Throws when it cannot start or overruns (it is killed then).
Output run(const std::vector<std::string> &argv, const EnvChanges &env = {},
           double seconds = 20);

// A fresh folder under /tmp, removed with all it holds by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    const std::string &path() const { return path_; }
    // Takes a name relative to the folder; returns its full path.
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void write_file(const std::string &path, const std::string &content);
// Returns the file's bytes, or "" when it cannot be read.
std::string read_file(const std::string &path);

// A program running in the background, its stderr kept in a file; killed and
// reaped by the destructor if still running.
class Process {
public:
    Process(const std::vector<std::string> &argv, const EnvChanges &env,
            const std::string &cwd);
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;
    // Waits at most seconds; returns the exit status, or -1 while it runs.
    int wait(double seconds);
    // Everything the process wrote to stderr so far.
    std::string stderr_text() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string err_path_;
};

// An Xvfb server at 24 bits a pixel on a display number of its own choice;
// stopped by the destructor, and with this process should that die first.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    const std::string &display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// One top-level window on one display.
struct Window {
    std::string display;
    std::string id;  // as xdotool prints it, in decimal
};

// Waits at most seconds for a window whose title is exactly title. Returns it,
// or a Window with an empty id when none came.
Window find_window(const std::string &display, const std::string &title, double seconds);
// Reads the window's pixels back with xwd; empty image while it is unmapped.
Image grab(const Window &w);
// Writes the window's XWD dump to path.
void save_xwd(const Window &w, const std::string &path);

// The mouse and the keyboard, with window-relative coordinates.
void press(const Window &w, int x, int y);
void release(const Window &w, int x, int y);
void click(const Window &w, int x, int y);
// Takes an X key name ("e", "KP_Add", "BackSpace"); the pointer is moved into
// the window first, so that the key goes there.
void key(const Window &w, const std::string &keysym);
// Closes the window as a window manager does: a WM_DELETE_WINDOW message.
void close_window(const Window &w);

}  // namespace e2e

#endif

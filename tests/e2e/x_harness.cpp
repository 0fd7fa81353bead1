#include "x_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {

std::ostream &operator<<(std::ostream &os, const Rgb &c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// --- XWD ---------------------------------------------------------------------

namespace {

uint32_t big_endian_word(const std::string &data, size_t at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.data() + at);
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

uint32_t big_endian_half(const std::string &data, size_t at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.data() + at);
    return (uint32_t)p[0] << 8 | p[1];
}

// The header's words, in file order.
enum { header_size, version, format, depth, width, height, xoffset, byte_order,
       bitmap_unit, bit_order, pad, bits_per_pixel, bytes_per_line, visual_class,
       red_mask, green_mask, blue_mask, bits_per_rgb, cmap_entries, ncolors, header_words };
using XwdHeader = std::array<uint32_t, header_words>;

// Reads and checks the header: a ZPixmap of a TrueColor or DirectColor
// window, 3 or 4 bytes a pixel, with all its rows in data.
XwdHeader read_header(const std::string &data)
{
    XwdHeader h{};
    if (data.size() < header_words * 4) throw std::runtime_error("XWD dump shorter than its header");
    for (int i = 0; i < header_words; ++i) h[i] = big_endian_word(data, (size_t)i * 4);
    const uint32_t zpixmap = 2, true_colour = 4, direct_colour = 5;
    uint32_t bits = h[bits_per_pixel];
    if (h[version] != 7 || h[format] != zpixmap ||
        (h[visual_class] != true_colour && h[visual_class] != direct_colour) ||
        (bits != 24 && bits != 32))
        throw std::runtime_error("XWD dump is not a TrueColor or DirectColor picture of 24 or 32 bits a pixel");
    size_t end = (size_t)h[header_size] + (size_t)h[ncolors] * 12 + (size_t)h[bytes_per_line] * h[height];
    if (h[header_size] < header_words * 4 || data.size() < end)
        throw std::runtime_error("XWD dump cut short");
    return h;
}

// One colour channel of a pixel: its index under the channel's mask, and the
// intensities (0..255) of the colour map by index. SDL gives its window a
// DirectColor visual, whose map need not be the identity; without a map entry
// the index is scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    std::vector<int> level;

    explicit Channel(uint32_t m)
        : mask(m), shift(m ? __builtin_ctz(m) : 0), level((m >> shift) + 1, -1) {}
    uint32_t index(uint32_t pixel) const { return (pixel & mask) >> shift; }
    int value(uint32_t pixel) const
    {
        uint32_t i = index(pixel), max = mask >> shift;
        if (level[i] >= 0) return level[i];
        return max ? (int)(i * 255 / max) : 0;
    }
};

// Fills the channels' levels from the colour map after the header. An entry:
// the pixel (32 bits), red, green and blue (16 bits each), flags and a pad.
void read_colour_map(const std::string &data, const XwdHeader &h, Channel *const rgb[3])
{
    for (uint32_t i = 0; i < h[ncolors]; ++i) {
        size_t at = h[header_size] + (size_t)i * 12;
        uint32_t pixel = big_endian_word(data, at);
        for (int k = 0; k < 3; ++k)
            rgb[k]->level[rgb[k]->index(pixel)] = (int)(big_endian_half(data, at + 4 + 2 * k) >> 8);
    }
}

// The pixel value at column x of a row, in the image's byte order.
uint32_t pixel_at(const unsigned char *row, int x, int bytes, bool lsb_first)
{
    uint32_t v = 0;
    for (int b = 0; b < bytes; ++b) v = v << 8 | row[x * bytes + (lsb_first ? bytes - 1 - b : b)];
    return v;
}

}  // namespace

Image parse_xwd(const std::string &data)
{
    XwdHeader h = read_header(data);
    Channel red(h[red_mask]), green(h[green_mask]), blue(h[blue_mask]);
    Channel *const rgb[3] = {&red, &green, &blue};
    read_colour_map(data, h, rgb);

    Image img;
    img.width = (int)h[width];
    img.height = (int)h[height];
    img.pixels.reserve((size_t)img.width * img.height);
    const auto *pixels = reinterpret_cast<const unsigned char *>(data.data()) + h[header_size] +
                         (size_t)h[ncolors] * 12;
    int bytes = (int)h[bits_per_pixel] / 8;
    bool lsb_first = h[byte_order] == 0;
    for (int y = 0; y < img.height; ++y) {
        const unsigned char *row = pixels + (size_t)y * h[bytes_per_line];
        for (int x = 0; x < img.width; ++x) {
            uint32_t v = pixel_at(row, x, bytes, lsb_first);
            img.pixels.push_back({red.value(v), green.value(v), blue.value(v)});
        }
    }
    return img;
}

// --- Processes ---------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadline_in(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(seconds));
}

std::string joined(const std::vector<std::string> &argv)
{
    std::string s;
    for (const auto &a : argv) s += (s.empty() ? "" : " ") + a;
    return s;
}

// Runs in the child of a fork up to the exec. The tests have one thread, so
// the child may still allocate; it leaves by _exit, so that nothing of the
// parent (destructors, the test framework's handlers) runs a second time.
[[noreturn]] void become(const std::vector<std::string> &argv, const EnvChanges &env,
                         const std::string &cwd, int out_fd, int err_fd, int keep_fd)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(out_fd >= 0 ? out_fd : devnull, 1);
    dup2(err_fd >= 0 ? err_fd : devnull, 2);
    if (keep_fd >= 0) fcntl(keep_fd, F_SETFD, 0);
    for (const auto &[name, value] : env) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char *> args;
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

}  // namespace

pid_t spawn(const std::vector<std::string> &argv, const EnvChanges &env,
            const std::string &cwd, int out_fd, int err_fd, int keep_fd)
{
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("cannot fork for " + joined(argv));
    if (pid == 0) become(argv, env, cwd, out_fd, err_fd, keep_fd);
    return pid;
}

int wait_exit(pid_t pid, double seconds)
{
    auto deadline = deadline_in(seconds);
    for (;;) {
        int st = 0;
        if (waitpid(pid, &st, WNOHANG) == pid)
            return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        if (Clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

namespace {

// Reads the two pipes into out and err until both close or the deadline
// passes; closes them. Returns whether both closed.
bool drain(int out_fd, int err_fd, Output &o, Clock::time_point deadline)
{
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string *sink[2] = {&o.out, &o.err};
    int open_pipes = 2;
    while (open_pipes > 0 && Clock::now() < deadline) {
        if (poll(fds, 2, 50) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sink[i]->append(buf, (size_t)n);
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_pipes;
            }
        }
    }
    for (auto &f : fds)
        if (f.fd >= 0) close(f.fd);
    return open_pipes == 0;
}

}  // namespace

Output run(const std::vector<std::string> &argv, const EnvChanges &env, double seconds)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        throw std::runtime_error("no pipe");
    }
    pid_t pid;
    try {
        pid = spawn(argv, env, "", out[1], err[1]);
    } catch (...) {
        for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
        throw;
    }
    close(out[1]);
    close(err[1]);
    Output result{-1, "", ""};
    auto deadline = deadline_in(seconds);
    if (drain(out[0], err[0], result, deadline)) {
        std::chrono::duration<double> left = deadline - Clock::now();
        result.status = wait_exit(pid, std::max(left.count(), 0.0));
    }
    if (result.status < 0) {
        kill(pid, SIGKILL);
        wait_exit(pid, 5);
        throw std::runtime_error(joined(argv) + " did not finish within its time");
    }
    return result;
}

// --- Files -------------------------------------------------------------------

TempFolder::TempFolder()
{
    char tmpl[] = "/tmp/hangman-e2e-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("cannot make a folder under /tmp");
    path_ = tmpl;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Process::Process(const std::vector<std::string> &argv, const EnvChanges &env,
                 const std::string &cwd)
{
    char tmpl[] = "/tmp/hangman-e2e-stderr-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0) throw std::runtime_error("cannot make a file under /tmp");
    err_path_ = tmpl;
    try {
        pid_ = spawn(argv, env, cwd, -1, fd);
    } catch (...) {
        close(fd);
        unlink(tmpl);
        throw;
    }
    close(fd);
}

Process::~Process()
{
    if (status_ < 0) {
        kill(pid_, SIGKILL);
        wait_exit(pid_, 5);
    }
    unlink(err_path_.c_str());
}

int Process::wait(double seconds)
{
    if (status_ < 0) status_ = wait_exit(pid_, seconds);
    return status_;
}

std::string Process::stderr_text() const { return read_file(err_path_); }

// --- The X server --------------------------------------------------------------

XServer::XServer()
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    // Xvfb picks a free display number itself and writes it here once it
    // takes connections, so parallel tests never race for one.
    try {
        pid_ = spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                      "1024x768x24", "-nolisten", "tcp", "-noreset"},
                     {}, "", -1, -1, ready[1]);
    } catch (...) {
        close(ready[0]);
        close(ready[1]);
        throw;
    }
    close(ready[1]);
    std::string number;
    auto deadline = deadline_in(20);
    pollfd p = {ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (poll(&p, 1, 50) <= 0) continue;
        char buf[32];
        ssize_t n = read(ready[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, (size_t)n);
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        kill(pid_, SIGKILL);
        wait_exit(pid_, 5);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

XServer::~XServer()
{
    kill(pid_, SIGTERM);
    if (wait_exit(pid_, 5) < 0) {
        kill(pid_, SIGKILL);
        wait_exit(pid_, 5);
    }
}

// --- The window ------------------------------------------------------------------

namespace {

// Runs an X client against the window's display; throws when it fails.
Output x_tool(const Window &w, const std::vector<std::string> &argv)
{
    Output o = run(argv, {{"DISPLAY", w.display}});
    if (o.status != 0) throw std::runtime_error(joined(argv) + " failed: " + o.err);
    return o;
}

void xdotool_at(const Window &w, int x, int y, const std::vector<std::string> &then)
{
    std::vector<std::string> argv = {"xdotool", "mousemove", "--window", w.id,
                                     std::to_string(x), std::to_string(y)};
    argv.insert(argv.end(), then.begin(), then.end());
    x_tool(w, argv);
}

}  // namespace

Window find_window(const std::string &display, const std::string &title, double seconds)
{
    auto deadline = deadline_in(seconds);
    do {
        Output o = run({"xdotool", "search", "--name", "^" + title + "$"}, {{"DISPLAY", display}});
        if (o.status == 0 && !o.out.empty()) return {display, o.out.substr(0, o.out.find('\n'))};
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < deadline);
    return {display, ""};
}

Image grab(const Window &w)
{
    Output o = run({"xwd", "-silent", "-id", w.id}, {{"DISPLAY", w.display}});
    if (o.status != 0) return {};
    return parse_xwd(o.out);
}

void save_xwd(const Window &w, const std::string &path)
{
    x_tool(w, {"xwd", "-silent", "-id", w.id, "-out", path});
}

void press(const Window &w, int x, int y) { xdotool_at(w, x, y, {"mousedown", "1"}); }
void release(const Window &w, int x, int y) { xdotool_at(w, x, y, {"mouseup", "1"}); }
void click(const Window &w, int x, int y) { xdotool_at(w, x, y, {"mousedown", "1", "mouseup", "1"}); }

// With no window manager the focus follows the pointer, so a key reaches the
// window the pointer is in; the bottom-right corner is on no button.
void key(const Window &w, const std::string &keysym) { xdotool_at(w, 795, 475, {"key", keysym}); }

}  // namespace e2e

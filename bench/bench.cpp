// Times the start of a game and one turn on a word file against floors
// measured in the same run, so that the ratios hold on a busy machine where
// absolute times do not.
//
//   hangman_bench [--reps N] WORDFILE   one row of figures for WORDFILE
//   hangman_bench --header              the column titles of those rows
//
// A row: the words the loader accepts, the most common length and its
// candidates, then medians over N repetitions (at least 9, 15 by default) of
//   start  loading, the longest word, the length filter and the duplicate
//          removal for the most common length, as a game starts;
//   floor  one pass over the file in large reads, splitting on white space
//          and testing each word (letters only, at most 30), keeping nothing;
//   turn   the letter step for 'e' on the candidates, the next pattern filter
//          and one guessing frame with the candidate display;
//   frame  the same frame with no engine work;
// the first repetition's start alone (it pays for fresh memory), and the peak
// resident memory of the process. The frames are drawn on an 800x480 32-bit
// surface (the dummy video driver unless SDL_VIDEODRIVER says otherwise) in a
// temporary working folder that holds the game's font.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <limits.h>
#include <sys/resource.h>
#include <unistd.h>

#include "jatek.h"
#include "widgets.h"

namespace {

constexpr int MIN_REPS = 9;
constexpr char GUESS = 'e';

// The processor time of this process, user and system: on a shared machine
// other programs' load would swamp wall-clock times of a few milliseconds.
double now_ms()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs f once and returns how long it took, in milliseconds.
template <class F>
double timed(F f)
{
    double from = now_ms();
    f();
    return now_ms() - from;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// --- The load floor ----------------------------------------------------------

// What a loader can hardly beat: read the file in large blocks and classify
// every byte once, remembering only the current word's length and whether it
// is still all letters. Returns the number of words that would be accepted;
// when db is given, also counts them by length into db[0..BE_MAX].
long load_floor(const char *path, long *db = nullptr)
{
    static char buf[1 << 20];
    FILE *f = fopen(path, "rb");
    if (!f) return 0;
    long accepted = 0;
    size_t hossz = 0;
    bool betuk = true;
    auto word_ends = [&] {
        if (hossz && betuk && hossz <= BE_MAX) {
            ++accepted;
            if (db) ++db[hossz];
        }
        hossz = 0;
        betuk = true;
    };
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(buf[i]);
            if (c == ' ' || (c >= '\t' && c <= '\r')) {
                word_ends();
            } else {
                ++hossz;
                betuk = betuk && static_cast<unsigned char>((c | 0x20) - 'a') < 26;
            }
        }
    }
    word_ends();
    fclose(f);
    return accepted;
}

// --- The start of a game -----------------------------------------------------

struct Start {
    Lista *teljes_lista = nullptr;
    Lista *szurt_lista = nullptr;
};

// What the game does before its first frame, for a given length.
Start game_start(const char *path, int szohossz)
{
    Start s;
    s.teljes_lista = Lista_epit_fajlbol(path);
    volatile int leghosszabb = leghosszabb_szo(s.teljes_lista);
    (void)leghosszabb;
    Lista *hosszra = Lista_szur_hosszra(s.teljes_lista, szohossz);
    s.szurt_lista = Lista_ismetles_nelkul(hosszra);
    Lista_felszab(hosszra);
    return s;
}

void release(Start *s)
{
    s->teljes_lista = Lista_felszab(s->teljes_lista);
    s->szurt_lista = Lista_felszab(s->szurt_lista);
}

// The length with the most accepted words (the shortest among equals), or 0.
int most_common_length(const char *path)
{
    long db[BE_MAX + 1] = {0};
    load_floor(path, db);
    int best = 0;
    for (int h = 1; h <= BE_MAX; ++h)
        if (db[h] > db[best]) best = h;
    return best;
}

// --- One turn ----------------------------------------------------------------

// The guess state of the first turn: all hidden, nothing guessed.
struct Turn {
    Lista *szurt_lista = nullptr;
    std::string tipp;
    int hibak = 0;
    char rossz_betuk[ROSSZ_BETUK_MERET] = {0};
    char jo_betuk[JO_BETUK_MERET] = {0};
};

// A fresh copy of the candidates with the state of the first turn.
Turn first_turn(const Lista *jeloltek, int szohossz)
{
    Turn t;
    t.szurt_lista = Lista_szur_hosszra(jeloltek, szohossz);
    t.tipp.assign(static_cast<size_t>(szohossz), '_');
    return t;
}

// One guessing frame with the candidate display on, as the game draws it.
void draw_frame(SDL_Surface *screen, const Turn &t)
{
    const Colour ink = INK_COLOUR;
    clear(screen);
    if (t.szurt_lista) cheatdisp(screen, t.szurt_lista);
    textdisplay(screen, 20, 90, 70, t.tipp.c_str(), ink.r, ink.g, ink.b, 255);
    betuket_kiir_sdl(screen, t.rossz_betuk, t.jo_betuk);
    drawing(screen, 700, 365, t.hibak);
    SDL_Flip(screen);
}

// The engine's part of the turn: the letter step and the next pattern filter.
void guess(Turn *t)
{
    t->szurt_lista =
        Lista_szur_beture(t->szurt_lista, GUESS, &t->tipp[0], &t->hibak, t->rossz_betuk, t->jo_betuk);
    t->szurt_lista = Lista_szur_karakterekre(t->szurt_lista, t->tipp.c_str());
}

// --- Set-up --------------------------------------------------------------------

// A temporary working folder holding the font as the game names it; removed
// when the object goes.
struct WorkFolder {
    std::string path;
    bool ready = false;

    WorkFolder()
    {
        char tmpl[] = "/tmp/hangman-bench-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        path = tmpl;
        ready = symlink(HANGMAN_FONT_PATH, (path + "/" + FONT_FILE).c_str()) == 0 && chdir(path.c_str()) == 0;
    }
    ~WorkFolder()
    {
        if (path.empty()) return;
        unlink((path + "/" + FONT_FILE).c_str());
        rmdir(path.c_str());
    }
};

SDL_Surface *open_screen()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
    return SDL_SetVideoMode(800, 480, 32, SDL_SWSURFACE);
}

double peak_rss_mb()
{
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss / 1024.0;  // kilobytes on Linux
}

std::string base_name(const std::string &path)
{
    size_t per = path.rfind('/');
    return per == std::string::npos ? path : path.substr(per + 1);
}

// The medians and other figures of one row.
struct Figures {
    long words = 0;
    int szohossz = 0;
    int jeloltek = 0;
    double start = 0, floor = 0, turn = 0, frame = 0, first_start = 0;
};

void print_header()
{
    printf("%-26s %7s %3s %6s %9s %9s %7s %8s %8s %7s %9s %7s\n", "word file", "words", "len", "cands",
           "start ms", "floor ms", "s/floor", "turn ms", "frame ms", "t/frame", "1st start", "peak MB");
}

double ratio(double a, double b) { return b > 0 ? a / b : 0; }

void print_row(const std::string &path, const Figures &f)
{
    printf("%-26s %7ld %3d %6d %9.2f %9.2f %7.2f %8.2f %8.2f %7.2f %9.2f %7.1f\n",
           base_name(path).substr(0, 26).c_str(), f.words, f.szohossz, f.jeloltek, f.start, f.floor,
           ratio(f.start, f.floor), f.turn, f.frame, ratio(f.turn, f.frame), f.first_start, peak_rss_mb());
}

// Game starts and load floors, taken in turns so that a change in the
// machine's load falls on both. Leaves the last start's lists in *s.
void measure_start(const char *path, int reps, Figures *f, Start *s)
{
    std::vector<double> start_ms, floor_ms;
    for (int r = 0; r < reps; ++r) {
        floor_ms.push_back(timed([&] { f->words = load_floor(path); }));
        release(s);
        start_ms.push_back(timed([&] { *s = game_start(path, f->szohossz); }));
    }
    f->start = median(start_ms);
    f->floor = median(floor_ms);
    f->first_start = start_ms[0];
    f->jeloltek = Lista_hossz(s->szurt_lista);
}

// Turns, each on a fresh copy of the candidates, and the same frame again
// right after each.
void measure_turn(SDL_Surface *screen, const Lista *jeloltek, int reps, Figures *f)
{
    std::vector<double> turn_ms, frame_ms;
    for (int r = 0; r < reps && jeloltek; ++r) {
        Turn t = first_turn(jeloltek, f->szohossz);
        turn_ms.push_back(timed([&] {
            guess(&t);
            draw_frame(screen, t);
        }));
        frame_ms.push_back(timed([&] { draw_frame(screen, t); }));
        Lista_felszab(t.szurt_lista);
    }
    if (turn_ms.empty()) return;
    f->turn = median(turn_ms);
    f->frame = median(frame_ms);
}

int usage()
{
    fputs("usage: hangman_bench [--reps N] WORDFILE | hangman_bench --header\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    int reps = 15;
    const char *arg = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--header")) {
            print_header();
            return 0;
        }
        if (!strcmp(argv[i], "--reps") && i + 1 < argc) reps = std::max(MIN_REPS, atoi(argv[++i]));
        else arg = argv[i];
    }
    char path[PATH_MAX];
    if (!arg) return usage();
    if (!realpath(arg, path)) {
        fprintf(stderr, "hangman_bench: cannot read %s\n", arg);
        return 1;
    }
    WorkFolder folder;
    SDL_Surface *screen = folder.ready ? open_screen() : nullptr;
    if (!screen) {
        fputs("hangman_bench: cannot set up the screen and the font\n", stderr);
        return 1;
    }

    Figures f;
    // The length is fixed before the clock runs, as the game draws it first,
    // and without the engine, so that the first start meets fresh memory.
    f.szohossz = most_common_length(path);
    Start s;
    measure_start(path, reps, &f, &s);
    // The floor stands for the loader only if both take the same words.
    if (Lista_hossz(s.teljes_lista) != f.words) {
        fprintf(stderr, "hangman_bench: the loader took %d words, the floor %ld\n",
                Lista_hossz(s.teljes_lista), f.words);
        return 1;
    }
    measure_turn(screen, s.szurt_lista, reps, &f);
    release(&s);
    print_row(path, f);
    SDL_Quit();
    return 0;
}

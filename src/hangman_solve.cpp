// hangman-solve: for each word length of a word file, the fewest wrong
// letters with which a perfect player wins against the game, and a play that
// does it, each play checked first by replaying it through the engine.
//
//   hangman-solve [--budget SECONDS] [--json] WORDFILE [LENGTH...]
//
// Exit status 0 when every length was answered, 1 for a usage error or a
// file that cannot be read whole or has no word to play, 4 when a play found
// does not replay as claimed (which would be a fault of this program).
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "jatek.h"
#include "solver.h"

namespace {
const char SYNOPSIS[] = "usage: hangman-solve [--budget SECONDS] [--json] WORDFILE [LENGTH...]\n";
const char USAGE[] =
    "For each word length (by default every length from 3 to 20 that the file\n"
    "has) prints the candidates, the fewest wrong letters with which a perfect\n"
    "player wins, or \"cannot be won\", whether that is proven, a winning play,\n"
    "the time taken and the positions searched. LENGTH is a whole number from\n"
    "1 to 30. --budget bounds the work on each length: a number of seconds\n"
    "above 0 and at most 1000000 (60 unless given). --json prints the same as\n"
    "JSON. --version prints the version.\n";
const double MAX_BUDGET = 1e6;

struct Options {
    double budget = 60;
    bool json = false;
    const char *file = nullptr;
    std::vector<int> lengths;  // each once, in the order first named
};

// A plain decimal number, as a person writes one: digits, a point and
// digits, no sign, space, exponent or base.
bool decimal(const char *text, double &out)
{
    size_t digits = 0, points = 0;
    for (const char *p = text; *p; ++p) {
        if (*p >= '0' && *p <= '9') ++digits;
        else if (*p == '.' && ++points == 1) continue;
        else return false;
    }
    if (!digits) return false;
    out = std::strtod(text, nullptr);
    return std::isfinite(out);
}

// Reads the arguments into o; on a wrong one, says which and why in one line
// followed by the synopsis, and returns false.
bool parse(int argc, char **argv, Options &o)
{
    auto refuse = [](const std::string &what) {
        std::fprintf(stderr, "hangman-solve: %s\n%s", what.c_str(), SYNOPSIS);
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double v;
        if (arg == "--json") {
            o.json = true;
        } else if (arg == "--budget") {
            if (++i == argc) return refuse("--budget: the number of seconds is missing");
            if (!decimal(argv[i], o.budget) || o.budget <= 0 || o.budget > MAX_BUDGET)
                return refuse(std::string("--budget \"") + argv[i] +
                              "\": not a number of seconds above 0 and at most 1000000");
        } else if (arg == "--help" || arg == "--version") {
            return refuse(arg + " takes no other arguments");
        } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            return refuse("\"" + arg + "\": no such option");
        } else if (!o.file) {
            if (arg.empty()) return refuse("the word file name is empty");
            o.file = argv[i];
        } else if (arg.find('.') == std::string::npos && decimal(argv[i], v) && v >= 1 && v <= BE_MAX) {
            if (std::find(o.lengths.begin(), o.lengths.end(), static_cast<int>(v)) == o.lengths.end())
                o.lengths.push_back(static_cast<int>(v));
        } else {
            return refuse("length \"" + arg + "\": not a whole number from 1 to " + std::to_string(BE_MAX));
        }
    }
    return o.file || refuse("no word file given");
}

// The candidates of each length, as the game takes them from the file: the
// words of that length, each once, in file order. Without lengths asked
// for, every length from 3 to 20 that has words. False, having said why,
// when the file cannot be read whole, or has no word of 3 to 20 letters nor
// of a length asked.
bool load(Options &o, std::map<int, std::vector<std::string>> &by_length)
{
    auto cannot = [&](const char *why) {
        std::fprintf(stderr, "hangman-solve: %s: %s\n", o.file, why);
        return false;
    };
    struct stat st;
    if (std::FILE *f = std::fopen(o.file, "r")) {
        const bool folder = fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
        std::fclose(f);
        if (folder) return cannot(std::strerror(EISDIR));
    } else {
        return cannot(std::strerror(errno));
    }
    int whole = 0;
    errno = 0;
    Lista *words = Lista_epit_fajlbol_ellenorizve(o.file, &whole);
    if (!whole) {
        const int why = errno;
        Lista_felszab(words);
        return cannot(why ? std::strerror(why) : "cannot be read to its end");
    }
    const bool asked = !o.lengths.empty();
    if (!asked)
        for (int length = 3; length <= 20; ++length) o.lengths.push_back(length);
    bool any = false;
    for (const Lista *l = words; l && !any; l = l->kov) {
        const size_t length = std::strlen(l->szo);
        any = length >= 3 && length <= 20;
    }
    for (int length : o.lengths) {
        Lista *of_length = Lista_szur_hosszra(words, length);
        Lista *cands = Lista_ismetles_nelkul(of_length);
        std::vector<std::string> &list = by_length[length];
        for (const Lista *l = cands; l; l = l->kov) list.push_back(l->szo);
        any = any || !list.empty();
        Lista_felszab(cands);
        Lista_felszab(of_length);
    }
    Lista_felszab(words);
    if (!any) return cannot("no word of 3 to 20 letters");
    if (!asked)
        o.lengths.erase(std::remove_if(o.lengths.begin(), o.lengths.end(),
                                       [&](int length) { return by_length[length].empty(); }),
                        o.lengths.end());
    return true;
}

// What is known of a length, in the words of the text line; the JSON says
// the same in its fields.
enum class Verdict { NO_WORDS, WON, LOST, NO_WIN_FOUND };

Verdict verdict(const Solution &s)
{
    if (s.candidates == 0) return Verdict::NO_WORDS;
    if (s.fewest_wrong < LOSING_WRONG) return Verdict::WON;
    return s.proven ? Verdict::LOST : Verdict::NO_WIN_FOUND;
}

std::string text_line(const Solution &s)
{
    std::string says;
    switch (verdict(s)) {
    case Verdict::NO_WORDS: says = "no words"; break;
    case Verdict::WON: says = std::to_string(s.fewest_wrong) + " wrong"; break;
    case Verdict::LOST: says = "cannot be won"; break;
    case Verdict::NO_WIN_FOUND: says = "no win found"; break;
    }
    if (s.candidates)
        says += s.proven ? " (proven)" : " (not proven, at least " + std::to_string(s.lower_bound) + ")";
    if (!s.letters.empty()) says += ", play " + s.letters;
    char line[256];
    std::snprintf(line, sizeof line, "%2d letters: %6d candidate%s, %s, %.2f s, %lld position%s", s.length,
                  s.candidates, s.candidates == 1 ? "" : "s", says.c_str(), s.seconds, s.positions,
                  s.positions == 1 ? "" : "s");
    return line;
}

// can_be_won is true, false (proven lost) or null (no words, or no win
// found in time); fewest_wrong and lower_bound are null where the text
// gives no number.
std::string json_line(const Solution &s)
{
    const Verdict v = verdict(s);
    const char *can_be_won = v == Verdict::WON ? "true" : v == Verdict::LOST ? "false" : "null";
    const std::string fewest = v == Verdict::WON ? std::to_string(s.fewest_wrong) : "null";
    const std::string bound = v == Verdict::NO_WORDS ? "null" : std::to_string(s.lower_bound);
    const bool proven = v != Verdict::NO_WORDS && s.proven;
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"length\": %d, \"candidates\": %d, \"can_be_won\": %s, \"fewest_wrong\": %s, "
                  "\"proven\": %s, \"lower_bound\": %s, \"play\": \"%s\", \"seconds\": %.3f, "
                  "\"positions\": %lld}",
                  s.length, s.candidates, can_be_won, fewest.c_str(), proven ? "true" : "false",
                  bound.c_str(), s.letters.c_str(), s.seconds, s.positions);
    return line;
}

// Solves every length, the biggest first, on as many cores as there are
// (two at most: the search of one length wants its cache to itself). The
// budget of a length counts from before its words are taken apart.
std::vector<Solution> solve_all(const Options &o, std::map<int, std::vector<std::string>> &by_length)
{
    std::vector<Solution> results(o.lengths.size());
    std::vector<size_t> order(o.lengths.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return by_length[o.lengths[a]].size() > by_length[o.lengths[b]].size();
    });
    std::atomic<size_t> taken{0};
    auto work = [&] {
        for (size_t i; (i = taken++) < order.size();) {
            size_t r = order[i];
            const auto started = std::chrono::steady_clock::now();
            results[r] = solve(words_of_length(by_length.at(o.lengths[r])), o.budget, started);
            results[r].length = o.lengths[r];
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min(2u, std::thread::hardware_concurrency()); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &t : helpers) t.join();
    return results;
}
}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(SYNOPSIS, stdout);
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("hangman-solve " HANGMAN_VERSION);
        return 0;
    }
    Options o;
    std::map<int, std::vector<std::string>> by_length;
    if (!parse(argc, argv, o) || !load(o, by_length)) return 1;
    std::vector<Solution> results = solve_all(o, by_length);

    int status = 0;
    std::vector<std::string> lines;
    for (const Solution &s : results) {
        if (!s.letters.empty() && replay(by_length[s.length], s.letters) != s.fewest_wrong) {
            std::fprintf(stderr, "hangman-solve: the play %s for %d letters does not replay as claimed\n",
                         s.letters.c_str(), s.length);
            status = 4;
            continue;
        }
        lines.push_back(o.json ? "  " + json_line(s) : text_line(s));
    }
    if (o.json) std::puts("[");
    for (size_t i = 0; i < lines.size(); ++i)
        std::printf("%s%s\n", lines[i].c_str(), o.json && i + 1 < lines.size() ? "," : "");
    if (o.json) std::puts("]");
    return status;
}

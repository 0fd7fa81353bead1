// hangman-solve: for each word length of a word file, the fewest wrong
// letters with which a perfect player wins against the game, and a play that
// does it, each play checked first by replaying it through the engine.
//
//   hangman-solve [--budget SECONDS] [--json] WORDFILE [LENGTH...]
//
// Exit status 0 when every length was answered, 1 for a usage error or a
// file that cannot be read whole, 4 when a play found does not replay as
// claimed (which would be a fault of this program).
#include <algorithm>
#include <atomic>
#include <cerrno>
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
const char USAGE[] =
    "usage: hangman-solve [--budget SECONDS] [--json] WORDFILE [LENGTH...]\n"
    "For each word length (by default every length from 3 to 20 that the file\n"
    "has) prints the candidates, the fewest wrong letters with which a perfect\n"
    "player wins, or \"cannot be won\", whether that is proven, a winning play,\n"
    "the time taken and the positions searched. --budget bounds the search of\n"
    "each length (60 seconds unless given); --json prints the same as JSON.\n";

struct Options {
    double budget = 60;
    bool json = false;
    const char *file = nullptr;
    std::vector<int> lengths;
};

bool number(const char *text, double &out)
{
    char *end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && std::isfinite(out);
}

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        double v;
        if (std::strcmp(argv[i], "--json") == 0) {
            o.json = true;
        } else if (std::strcmp(argv[i], "--budget") == 0) {
            if (++i == argc || !number(argv[i], o.budget) || o.budget <= 0 || o.budget > 1e6) return false;
        } else if (!o.file && argv[i][0] != '-' && argv[i][0]) {
            o.file = argv[i];
        } else if (o.file && number(argv[i], v) && v == std::floor(v) && v >= 1 && v <= BE_MAX) {
            o.lengths.push_back(static_cast<int>(v));
        } else {
            return false;
        }
    }
    return o.file != nullptr;
}

// The candidates of each length, as the game takes them from the file: the
// words of that length, each once, in file order. Without lengths asked
// for, every length from 3 to 20 that has words. False when the file cannot
// be read whole.
bool load(Options &o, std::map<int, std::vector<std::string>> &by_length)
{
    if (std::FILE *f = std::fopen(o.file, "r")) {
        std::fclose(f);
    } else {
        std::fprintf(stderr, "hangman-solve: %s: %s\n", o.file, std::strerror(errno));
        return false;
    }
    int whole = 0;
    Lista *words = Lista_epit_fajlbol_ellenorizve(o.file, &whole);
    if (!whole) {
        std::fprintf(stderr, "hangman-solve: %s: cannot be read to its end\n", o.file);
        Lista_felszab(words);
        return false;
    }
    const bool asked = !o.lengths.empty();
    if (!asked)
        for (int length = 3; length <= 20; ++length) o.lengths.push_back(length);
    for (int length : o.lengths) {
        Lista *of_length = Lista_szur_hosszra(words, length);
        Lista *cands = Lista_ismetles_nelkul(of_length);
        std::vector<std::string> &list = by_length[length];
        for (const Lista *l = cands; l; l = l->kov) list.push_back(l->szo);
        Lista_felszab(cands);
        Lista_felszab(of_length);
    }
    Lista_felszab(words);
    if (!asked)
        o.lengths.erase(std::remove_if(o.lengths.begin(), o.lengths.end(),
                                       [&](int length) { return by_length[length].empty(); }),
                        o.lengths.end());
    return true;
}

std::string text_line(const Solution &s)
{
    std::string verdict = s.candidates == 0                 ? "no words"
                          : s.fewest_wrong < LOSING_WRONG ? std::to_string(s.fewest_wrong) + " wrong"
                          : s.proven                        ? "cannot be won"
                                                            : "no win found";
    if (s.candidates) verdict += s.proven ? " (proven)" : " (not proven, at least " + std::to_string(s.lower_bound) + ")";
    if (!s.letters.empty()) verdict += ", play " + s.letters;
    char line[256];
    std::snprintf(line, sizeof line, "%2d letters: %6d candidates, %s, %.2f s, %lld position%s", s.length,
                  s.candidates, verdict.c_str(), s.seconds, s.positions, s.positions == 1 ? "" : "s");
    return line;
}

std::string json_line(const Solution &s)
{
    const bool won = s.fewest_wrong < LOSING_WRONG;
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"length\": %d, \"candidates\": %d, \"can_be_won\": %s, \"fewest_wrong\": %s, "
                  "\"proven\": %s, \"lower_bound\": %d, \"play\": \"%s\", \"seconds\": %.3f, "
                  "\"positions\": %lld}",
                  s.length, s.candidates, won ? "true" : s.proven ? "false" : "null",
                  won ? std::to_string(s.fewest_wrong).c_str() : "null", s.proven ? "true" : "false",
                  s.lower_bound, s.letters.c_str(), s.seconds, s.positions);
    return line;
}

// Solves every length, the biggest first, on as many cores as there are
// (two at most: the search of one length wants its cache to itself).
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
            results[r] = solve(words_of_length(by_length.at(o.lengths[r])), o.budget);
            results[r].length = o.lengths[r];
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min(2u, std::thread::hardware_concurrency()); ++t) helpers.emplace_back(work);
    work();
    for (std::thread &t : helpers) t.join();
    return results;
}
}  // namespace

int main(int argc, char **argv)
{
    Options o;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    std::map<int, std::vector<std::string>> by_length;
    if (!parse(argc, argv, o)) {
        std::fputs(USAGE, stderr);
        return 1;
    }
    if (!load(o, by_length)) return 1;
    if (o.lengths.empty()) std::fprintf(stderr, "hangman-solve: %s: no word of 3 to 20 letters\n", o.file);
    std::vector<Solution> results = solve_all(o, by_length);

    int status = 0;
    if (o.json) std::puts("[");
    for (size_t r = 0; r < results.size(); ++r) {
        const Solution &s = results[r];
        if (!s.letters.empty() && replay(by_length[s.length], s.letters) != s.fewest_wrong) {
            std::fprintf(stderr, "hangman-solve: the play %s for %d letters does not replay as claimed\n",
                         s.letters.c_str(), s.length);
            status = 4;
            continue;
        }
        if (o.json)
            std::printf("  %s%s\n", json_line(s).c_str(), r + 1 < results.size() ? "," : "");
        else
            std::puts(text_line(s).c_str());
    }
    if (o.json) std::puts("]");
    return status;
}

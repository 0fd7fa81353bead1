// The search for the fewest wrong letters that win, on the bit sets of
// solver_step.cpp.
#include <algorithm>
#include <chrono>

#include "solver_internal.h"

namespace {
uint64_t mix(uint64_t x)  // splitmix64: a fixed random number for each x
{
    x += 0x9e3779b97f4a7c15u;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}
}  // namespace

// A position's value is the fewest wrong letters that take it to a single
// candidate, from which the word's own letters win with no more. Right
// letters cost nothing and wrong ones 1, and every letter shrinks the
// candidates or shows a place, so the positions form no cycle. The search
// asks, for budgets 0, 1, 2, ..., whether the start can be won within the
// budget, depth first; what it learns of each position (a budget it fails
// within, one it wins within) it keeps under the position's key, so a
// position met again, by another letter order or in the next round, is
// answered at once.

namespace {
struct Entry {
    uint64_t hi = 0, lo = 0;                // the position's key; 0, 0 marks a free slot
    int8_t fails_below = 0;                 // no play wins it with fewer wrong letters than this
    int8_t wins_within = LOSING_WRONG + 1;  // a play wins it with this many at most
    char move = 0;                          // the first key of that play
};

// Positions seen, by key: open addressing in one array that doubles while
// it is small and, once at its limit, overwrites (a lost entry only means
// searching that position again).
class Table {
public:
    Entry &at(uint64_t hi, uint64_t lo)
    {
        if (slots_.empty() || (used_ * 2 > slots_.size() && slots_.size() < LIMIT)) grow();
        size_t mask = slots_.size() - 1;
        size_t i = hi & mask;
        for (int probe = 0; probe < 8; ++probe, i = (i + 1) & mask) {
            Entry &e = slots_[i];
            if (e.hi == hi && e.lo == lo) return e;
            if (e.hi == 0 && e.lo == 0) {
                ++used_;
                e = Entry{};
                e.hi = hi;
                e.lo = lo;
                return e;
            }
        }
        Entry &e = slots_[hi & mask];  // the table is full here: take the home slot
        e = Entry{};
        e.hi = hi;
        e.lo = lo;
        return e;
    }

private:
    static constexpr size_t LIMIT = size_t(1) << 20;
    void grow()
    {
        std::vector<Entry> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 1024 : old.size() * 2, Entry{});
        used_ = 0;
        for (const Entry &e : old)
            if (e.hi || e.lo) at(e.hi, e.lo) = e;
    }
    std::vector<Entry> slots_;
    size_t used_ = 0;
};

class Search {
public:
    Search(const Words &w, std::chrono::steady_clock::time_point deadline)
        : w_(w), deadline_(deadline), last_words_(w, &deadline_)
    {
        for (int i = 0; i < 32; ++i)
            for (int c = 0; c < ALPHABET; ++c) pattern_key_[i][c] = mix(1000003u * (i + 1) + c);
    }

    // Whether p can be won with at most budget wrong letters; false also
    // when the time has run out (then timed_out() tells). Only the words of
    // hopes, those the position above kept, can end a winning play.
    bool can_win(const Position &p, const std::vector<uint32_t> &hopes, int budget, size_t depth, char wrong)
    {
        if (decided(p)) return true;
        ++positions_;
        if (timed_out_ || (timed_out_ = std::chrono::steady_clock::now() > deadline_)) return false;
        uint64_t hi, lo;
        key(p, hi, lo);
        {
            Entry &e = table_.at(hi, lo);
            if (e.fails_below > budget) return false;
            if (e.wins_within <= budget) return true;
        }
        std::vector<uint32_t> &ends = hopes_[depth];
        last_words_.keep(p, hopes, depth, wrong, budget, &p == start_, ends);
        char moves[ALPHABET];
        int n = ends.empty() ? 0 : order_moves(p, ends, budget, moves);
        for (int m = 0; m < n; ++m) {
            Position &next = scratch_[depth];
            int cost = step(w_, p, moves[m], next);
            if (cost <= budget && can_win(next, ends, budget - cost, depth + 1, cost ? moves[m] : 0)) {
                Entry &e = table_.at(hi, lo);
                e.wins_within = static_cast<int8_t>(budget);
                e.move = moves[m];
                return true;
            }
        }
        if (!timed_out_) {
            Entry &e = table_.at(hi, lo);
            e.fails_below = static_cast<int8_t>(std::max<int>(e.fails_below, budget + 1));
        }
        return false;
    }

    // can_win for the start of the game, which only ever grows its budget.
    bool can_win_from_start(const Position &start, int budget)
    {
        start_ = &start;
        return can_win(start, candidates(start), budget, 0, 0);
    }

    // The keys of a play that wins p within budget, which can_win has found:
    // each position's kept first key, the search rerun where it was lost.
    std::string play(Position p, int budget)
    {
        std::string keys;
        Position next;
        // A lost entry is searched again, and the time allowed no longer
        // counts: the budget is known to be enough.
        deadline_ = std::chrono::steady_clock::time_point::max();
        timed_out_ = false;
        while (!decided(p)) {
            uint64_t hi, lo;
            key(p, hi, lo);
            if (table_.at(hi, lo).wins_within > budget) can_win(p, candidates(p), budget, 0, 0);
            char c = table_.at(hi, lo).move;
            keys += c;
            budget -= step(w_, p, c, next);
            std::swap(p, next);
        }
        return keys + last_keys(p);
    }

    // A play found without searching, for when the time runs out: at each
    // position the first letter the search would try. Its wrong letters go
    // to wrong.
    std::string quick_play(Position p, int &wrong)
    {
        std::string keys;
        Position next;
        wrong = 0;
        while (!decided(p) && wrong < LOSING_WRONG) {
            char moves[ALPHABET];
            if (order_moves(p, candidates(p), LOSING_WRONG, moves) == 0) {
                wrong = LOSING_WRONG;  // no letter tells the candidates apart
                break;
            }
            keys += moves[0];
            wrong += step(w_, p, moves[0], next);
            std::swap(p, next);
        }
        return keys + last_keys(p);
    }

    long long positions() const { return positions_; }
    bool timed_out() const { return timed_out_; }

private:
    // Whether p is down to one candidate (or none), from which no more wrong
    // letters are needed.
    static bool decided(const Position &p)
    {
        return p.block.size() < 2 && (p.block.empty() || ones(p.in[0]) < 2);
    }

    void key(const Position &p, uint64_t &hi, uint64_t &lo) const
    {
        hi = 0x6a09e667f3bcc908u;
        lo = 0xbb67ae8584caa73bu;
        for (size_t n = 0; n < p.block.size(); ++n) {
            uint64_t h = mix(p.in[n] ^ mix(p.block[n]));
            hi ^= h;
            lo += mix(h);
        }
        for (size_t i = 0; i < p.pattern.size(); ++i)
            if (p.pattern[i] != '_') hi ^= pattern_key_[i][p.pattern[i] - 'a'];
    }

    // The letters worth trying in p: those that every candidate holds (they
    // cost nothing), then, budget allowing, those that some lack, the ones
    // most candidates hold first. A letter that no candidate holds would only
    // cost a wrong letter, and one that every possible last word holds would
    // take them all away. Returns how many.
    int order_moves(const Position &p, const std::vector<uint32_t> &ends, int budget, char *moves) const
    {
        int held[ALPHABET] = {0};
        const int all = static_cast<int>(count(p));
        // Word by word where the blocks are sparse, 64 words at once where not.
        if (all <= 4 * static_cast<int>(p.block.size())) {
            for (uint32_t x : candidates(p))
                for (uint32_t m = w_.letters[x]; m; m &= m - 1) ++held[__builtin_ctz(m)];
        } else {
            for (size_t c = 0; c < ALPHABET; ++c)
                for (size_t n = 0; n < p.block.size(); ++n)
                    held[c] += ones(p.in[n] & w_.has[c * w_.blocks + p.block[n]]);
        }
        for (char ch : p.pattern)
            if (ch != '_') held[ch - 'a'] = 0;
        int n = 0;
        for (int c = 0; c < ALPHABET; ++c)
            if (held[c] == all) moves[n++] = static_cast<char>('a' + c);
        if (budget == 0) return n;
        uint32_t in_every_end = ~0u;
        for (uint32_t x : ends) in_every_end &= w_.letters[x];
        int first_wrong = n;
        for (int c = 0; c < ALPHABET; ++c)
            if (held[c] > 0 && held[c] < all && !(in_every_end >> c & 1))
                moves[n++] = static_cast<char>('a' + c);
        std::sort(moves + first_wrong, moves + n,
                  [&](char a, char b) { return held[a - 'a'] > held[b - 'a']; });
        return n;
    }

    // The keys that win once a single candidate is left: its letters not
    // yet shown, or, when all are shown somewhere, one repeated key, which
    // the game refuses but which lets it fill the word in.
    std::string last_keys(const Position &p) const
    {
        if (p.block.empty()) return "";
        std::string keys;
        for (char ch : w_.text[candidates(p)[0]])
            if (p.pattern.find(ch) == std::string::npos && keys.find(ch) == std::string::npos) keys += ch;
        size_t shown = p.pattern.find_first_not_of('_');
        if (keys.empty() && p.pattern.find('_') != std::string::npos) keys += p.pattern[shown];
        return keys;
    }

    const Words &w_;
    std::chrono::steady_clock::time_point deadline_;
    solver::LastWords last_words_;
    const Position *start_ = nullptr;  // the start, whose answers are kept
    uint64_t pattern_key_[32][ALPHABET];
    Table table_;
    // The positions after each depth's letter; a position of the search is
    // the one a depth above, so they never move. Each letter is new, so 26
    // deep at most.
    std::vector<Position> scratch_ = std::vector<Position>(ALPHABET + 1);
    std::vector<std::vector<uint32_t>> hopes_ = std::vector<std::vector<uint32_t>>(ALPHABET + 1);
    long long positions_ = 0;
    bool timed_out_ = false;
};
}  // namespace

Solution solve(const Words &w, double budget_seconds, std::chrono::steady_clock::time_point started)
{
    Solution s;
    s.length = w.length;
    s.candidates = static_cast<int>(w.text.size());
    if (w.text.empty()) {  // nothing to play: no game is drawn at this length
        s.lower_bound = LOSING_WRONG;
        s.proven = true;
        return s;
    }
    Search search(w, started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(budget_seconds)));
    Position start = start_position(w);
    for (int budget = 0; budget < LOSING_WRONG; ++budget) {
        if (search.can_win_from_start(start, budget)) {
            s.fewest_wrong = budget;
            s.letters = search.play(start, budget);
            break;
        }
        if (search.timed_out()) break;
        s.lower_bound = budget + 1;
    }
    if (search.timed_out()) {
        int wrong;
        std::string keys = search.quick_play(start, wrong);
        if (wrong < LOSING_WRONG) {
            s.fewest_wrong = wrong;
            s.letters = keys;
        }
    }
    s.proven = s.lower_bound == s.fewest_wrong;
    s.positions = search.positions();
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return s;
}

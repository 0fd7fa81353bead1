// The search for the fewest wrong letters that win, on the bit sets of
// solver_step.cpp.
#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "solver.h"

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
// A position being searched, what the search may spend on it and what it
// has found out about it so far.
struct Node {
    const Position &p;
    uint32_t hidden;     // the letters its pattern does not show
    uint32_t startable;  // see Search::startable
    int budget;          // the wrong letters left
};

// Sets of letters that wrong letters must meet, gathered each once, with the
// sets found apart (no letter in common), each of which needs its own.
struct Family {
    std::vector<uint32_t> sets;
    uint32_t used = 0;     // the letters of the sets apart
    uint32_t singles = 0;  // the letters that are a set alone, and so are chosen
    int apart = 0, budget = 0;
    // The sets taken since the last restart or forget_seen, in a small
    // table by stamp; when it is crowded a set is just taken again. Kept
    // apart from the sets, so that copying a family is cheap.
    std::vector<uint64_t> *seen;
    uint32_t *stamp;

    void restart(int letters)
    {
        sets.clear();
        used = singles = 0;
        apart = 0;
        budget = letters;
        forget_seen();
    }
    void forget_seen() { ++*stamp; }
    // Adds a set; false when the sets can no longer be met within the budget.
    bool add(uint32_t set)
    {
        if (!set) return false;
        if (set & singles || seen_before(set)) return true;
        if (!(set & (set - 1))) singles |= set;
        if (!(set & used)) {
            used |= set;
            if (++apart > budget) return false;
        }
        sets.push_back(set);
        return true;
    }

private:
    bool seen_before(uint32_t set)
    {
        std::vector<uint64_t> &table = *seen;
        size_t i = (set * 0x9e3779b1u) >> 20;
        for (int probe = 0; probe < 4; ++probe, i = (i + 1) & 4095) {
            if (table[i] >> 32 != *stamp) {
                table[i] = uint64_t(*stamp) << 32 | set;
                return false;
            }
            if (static_cast<uint32_t>(table[i]) == set) return true;
        }
        return false;
    }
};

struct Entry {
    uint64_t hi = 0, lo = 0;  // the position's key; 0, 0 marks a free slot
    int8_t fails_below = 0;   // no play wins it with fewer wrong letters than this
    int8_t wins_within = LOSING_WRONG + 1;  // a play wins it with this many at most
    char move = 0;            // the first key of that play
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
    Search(const Words &w, double budget_seconds)
        : w_(w), deadline_(std::chrono::steady_clock::now() +
                           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::chrono::duration<double>(budget_seconds)))
    {
        for (int i = 0; i < 32; ++i)
            for (int c = 0; c < ALPHABET; ++c) pattern_key_[i][c] = mix(1000003u * (i + 1) + c);
        index_places();
    }

    // Whether p can be won with at most budget wrong letters; false also
    // when the time has run out (then timed_out() tells). Only the words of
    // hopes, ascending, can end a winning play from the position above.
    bool can_win(const Position &p, const std::vector<uint32_t> &hopes, int budget, size_t depth)
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
        last_words(p, hopes, budget, ends);
        char moves[ALPHABET];
        int n = ends.empty() ? 0 : order_moves(p, ends, budget, moves);
        for (int m = 0; m < n; ++m) {
            Position &next = scratch_[depth];
            int cost = step(w_, p, moves[m], next);
            if (cost <= budget && can_win(next, ends, budget - cost, depth + 1)) {
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
        return can_win(start, candidates(start), budget, 0);
    }

    // The keys of a play that wins p within budget, which can_win has found:
    // each position's kept first key, the search rerun where it was lost.
    std::string play(Position p, int budget)
    {
        std::string keys;
        Position next;
        while (!decided(p)) {
            uint64_t hi, lo;
            key(p, hi, lo);
            if (table_.at(hi, lo).wins_within > budget) can_win(p, candidates(p), budget, 0);
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
            order_moves(p, candidates(p), LOSING_WRONG, moves);
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
    int order_moves(const Position &p, const std::vector<uint32_t> &ends, int budget,
                    char *moves) const
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
            if (held[c] > 0 && held[c] < all && !(in_every_end >> c & 1)) moves[n++] = static_cast<char>('a' + c);
        std::sort(moves + first_wrong, moves + n,
                  [&](char a, char b) { return held[a - 'a'] > held[b - 'a']; });
        return n;
    }

    // The words of hopes that can still end a play from p that wins within
    // budget, into ends. A word w ends the play only once every other
    // candidate is gone. A right letter takes a candidate away only where it
    // stands elsewhere than in w, so a candidate that agrees with w on the
    // places of every letter both hold (letters shown already aside) must go
    // by a wrong letter, one of its own that w lacks. If no budget letters
    // meet all those candidates, w cannot end such a play.
    void last_words(const Position &p, const std::vector<uint32_t> &hopes, int budget,
                    std::vector<uint32_t> &ends)
    {
        Node node{p, ~0u, 0, budget};
        for (char ch : p.pattern)
            if (ch != '_') node.hidden &= ~(1u << (ch - 'a'));
        node.startable = startable(node);
        for (size_t n = 0; n < p.block.size(); ++n) in_[p.block[n]] = p.in[n];
        ends.clear();
        for (uint32_t w : hopes)
            if (in_[w / 64] >> (w % 64) & 1) ends.push_back(w);
        // Each word costs a pass over the candidates. Where all of them would
        // cost more than the search they could save, they are tried only
        // until one may end the play, and the rest stay hopes, unproven.
        const bool all = ends.size() * p.block.size() * static_cast<size_t>(w_.length) <= WORK_LIMIT;
        size_t kept = 0;
        for (size_t i = 0; i < ends.size(); ++i) {
            uint32_t w = ends[i];
            if (!(&p == start_ ? may_start_to_end(node, w) : may_end(node, w))) continue;
            ends[kept++] = w;
            if (!all) {
                kept = static_cast<size_t>(std::copy(ends.begin() + static_cast<long>(i) + 1, ends.end(),
                                                     ends.begin() + static_cast<long>(kept)) - ends.begin());
                break;
            }
        }
        ends.resize(kept);
        for (uint32_t b : p.block) in_[b] = 0;
    }

    // may_end for the start, asked again for each budget: a word that may
    // end a play within some budget may within any greater one.
    bool may_start_to_end(const Node &node, uint32_t w)
    {
        if (start_ends_within_.empty()) start_ends_within_.assign(w_.text.size(), LOSING_WRONG + 1);
        if (start_ends_within_[w] > node.budget && may_end(node, w))
            start_ends_within_[w] = static_cast<int8_t>(node.budget);
        return start_ends_within_[w] <= node.budget;
    }

    // The hidden letters that budget wrong letters can make every candidate
    // of the node hold, and so a right letter: those the candidates without
    // it can all be met by, in the words' own letters.
    uint32_t startable(const Node &node)
    {
        uint32_t letters = 0;
        for (size_t c = 0; c < ALPHABET; ++c) {
            if (!(node.hidden >> c & 1)) continue;
            const uint64_t *has = &w_.has[c * w_.blocks];
            Family &sets = family_;
            sets.restart(node.budget);
            bool open = true;
            for (size_t n = 0; n < node.p.block.size() && open; ++n)
                for (uint64_t lack = node.p.in[n] & ~has[node.p.block[n]]; lack && open; lack &= lack - 1)
                    open = sets.add(w_.letters[node.p.block[n] * 64 + static_cast<uint32_t>(__builtin_ctzll(lack))]);
            if (open && can_meet(sets.sets.data(), sets.sets.size(), node.budget, 0)) letters |= 1u << c;
        }
        return letters;
    }

    // Whether w may end a play that wins within budget from the position
    // whose candidates in_ marks and whose hidden letters are hidden.
    bool may_end(const Node &node, uint32_t w)
    {
        const Position &p = node.p;
        const uint32_t hidden = node.hidden;
        const int budget = node.budget;
        // No letter of w can become a right letter in time (see below).
        if (w_.letters[w] & hidden && !(w_.letters[w] & node.startable)) return false;
        // A candidate agrees with w on letter c when it lacks c or holds it
        // where w does; bit sets over all the words answer that for 64 at once.
        const uint64_t *agree_on[ALPHABET][2];
        int letters = 0;
        for (uint32_t m = w_.letters[w] & hidden; m; m &= m - 1) {
            int c = __builtin_ctz(m);
            agree_on[letters][0] = &w_.has[static_cast<size_t>(c) * w_.blocks];
            agree_on[letters++][1] = &same_[same_of_[w * ALPHABET + static_cast<size_t>(c)]];
        }
        Family &sets = family_;
        sets.restart(budget);
        const uint32_t not_w = ~w_.letters[w];
        for (size_t n = 0; n < p.block.size(); ++n) {
            const uint32_t b = p.block[n];
            uint64_t agreeing = p.in[n];
            if (b == w / 64) agreeing &= ~(uint64_t(1) << (w % 64));
            for (int l = 0; l < letters && agreeing; ++l) agreeing &= ~agree_on[l][0][b] | agree_on[l][1][b];
            for (; agreeing; agreeing &= agreeing - 1)
                if (!sets.add(w_.letters[b * 64 + static_cast<uint32_t>(__builtin_ctzll(agreeing))] & not_w))
                    return false;
        }
        if (!can_meet(sets.sets.data(), sets.sets.size(), budget, 0)) return false;
        // The first right letter c, too, must wait until every candidate holds
        // it: those without c must go by wrong letters before. With no
        // hidden letter of its own, w wins only when wrong letters take
        // every other candidate away.
        agreeing_ = sets;
        const bool right_possible = w_.letters[w] & hidden;
        for (uint32_t m = right_possible ? w_.letters[w] & node.startable : 1; m; m &= m - 1) {
            const uint64_t *has = &w_.has[static_cast<size_t>(__builtin_ctz(m)) * w_.blocks];
            sets = agreeing_;
            sets.forget_seen();
            bool open = true;
            for (size_t n = 0; n < p.block.size() && open; ++n) {
                uint64_t lack = p.in[n] & (right_possible ? ~has[p.block[n]] : ~uint64_t(0));
                if (p.block[n] == w / 64) lack &= ~(uint64_t(1) << (w % 64));
                for (; lack && open; lack &= lack - 1)
                    open = sets.add(w_.letters[p.block[n] * 64 + static_cast<uint32_t>(__builtin_ctzll(lack))] & not_w);
            }
            if (open && can_meet(sets.sets.data(), sets.sets.size(), budget, 0)) return true;
        }
        return false;
    }

    // The bit sets that may_end reads besides the words': for each letter
    // and set of places, the words holding it at exactly those (same_, found
    // through same_of_ for each word and letter).
    void index_places()
    {
        const size_t n = w_.text.size();
        in_.assign(w_.blocks, 0);
        same_of_.assign(n * ALPHABET, 0);
        std::unordered_map<uint64_t, uint32_t> found;
        for (uint32_t x = 0; x < n; ++x)
            for (size_t c = 0; c < ALPHABET; ++c) {
                uint32_t at = w_.places[x * ALPHABET + c];
                if (!at) continue;
                auto [it, added] = found.emplace(uint64_t(c) << 32 | at, static_cast<uint32_t>(same_.size()));
                if (added) same_.resize(same_.size() + w_.blocks, 0);
                same_of_[x * ALPHABET + c] = it->second;
                same_[it->second + x / 64] |= uint64_t(1) << (x % 64);
            }
    }

    // Whether some budget letters meet every one of the n sets of letters,
    // level deep in the search for them.
    bool can_meet(const uint32_t *sets, size_t n, int budget, size_t level)
    {
        if (n == 0) return true;
        // Sets without a letter in common each need one of their own.
        uint32_t used = 0;
        int apart = 0;
        size_t fewest = 0;
        for (size_t i = 0; i < n; ++i) {
            if (!(sets[i] & used)) {
                used |= sets[i];
                if (++apart > budget) return false;
            }
            if (ones(sets[i]) < ones(sets[fewest])) fewest = i;
        }
        // Some letter of the smallest set is among them: try each, and in
        // each try leave out the letters tried before it, whose plays the
        // earlier tries have seen.
        if (meet_scratch_.size() <= level) meet_scratch_.resize(level + 1);
        uint32_t tried = 0;
        for (uint32_t m = sets[fewest]; m; m &= m - 1) {
            uint32_t bit = m & (0 - m);
            std::vector<uint32_t> &rest = meet_scratch_[level];
            rest.clear();
            bool open = true;
            for (size_t i = 0; i < n && open; ++i)
                if (!(sets[i] & bit)) {
                    rest.push_back(sets[i] & ~tried);
                    open = rest.back() != 0;
                }
            if (open && can_meet(rest.data(), rest.size(), budget - 1, level + 1)) return true;
            tried |= bit;
        }
        return false;
    }

    // The keys that win once a single candidate is left: its letters not
    // yet shown, or, when all are shown somewhere, one repeated key, which
    // the game refuses but which lets it fill the word in.
    std::string last_keys(const Position &p) const
    {
        if (p.block.empty()) return "";
        std::string keys;
        for (char ch : w_.text[candidates(p)[0]])
            if (p.pattern.find(ch) == std::string::npos && keys.find(ch) == std::string::npos)
                keys += ch;
        size_t shown = p.pattern.find_first_not_of('_');
        if (keys.empty() && p.pattern.find('_') != std::string::npos) keys += p.pattern[shown];
        return keys;
    }

    static constexpr size_t WORK_LIMIT = size_t(1) << 20;
    const Words &w_;
    const Position *start_ = nullptr;  // the start, whose may_end answers are kept
    std::chrono::steady_clock::time_point deadline_;
    uint64_t pattern_key_[32][ALPHABET];
    Table table_;
    // The positions after each depth's letter; a position of the search is
    // the one a depth above, so they never move. Each letter is new, so 26
    // deep at most.
    std::vector<Position> scratch_ = std::vector<Position>(ALPHABET + 1);
    std::vector<std::vector<uint32_t>> hopes_ = std::vector<std::vector<uint32_t>>(ALPHABET + 1);
    std::vector<uint64_t> seen_ = std::vector<uint64_t>(4096, 0);
    uint32_t stamp_ = 1;
    Family family_{{}, 0, 0, 0, 0, &seen_, &stamp_}, agreeing_ = family_;
    std::vector<std::vector<uint32_t>> meet_scratch_;
    std::vector<uint64_t> in_, same_;
    std::vector<int8_t> start_ends_within_;
    std::vector<uint32_t> same_of_;
    long long positions_ = 0;
    bool timed_out_ = false;
};
}  // namespace

Solution solve(const Words &w, double budget_seconds)
{
    auto started = std::chrono::steady_clock::now();
    Solution s;
    s.length = w.length;
    s.candidates = static_cast<int>(w.text.size());
    if (w.text.empty()) {  // nothing to play: no game is drawn at this length
        s.lower_bound = LOSING_WRONG;
        s.proven = true;
        return s;
    }
    Search search(w, budget_seconds);
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


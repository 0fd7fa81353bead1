// What the solver's files share: the bound on the words that can end a
// winning play, which the search (solver.cpp) asks at every position and
// solver_bound.cpp answers. Owned by the search; only reads the Words.
#ifndef SOLVER_INTERNAL_H
#define SOLVER_INTERNAL_H

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "solver.h"

namespace solver {

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
    void forget_seen()
    {
        if (++*stamp == 0) {  // after four billion families the stamps start again
            std::fill(seen->begin(), seen->end(), 0);
            *stamp = 1;
        }
    }
    // Adds a set; false when the sets can no longer be met within the budget.
    bool add(uint32_t set) { return add(set, true); }
    // The same, taking a set seen before again, for a family that is then
    // cut to its least sets anyway (see LastWords::least).
    bool add(uint32_t set, bool once)
    {
        if (!set) return false;
        if (set & singles || (once && seen_before(set))) return true;
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

// The words that can still end a play that wins a position within a budget.
// A word w ends the play only once every other candidate is gone, and every
// letter played keeps w: a letter w lacks is wrong and takes away the
// candidates holding it; a letter c of w must be held by every candidate
// at least as often as w holds it when it is played (else the game keeps
// those holding it fewer times, without w), and it takes away those holding
// it more often, or as often at other places, if it shows at a place of w.
// So:
// - a candidate that holds each hidden letter of w fewer times than w or at
//   w's places (one that agrees with w) must go by a wrong letter of its own
//   that w lacks;
// - for each order in which w's hidden letters may be played, a candidate
//   holding the next letter fewer times than w, that no letter before has
//   taken away, must go by such a wrong letter too;
// - the first right letter must show at a place of w, where only wrong
//   letters have been played before it.
// If no budget letters outside w meet all that, w cannot end such a play.
// Whatever a position rules out, no position below it can end a play on,
// so a position starts from the words its parent kept.
class LastWords {
public:
    // Keeps a reference to w, and reads the deadline, past which it leaves
    // words unchecked.
    LastWords(const Words &w, const std::chrono::steady_clock::time_point *deadline);
    // Takes a position at the given depth of the search, the words the
    // position above it kept (hopes; at depth 0, any words), the wrong
    // letter that led from there (0 for a right letter, or at depth 0), its
    // budget, and whether it is the start, whose answers are kept from one
    // budget to the next; writes into ends the words of hopes that may end
    // a play from it.
    void keep(const Position &p, const std::vector<uint32_t> &hopes, size_t depth, char wrong, int budget,
              bool at_start, std::vector<uint32_t> &ends);

private:
    // What keep found at one depth, for the depth below to start from when
    // a wrong letter leads there: a wrong letter only takes the sets holding
    // it away, and the least of the sets stay the least.
    struct Kept {
        std::vector<uint32_t> sets;  // the ends' least agreeing sets, end after end
        struct Range {
            uint32_t from, to;  // from > to: not worked out
        };
        std::vector<Range> at;       // per end, where its sets are
        std::vector<uint32_t> lack;  // per letter, the least sets of the candidates without it
        uint32_t lack_from[ALPHABET], lack_to[ALPHABET];
        uint32_t lack_known = 0;  // the letters whose sets are in lack
        uint32_t closed = 0;      // the letters that cannot become right within the budget
    };
    struct Node {
        const Position &p;
        uint32_t hidden;     // the letters its pattern does not show
        uint32_t startable;  // see startable()
        int budget;          // the wrong letters left
        Kept &here;
        const Kept *above;  // when a wrong letter led here
        uint32_t wrong;     // that letter, as a bit
        bool at_start;
    };
    uint32_t startable(Node &node);
    bool agreement(const Node &node, uint32_t w, int collect_within);
    bool small_sets_met(int budget);
    bool may_end(const Node &node, uint32_t w);
    bool in_some_order(const Node &node, uint32_t w, uint32_t own, size_t level);
    bool play_next(const Node &node, uint32_t w, uint32_t own, size_t c, size_t level);
    bool meet_with_agreeing(const std::vector<uint32_t> &sets, int budget);
    const std::vector<uint32_t> *first_sets(const Node &node, uint32_t w, size_t c);
    bool some_first_letter(const Node &node, uint32_t w);
    bool shown_at_w_first(const Node &node, uint32_t w, size_t c);
    bool fits(uint32_t chosen, uint32_t banned, int left);
    void least(const std::vector<uint32_t> &sets, std::vector<uint32_t> &out);
    bool can_meet(const uint32_t *sets, size_t n, int budget, size_t level);
    // The words holding letter c fewer times than word x does.
    const uint64_t *fewer(uint32_t x, size_t c) const
    {
        const size_t k = static_cast<size_t>(ones(w_.places[x * ALPHABET + c]));
        return &fewer_[(c * (static_cast<size_t>(w_.length) + 1) + k) * w_.blocks];
    }
    // The words holding a letter at exactly the places where a word does,
    // block by block: those holding it as often, at each of those places.
    struct Same {
        const uint64_t *as_often;
        const uint64_t *at[32];
        int places;
        uint64_t operator[](size_t b) const
        {
            uint64_t m = as_often[b];
            for (int i = 0; i < places && m; ++i) m &= at[i][b];
            return m;
        }
    };
    Same same(uint32_t x, size_t c) const;
    // The letters of the first word of a block's bits.
    uint32_t lowest_letters(uint32_t block, uint64_t bits) const
    {
        return w_.letters[block * 64 + static_cast<uint32_t>(__builtin_ctzll(bits))];
    }

    static constexpr size_t WORK_LIMIT = size_t(1) << 24, TRY_LIMIT = size_t(1) << 21;
    static constexpr size_t ORDERS_LIMIT = 256, FITS_LIMIT = 4096, LARGER_COMPARED = 16;
    static constexpr uint32_t UNKNOWN = ~0u;
    const Words &w_;
    const std::chrono::steady_clock::time_point *deadline_;
    std::vector<uint64_t> seen_ = std::vector<uint64_t>(4096, 0);
    uint32_t stamp_ = 1;
    Family family_{{}, 0, 0, 0, 0, &seen_, &stamp_};
    std::vector<Kept> kept_;                    // one for each depth
    std::vector<std::vector<uint32_t>> extra_;  // see in_some_order, a level for each right letter
    std::vector<std::vector<uint64_t>> open_;   // see in_some_order
    size_t orders_tried_ = 0, fits_tried_ = 0;
    std::vector<uint32_t> meet_left_, least_, small_, gone_;
    const std::vector<uint32_t> *before_ = nullptr;
    std::vector<uint32_t> firsts_[ALPHABET];        // see first_sets, for the word asked about
    uint32_t firsts_known_ = 0, firsts_empty_ = 0;  // see shown_at_w_first and least
    std::vector<uint64_t> rivals_;
    struct Group {
        uint64_t key;  // the letters outside w that take it away, above its places of c
        int count;
    };
    std::vector<Group> groups_;
    const uint32_t *agreeing_ = nullptr;  // the least agreeing sets of the word asked about
    size_t agreeing_n_ = 0;
    uint32_t w_places_ = 0;
    std::vector<std::vector<uint32_t>> meet_scratch_;
    std::vector<uint64_t> in_;     // the candidates of the position, as a full bit set
    std::vector<uint64_t> fewer_;  // see the constructor
    // The start's answers: the budget each word may end a play within
    // (LOSING_WRONG + 1 when not yet known), and its least agreeing sets.
    std::vector<int8_t> start_ends_within_;
    std::vector<uint32_t> start_sets_, start_from_, start_to_;
    // And its least sets of the candidates without each letter (see Kept).
    std::vector<uint32_t> start_lack_;
    uint32_t start_lack_from_[ALPHABET] = {}, start_lack_to_[ALPHABET] = {}, start_lack_known_ = 0;
};

}  // namespace solver

#endif

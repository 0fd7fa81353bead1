// What the solver's files share: the bound on the words that can end a
// winning play, which the search (solver.cpp) asks at every position and
// solver_bound.cpp answers. Owned by the search; only reads the Words.
#ifndef SOLVER_INTERNAL_H
#define SOLVER_INTERNAL_H

#include <algorithm>
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

// The words that can still end a play that wins a position within a budget.
// A word w ends the play only once every other candidate is gone. A right
// letter takes a candidate away only where it stands elsewhere than in w, so
// a candidate that agrees with w on the places of every letter both hold
// (letters shown already aside) must go by a wrong letter, one of its own
// that w lacks; and before the first right letter c, every candidate without
// c must go so too. If for no letter c of w some budget letters meet all
// those candidates, w cannot end such a play. Along a play this only rules
// out more words, never fewer, so a position may start from the words its
// parent kept.
class LastWords {
public:
    explicit LastWords(const Words &w);  // keeps a reference to w
    // Takes a position, the words its parent kept (hopes), its budget, and
    // whether it is the start, whose answers are kept from one budget to the
    // next; writes into ends the words of hopes that may end a play from it.
    void keep(const Position &p, const std::vector<uint32_t> &hopes, int budget, bool at_start,
              std::vector<uint32_t> &ends);

private:
    struct Node {
        const Position &p;
        uint32_t hidden;     // the letters its pattern does not show
        uint32_t startable;  // see startable()
        int budget;          // the wrong letters left
    };
    uint32_t startable(const Node &node);
    bool may_end(const Node &node, uint32_t w);
    bool may_start_to_end(const Node &node, uint32_t w);
    bool can_meet(const uint32_t *sets, size_t n, int budget, size_t level);

    static constexpr size_t WORK_LIMIT = size_t(1) << 20;
    const Words &w_;
    std::vector<uint64_t> seen_ = std::vector<uint64_t>(4096, 0);
    uint32_t stamp_ = 1;
    Family family_{{}, 0, 0, 0, 0, &seen_, &stamp_}, agreeing_ = family_;
    std::vector<std::vector<uint32_t>> meet_scratch_;
    std::vector<uint64_t> in_;          // the candidates of the position, as a full bit set
    std::vector<uint64_t> same_;        // see the constructor
    std::vector<uint32_t> same_of_;
    std::vector<int8_t> start_ends_within_;
};

}  // namespace solver

#endif

// The bound on the words that can end a winning play (see solver_internal.h).
#include <algorithm>
#include <unordered_map>

#include "solver_internal.h"

namespace solver {

void LastWords::keep(const Position &p, const std::vector<uint32_t> &hopes, int budget, bool at_start,
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
        if (!(at_start ? may_start_to_end(node, w) : may_end(node, w))) continue;
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
bool LastWords::may_start_to_end(const Node &node, uint32_t w)
{
    if (start_ends_within_.empty()) start_ends_within_.assign(w_.text.size(), LOSING_WRONG + 1);
    if (start_ends_within_[w] > node.budget && may_end(node, w))
        start_ends_within_[w] = static_cast<int8_t>(node.budget);
    return start_ends_within_[w] <= node.budget;
}

// The hidden letters that budget wrong letters can make every candidate
// of the node hold, and so a right letter: those the candidates without
// it can all be met by, in the words' own letters.
uint32_t LastWords::startable(const Node &node)
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

// Whether w may end a play that wins the node's position within its budget.
bool LastWords::may_end(const Node &node, uint32_t w)
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

// may_end reads, besides the words' own bit sets, for each letter and
// set of places the words holding it at exactly those (same_, found
// through same_of_ for each word and letter).
LastWords::LastWords(const Words &w) : w_(w)
{
    const size_t n = w_.text.size();
    in_.assign(w_.blocks, 0);
    meet_scratch_.resize(LOSING_WRONG + 1);  // a level for each letter of the budget
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
bool LastWords::can_meet(const uint32_t *sets, size_t n, int budget, size_t level)
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

}  // namespace solver

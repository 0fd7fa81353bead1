// The bound on the words that can end a winning play (see solver_internal.h).
#include <algorithm>

#include "solver_internal.h"

namespace solver {

void LastWords::keep(const Position &p, const std::vector<uint32_t> &hopes, size_t depth, char wrong,
                     int budget, bool at_start, std::vector<uint32_t> &ends)
{
    Kept &here = kept_[depth];
    const Kept *above = depth > 0 && wrong ? &kept_[depth - 1] : nullptr;
    Node node{p, ~0u, 0, budget, here, above, wrong ? 1u << (wrong - 'a') : 0, at_start};
    for (char ch : p.pattern)
        if (ch != '_') node.hidden &= ~(1u << (ch - 'a'));
    node.startable = startable(node);
    for (size_t n = 0; n < p.block.size(); ++n) in_[p.block[n]] = p.in[n];
    size_t left = 0;
    for (uint32_t w : hopes) left += in_[w / 64] >> (w % 64) & 1;
    // Each word costs a pass over the candidates. Where all of them would
    // cost more than the search they could save, they are tried only until
    // one may end the play or that much has been spent, and the rest stay
    // hopes, unproven.
    const size_t pass = p.block.size() * static_cast<size_t>(w_.length);
    const bool all = left * pass <= WORK_LIMIT;
    size_t spent = 0;
    if (at_start && start_ends_within_.empty()) {
        start_ends_within_.assign(w_.text.size(), LOSING_WRONG + 1);
        start_from_.assign(w_.text.size(), UNKNOWN);
        start_to_.assign(w_.text.size(), 0);
    }
    ends.clear();
    here.sets.clear();
    here.at.clear();
    bool found = false, late = false;
    for (size_t i = 0; i < hopes.size(); ++i) {
        const uint32_t w = hopes[i];
        if (!(in_[w / 64] >> (w % 64) & 1)) continue;
        const uint32_t own = w_.letters[w] & node.hidden;
        // Out of time, the rest are kept unchecked; the search stops anyway.
        if (i % 64 == 0 && !late) late = std::chrono::steady_clock::now() > *deadline_;
        if (late || (!all && (found || spent > TRY_LIMIT))) {
            ends.push_back(w);
            here.at.push_back({UNKNOWN, 0});
            continue;
        }
        // No letter of w can become a right letter in time, or be the first
        // (see play_next).
        if (own && !(own & node.startable)) continue;
        if (own && !some_first_letter(node, w)) continue;
        // w's least agreeing sets: at the start kept for every budget; below
        // a wrong letter, those above without it; else worked out.
        const size_t from = here.sets.size();
        bool known = false;
        if (at_start) {
            // Worked out once for all budgets, unless they cannot be met
            // within this one: then again at the next.
            if (start_from_[w] == UNKNOWN) {
                if (!agreement(node, w, budget) || !small_sets_met(budget)) continue;
                start_from_[w] = static_cast<uint32_t>(start_sets_.size());
                least(family_.sets, start_sets_);
                start_to_[w] = static_cast<uint32_t>(start_sets_.size());
            }
            here.sets.insert(here.sets.end(), start_sets_.begin() + start_from_[w],
                             start_sets_.begin() + start_to_[w]);
            known = start_ends_within_[w] <= budget;
        } else if (above && above->at[i].from <= above->at[i].to) {
            for (uint32_t k = above->at[i].from; k < above->at[i].to; ++k)
                if (!(above->sets[k] & node.wrong)) here.sets.push_back(above->sets[k]);
        } else if (agreement(node, w, budget) && small_sets_met(budget)) {
            least(family_.sets, here.sets);
        } else {
            continue;
        }
        spent += pass + 4 * (here.sets.size() - from);
        agreeing_ = here.sets.data() + from;
        agreeing_n_ = here.sets.size() - from;
        if (known || may_end(node, w)) {
            if (at_start)
                start_ends_within_[w] = static_cast<int8_t>(std::min<int>(start_ends_within_[w], budget));
            ends.push_back(w);
            here.at.push_back({static_cast<uint32_t>(from), static_cast<uint32_t>(here.sets.size())});
            found = true;
        } else {
            here.sets.resize(from);
        }
    }
    for (uint32_t b : p.block) in_[b] = 0;
}

// The hidden letters that budget wrong letters can make every candidate
// of the node hold, and so a right letter: those the candidates without
// it can all be met by, in the words' own letters. What cannot be met
// within the budget cannot below a wrong letter within one less.
uint32_t LastWords::startable(Node &node)
{
    Kept &here = node.here;
    here.lack.clear();
    here.lack_known = here.closed = 0;
    uint32_t letters = 0;
    for (size_t c = 0; c < ALPHABET; ++c) {
        const uint32_t bit = 1u << c;
        if (!(node.hidden & bit)) continue;
        if (node.above && node.above->closed & bit) {
            here.closed |= bit;
            continue;
        }
        here.lack_from[c] = static_cast<uint32_t>(here.lack.size());
        if (node.above && node.above->lack_known & bit) {
            for (uint32_t k = node.above->lack_from[c]; k < node.above->lack_to[c]; ++k)
                if (!(node.above->lack[k] & node.wrong)) here.lack.push_back(node.above->lack[k]);
        } else if (node.at_start && start_lack_known_ & bit) {
            here.lack.insert(here.lack.end(), start_lack_.begin() + start_lack_from_[c],
                             start_lack_.begin() + start_lack_to_[c]);
        } else {
            const uint64_t *has = &w_.has[c * w_.blocks];
            Family &sets = family_;
            sets.restart(node.budget);
            bool open = true;
            for (size_t n = 0; n < node.p.block.size() && open; ++n)
                for (uint64_t lack = node.p.in[n] & ~has[node.p.block[n]]; lack && open; lack &= lack - 1)
                    open = sets.add(lowest_letters(node.p.block[n], lack));
            if (!open) {
                here.closed |= bit;
                continue;
            }
            least(sets.sets, here.lack);
            // The start's are kept for the next budget.
            if (node.at_start) {
                start_lack_from_[c] = static_cast<uint32_t>(start_lack_.size());
                start_lack_.insert(start_lack_.end(), here.lack.begin() + here.lack_from[c], here.lack.end());
                start_lack_to_[c] = static_cast<uint32_t>(start_lack_.size());
                start_lack_known_ |= bit;
            }
        }
        here.lack_to[c] = static_cast<uint32_t>(here.lack.size());
        here.lack_known |= bit;
        const size_t lacking = here.lack_to[c] - here.lack_from[c];
        if (can_meet(here.lack.data() + here.lack_from[c], lacking, node.budget, 0)) letters |= bit;
        else here.closed |= bit;
    }
    return letters;
}

// Whether the sets of family_ of one or two letters, which are few and
// the hardest to meet, can be met within budget: a quick test before
// all the sets are sorted out.
bool LastWords::small_sets_met(int budget)
{
    small_.clear();
    for (uint32_t set : family_.sets)
        if (ones(set) <= 2) small_.push_back(set);
    meet_left_.clear();
    least(small_, meet_left_);
    return can_meet(meet_left_.data(), meet_left_.size(), budget, 0);
}

// Sorts the candidates of the node other than w into those that agree with
// it (see solver_internal.h) and the others, open_[0]. With collect_within
// at 0 or more the agreeing ones' letters outside w go to family_, and the
// answer is false when they can no longer be met within that many.
bool LastWords::agreement(const Node &node, uint32_t w, int collect_within)
{
    const Position &p = node.p;
    // A candidate agrees with w on letter c when it holds c fewer times
    // than w or at w's places; bit sets over all the words answer that for
    // 64 at once.
    const uint64_t *fewer_on[ALPHABET];
    Same same_on[ALPHABET];
    int letters = 0;
    for (uint32_t m = w_.letters[w] & node.hidden; m; m &= m - 1) {
        size_t c = static_cast<size_t>(__builtin_ctz(m));
        fewer_on[letters] = fewer(w, c);
        same_on[letters++] = same(w, c);
    }
    const bool collect = collect_within >= 0;
    if (collect) family_.restart(collect_within);
    const uint32_t not_w = ~w_.letters[w];
    std::vector<uint64_t> &open = open_[0];
    open.resize(p.block.size());
    for (size_t n = 0; n < p.block.size(); ++n) {
        const uint32_t b = p.block[n];
        uint64_t agreeing = p.in[n];
        if (b == w / 64) agreeing &= ~(uint64_t(1) << (w % 64));
        open[n] = agreeing;
        for (int l = 0; l < letters && agreeing; ++l) agreeing &= fewer_on[l][b] | same_on[l][b];
        open[n] &= ~agreeing;
        if (collect)
            for (; agreeing; agreeing &= agreeing - 1)
                if (!family_.add(lowest_letters(b, agreeing) & not_w, false)) return false;
    }
    return true;
}

// Whether w may end a play that wins the node's position within its
// budget, its least agreeing sets being agreeing_.
bool LastWords::may_end(const Node &node, uint32_t w)
{
    const Position &p = node.p;
    const uint32_t own = w_.letters[w] & node.hidden;
    const int budget = node.budget;
    if (!can_meet(agreeing_, agreeing_n_, budget, 0)) return false;
    agreement(node, w, -1);
    // With no hidden letter of its own, w wins only when wrong letters take
    // every other candidate away.
    if (!own) {
        const uint32_t not_w = ~w_.letters[w];
        gone_.clear();
        for (size_t n = 0; n < p.block.size(); ++n)
            for (uint64_t rest = open_[0][n]; rest; rest &= rest - 1) {
                gone_.push_back(lowest_letters(p.block[n], rest) & not_w);
                if (!gone_.back()) return false;
            }
        extra_[0].clear();
        least(gone_, extra_[0]);
        return meet_with_agreeing(extra_[0], budget);
    }
    // The cheaper test first: some order of the right letters; then the
    // first one shown at a place of w.
    orders_tried_ = 0;
    extra_[0].clear();
    for (uint32_t m = own & node.startable; m; m &= m - 1) {
        const size_t c = static_cast<size_t>(__builtin_ctz(m));
        if (play_next(node, w, own, c, 0) && shown_at_w_first(node, w, c)) return true;
    }
    return false;
}

// Whether some hidden letter of w can be its first right letter, as far as
// the candidates without it go: a quick test before w's agreeing sets are
// worked out. A letter w holds more than once passes untested.
bool LastWords::some_first_letter(const Node &node, uint32_t w)
{
    firsts_known_ = 0;
    for (uint32_t m = w_.letters[w] & node.startable; m; m &= m - 1) {
        const size_t c = static_cast<size_t>(__builtin_ctz(m));
        if (ones(w_.places[w * ALPHABET + c]) > 1) return true;
        const std::vector<uint32_t> *sets = first_sets(node, w, c);
        if (sets && can_meet(sets->data(), sets->size(), node.budget, 0)) return true;
    }
    return false;
}

// The least sets of the candidates that hold c fewer times than w, without
// w's letters, which cannot be wrong: they must all go before c is w's
// first right letter. Worked out once for each word and letter; null when
// they cannot be met within the budget. When w holds c once they are those
// without c, whose least sets the node has: letters meeting those meet all.
const std::vector<uint32_t> *LastWords::first_sets(const Node &node, uint32_t w, size_t c)
{
    std::vector<uint32_t> &sets = firsts_[c];
    const uint32_t bit = 1u << c;
    if (firsts_known_ & bit) return firsts_empty_ & bit ? nullptr : &sets;
    firsts_known_ |= bit;
    firsts_empty_ &= ~bit;
    const uint32_t not_w = ~w_.letters[w];
    Family &gathered = family_;
    gathered.restart(node.budget);
    bool open = true;
    if (ones(w_.places[w * ALPHABET + c]) == 1) {
        for (uint32_t k = node.here.lack_from[c]; k < node.here.lack_to[c] && open; ++k)
            open = gathered.add(node.here.lack[k] & not_w, false);
    } else {
        const uint64_t *fewer_c = fewer(w, c);
        for (size_t n = 0; n < node.p.block.size() && open; ++n)
            for (uint64_t m = node.p.in[n] & fewer_c[node.p.block[n]]; m && open; m &= m - 1)
                open = gathered.add(lowest_letters(node.p.block[n], m) & not_w, false);
    }
    if (!open) {
        firsts_empty_ |= bit;
        return nullptr;
    }
    sets.clear();
    least(gathered.sets, sets);
    return &sets;
}

// Whether budget letters meet both w's agreeing sets and the sets given,
// each the least and smallest first.
bool LastWords::meet_with_agreeing(const std::vector<uint32_t> &sets, int budget)
{
    meet_left_.resize(agreeing_n_ + sets.size());
    std::merge(agreeing_, agreeing_ + agreeing_n_, sets.begin(), sets.end(), meet_left_.begin(),
               [](uint32_t a, uint32_t b) { return ones(a) < ones(b); });
    return can_meet(meet_left_.data(), meet_left_.size(), budget, 0);
}

// The candidates of open_[level] are the ones no right letter of w played
// so far has decided. A right letter c of w takes away those that hold c
// more often than w, or as often at other places; but it may be played
// only once every candidate holds c as often as w: those of the
// undecided that hold it fewer times must go by wrong letters, and join
// the sets to meet. Whether the right letters left (own) can follow in
// some order with every set still met within the budget; extra_[level]
// holds the least sets of those that must go so far. Letters that make no
// candidate go by wrong letters are played at once; past a few hundred
// orders the answer is yes, unproven.
bool LastWords::in_some_order(const Node &node, uint32_t w, uint32_t own, size_t level)
{
    const Position &p = node.p;
    std::vector<uint64_t> &open = open_[level];
    for (bool played = true; played;) {
        played = false;
        for (uint32_t m = own; m; m &= m - 1) {
            const size_t c = static_cast<size_t>(__builtin_ctz(m));
            const uint64_t *fewer_c = fewer(w, c);
            const Same same_c = same(w, c);
            size_t n = 0;
            while (n < p.block.size() && !(open[n] & fewer_c[p.block[n]])) ++n;
            if (n < p.block.size()) continue;
            uint64_t left = 0;
            for (n = 0; n < p.block.size(); ++n) left |= open[n] &= same_c[p.block[n]];
            if (!left) return true;
            own &= ~(1u << c);
            played = true;
        }
    }
    if (!own || ++orders_tried_ > ORDERS_LIMIT) return true;
    for (uint32_t m = own; m; m &= m - 1)
        if (play_next(node, w, own, static_cast<size_t>(__builtin_ctz(m)), level)) return true;
    return false;
}

// in_some_order with c the next right letter played.
bool LastWords::play_next(const Node &node, uint32_t w, uint32_t own, size_t c, size_t level)
{
    const Position &p = node.p;
    const std::vector<uint64_t> &open = open_[level];
    const uint64_t *fewer_c = fewer(w, c);
    const Same same_c = same(w, c);
    const uint32_t not_w = ~w_.letters[w];
    gone_.clear();
    std::vector<uint64_t> &next = open_[level + 1];
    next.resize(p.block.size());
    for (size_t n = 0; n < p.block.size(); ++n) {
        const uint32_t b = p.block[n];
        next[n] = open[n] & same_c[b];
        if (level == 0) continue;
        for (uint64_t gone = open[n] & fewer_c[b]; gone; gone &= gone - 1) {
            gone_.push_back(lowest_letters(b, gone) & not_w);
            if (!gone_.back()) return false;
        }
    }
    // The sets of the letters before, and the least of the new ones; first,
    // those of all the candidates holding c fewer times (the agreeing ones
    // among them are met anyway).
    std::vector<uint32_t> &sets = extra_[level + 1];
    if (level == 0) {
        const std::vector<uint32_t> *first = first_sets(node, w, c);
        if (!first) return false;
        sets = *first;
    } else {
        sets.assign(extra_[level].begin(), extra_[level].end());
        const size_t before = sets.size();
        least(gone_, sets);
        std::inplace_merge(sets.begin(), sets.begin() + static_cast<long>(before), sets.end(),
                           [](uint32_t a, uint32_t b) { return ones(a) < ones(b); });
    }
    return meet_with_agreeing(extra_[level + 1], node.budget) &&
           in_some_order(node, w, own & ~(1u << c), level + 1);
}

// Whether w can keep its place when c is its first right letter. Before c
// only wrong letters are played, and they must take away every candidate
// holding c fewer times than w. Then c shows at the place where most of the
// candidates holding it as often as w (the rivals) hold it, the leftmost of
// equals, and that must be a place of w; so wrong letters may have to take
// rivals away too, but not so many that w's agreeing sets can no longer be
// met within the budget.
bool LastWords::shown_at_w_first(const Node &node, uint32_t w, size_t c)
{
    const Position &p = node.p;
    const uint32_t not_w = ~w_.letters[w];
    const size_t times = static_cast<size_t>(ones(w_.places[w * ALPHABET + c]));
    const uint64_t *as_often = &w_.times[(c * (static_cast<size_t>(w_.length) + 1) + times) * w_.blocks];
    const std::vector<uint32_t> *first = first_sets(node, w, c);
    if (!first) return false;
    before_ = first;
    rivals_.clear();
    for (size_t n = 0; n < p.block.size(); ++n) {
        const uint32_t b = p.block[n];
        for (uint64_t m = p.in[n] & as_often[b]; m; m &= m - 1) {
            const uint32_t x = b * 64 + static_cast<uint32_t>(__builtin_ctzll(m));
            rivals_.push_back(uint64_t(w_.letters[x] & not_w) << 32 | w_.places[x * ALPHABET + c]);
        }
    }
    // Rivals alike in the letters that can take them away and in their
    // places of c count together.
    std::sort(rivals_.begin(), rivals_.end());
    groups_.clear();
    for (uint64_t r : rivals_) {
        if (groups_.empty() || groups_.back().key != r) groups_.push_back({r, 0});
        ++groups_.back().count;
    }
    w_places_ = w_.places[w * ALPHABET + c];
    fits_tried_ = 0;
    return fits(0, 0, node.budget);
}

// Whether wrong letters besides chosen, none of banned and at most left
// of them, make c's first showing fall on w (see shown_at_w_first); past a
// few thousand tries the answer is yes, unproven.
bool LastWords::fits(uint32_t chosen, uint32_t banned, int left)
{
    if (++fits_tried_ > FITS_LIMIT) return true;
    // A set that must be met before c: the smallest; sets apart each need
    // a letter of their own.
    uint32_t branch = 0, used = 0;
    int fewest = ALPHABET + 1, apart = 0;
    for (uint32_t set : *before_) {
        if (set & chosen) continue;
        if (!(set & used)) {
            used |= set;
            if (++apart > left) return false;
        }
        if (ones(set & ~banned) < fewest) {
            branch = set & ~banned;
            fewest = ones(branch);
        }
    }
    if (fewest == 0) return false;
    if (fewest > ALPHABET) {
        int held_at[32] = {0};
        for (const Group &g : groups_)
            if (!(static_cast<uint32_t>(g.key >> 32) & chosen))
                for (uint32_t m = static_cast<uint32_t>(g.key); m; m &= m - 1)
                    held_at[__builtin_ctz(m)] += g.count;
        int shown = 0;
        for (int i = 1; i < w_.length; ++i)
            if (held_at[i] > held_at[shown]) shown = i;
        if (w_places_ >> shown & 1) {
            // Met after c or before: w's agreeing sets.
            meet_left_.clear();
            for (size_t k = 0; k < agreeing_n_; ++k)
                if (!(agreeing_[k] & chosen)) meet_left_.push_back(agreeing_[k]);
            return can_meet(meet_left_.data(), meet_left_.size(), left, 0);
        }
        for (const Group &g : groups_)
            if (!(static_cast<uint32_t>(g.key >> 32) & chosen) && (g.key >> shown & 1))
                branch |= static_cast<uint32_t>(g.key >> 32);
        branch &= ~banned;
    }
    if (left == 0) return false;
    for (uint32_t m = branch; m; m &= m - 1) {
        const uint32_t bit = m & (0 - m);
        if (fits(chosen | bit, banned, left - 1)) return true;
        banned |= bit;
    }
    return false;
}

// may_end reads, besides the words' own bit sets, for each letter and
// count the words holding it fewer times (fewer_).
LastWords::LastWords(const Words &w, const std::chrono::steady_clock::time_point *deadline)
    : w_(w), deadline_(deadline)
{
    const size_t L = static_cast<size_t>(w_.length), B = w_.blocks;
    fewer_.assign(ALPHABET * (L + 1) * B, 0);
    for (size_t c = 0; c < ALPHABET; ++c)
        for (size_t k = 1; k <= L; ++k)
            for (size_t b = 0; b < B; ++b)
                fewer_[(c * (L + 1) + k) * B + b] =
                    fewer_[(c * (L + 1) + k - 1) * B + b] | w_.times[(c * (L + 1) + k - 1) * B + b];
    in_.assign(w_.blocks, 0);
    meet_scratch_.resize(LOSING_WRONG + 1);  // a level for each letter of the budget
    kept_.resize(ALPHABET + 1);
    open_.resize(ALPHABET + 1);
    extra_.resize(ALPHABET + 1);
}

LastWords::Same LastWords::same(uint32_t x, size_t c) const
{
    const size_t L = static_cast<size_t>(w_.length), B = w_.blocks;
    const uint32_t places = w_.places[x * ALPHABET + c];
    Same s{&w_.times[(c * (L + 1) + static_cast<size_t>(ones(places))) * B], {}, 0};
    for (uint32_t m = places; m; m &= m - 1)
        s.at[s.places++] = &w_.at[(c * L + static_cast<size_t>(__builtin_ctz(m))) * B];
    return s;
}

// Appends to out the least of the sets, the smallest first: a set holding
// another is met with it. Sorting by size also lets the search for letters
// meeting them find more sets apart.
void LastWords::least(const std::vector<uint32_t> &sets, std::vector<uint32_t> &out)
{
    size_t at[ALPHABET + 2] = {0};
    for (uint32_t set : sets) ++at[ones(set) + 1];
    for (size_t k = 1; k <= ALPHABET + 1; ++k) at[k] += at[k - 1];
    least_.resize(sets.size());
    for (uint32_t set : sets) least_[at[ones(set)]++] = set;
    // Sets of one or two letters are looked up by letter; the larger ones
    // are compared one by one, the first few of them: a set left that holds
    // another costs the search for letters a little, not its answer.
    uint32_t singles = 0, pair_with[ALPHABET] = {0};
    size_t larger = out.size();
    for (uint32_t set : least_) {
        if (set & singles) continue;
        uint32_t m = set;
        while (m && !(pair_with[__builtin_ctz(m)] & set)) m &= m - 1;
        if (m) continue;
        size_t i = larger;
        const size_t end = std::min(out.size(), larger + LARGER_COMPARED);
        while (i < end && (out[i] & set) != out[i]) ++i;
        if (i < end) continue;
        out.push_back(set);
        const int size = ones(set);
        if (size == 1) singles |= set;
        if (size == 2) {
            pair_with[__builtin_ctz(set)] |= set & (set - 1);
            pair_with[31 - __builtin_clz(set)] |= set & (0 - set);
        }
        if (size <= 2) larger = out.size();
    }
    // The larger sets alike were only compared with a few: once each.
    // Sorted with their size above their 26 letters, so that sets of equal
    // size stay in one run.
    const auto from = out.begin() + static_cast<long>(larger);
    for (auto it = from; it != out.end(); ++it) *it |= static_cast<uint32_t>(ones(*it)) << ALPHABET;
    std::sort(from, out.end());
    out.erase(std::unique(from, out.end()), out.end());
    for (auto it = from; it != out.end(); ++it) *it &= (1u << ALPHABET) - 1;
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

// The rules of the game on bit sets of candidates: the words taken apart,
// the letter step, and the replay through the engine that checks a play.
#include <cstring>

#include "jatek.h"
#include "solver.h"

Words words_of_length(const std::vector<std::string> &words)
{
    Words w;
    w.text = words;
    w.length = words.empty() ? 0 : static_cast<int>(words[0].size());
    const size_t n = words.size(), B = (n + 63) / 64, L = static_cast<size_t>(w.length);
    w.blocks = B;
    w.letters.assign(n, 0);
    w.places.assign(n * ALPHABET, 0);
    w.has.assign(ALPHABET * B, 0);
    w.at.assign(ALPHABET * L * B, 0);
    w.times.assign(ALPHABET * (L + 1) * B, 0);
    for (size_t x = 0; x < n; ++x) {
        const uint64_t bit = uint64_t(1) << (x % 64), block = x / 64;
        for (size_t i = 0; i < L; ++i) {
            size_t c = static_cast<size_t>(words[x][i] - 'a');
            w.letters[x] |= 1u << c;
            w.places[x * ALPHABET + c] |= 1u << i;
            w.at[(c * L + i) * B + block] |= bit;
        }
        for (size_t c = 0; c < ALPHABET; ++c) {
            size_t k = static_cast<size_t>(ones(w.places[x * ALPHABET + c]));
            w.times[(c * (L + 1) + k) * B + block] |= bit;
            if (k) w.has[c * B + block] |= bit;
        }
    }
    return w;
}

Position start_position(const Words &w)
{
    Position p;
    for (size_t b = 0; b < w.blocks; ++b) {
        size_t words = std::min<size_t>(64, w.text.size() - 64 * b);
        p.block.push_back(static_cast<uint32_t>(b));
        p.in.push_back(words == 64 ? ~uint64_t(0) : (uint64_t(1) << words) - 1);
    }
    p.pattern.assign(static_cast<size_t>(w.length), '_');
    return p;
}

std::vector<uint32_t> candidates(const Position &p)
{
    std::vector<uint32_t> xs;
    for (size_t n = 0; n < p.block.size(); ++n)
        for (uint64_t m = p.in[n]; m; m &= m - 1)
            xs.push_back(p.block[n] * 64 + static_cast<uint32_t>(__builtin_ctzll(m)));
    return xs;
}

size_t count(const Position &p)
{
    size_t n = 0;
    for (uint64_t m : p.in) n += static_cast<size_t>(ones(m));
    return n;
}

namespace {
// Adds a block of candidates to p when it holds any.
inline void keep(Position &p, uint32_t block, uint64_t in)
{
    if (!in) return;
    p.block.push_back(block);
    p.in.push_back(in);
}

// The fill of a single candidate, the engine's own.
void fill_if_single(const Words &w, Position &p)
{
    if (p.in.size() != 1 || ones(p.in[0]) != 1) return;
    const uint32_t x = p.block[0] * 64 + static_cast<uint32_t>(__builtin_ctzll(p.in[0]));
    betuk_kitolt(&p.pattern[0], w.text[x].c_str());
}
}  // namespace

int step(const Words &w, const Position &from, char letter, Position &next)
{
    const size_t c = static_cast<size_t>(letter - 'a'), B = w.blocks, L = static_cast<size_t>(w.length);
    const uint64_t *has = &w.has[c * B];
    next.block.clear();
    next.in.clear();
    next.pattern = from.pattern;
    bool all_hold = true;
    for (size_t n = 0; n < from.block.size() && all_hold; ++n) all_hold = !(from.in[n] & ~has[from.block[n]]);
    if (!all_hold) {
        // The family is the words without the letter; the pattern stays.
        for (size_t n = 0; n < from.block.size(); ++n)
            keep(next, from.block[n], from.in[n] & ~has[from.block[n]]);
        fill_if_single(w, next);
        return 1;
    }
    // Every candidate holds it: the family holds it the fewest times.
    const uint64_t *family = nullptr;
    for (size_t k = 1; k <= L && !family; ++k) {
        const uint64_t *times = &w.times[(c * (L + 1) + k) * B];
        for (size_t n = 0; n < from.block.size() && !family; ++n)
            if (from.in[n] & times[from.block[n]]) family = times;
    }
    if (!family) return 0;  // no candidate at all
    int held_at[32] = {0};
    int members = 0;
    for (size_t n = 0; n < from.block.size(); ++n) {
        uint64_t f = from.in[n] & family[from.block[n]];
        members += ones(f);
        for (size_t i = 0; i < L && f; ++i)
            if (from.pattern[i] == '_') held_at[i] += ones(f & w.at[(c * L + i) * B + from.block[n]]);
    }
    // The hidden place most family words hold it at, the leftmost of equals.
    int best = -1;
    for (size_t i = 0; i < L; ++i)
        if (from.pattern[i] == '_' && (best < 0 || held_at[i] > held_at[best])) best = static_cast<int>(i);
    const uint64_t *there = best < 0 ? family : &w.at[(c * L + static_cast<size_t>(best)) * B];
    for (size_t n = 0; n < from.block.size(); ++n)
        keep(next, from.block[n], from.in[n] & family[from.block[n]] & there[from.block[n]]);
    if (best >= 0) next.pattern[static_cast<size_t>(best)] = letter;
    if (members == 1 && !next.block.empty()) {
        uint32_t x = next.block[0] * 64 + static_cast<uint32_t>(__builtin_ctzll(next.in[0]));
        for (size_t i = 0; i < L; ++i)
            if (w.text[x][i] == letter) next.pattern[i] = letter;
        betuk_kitolt(&next.pattern[0], w.text[x].c_str());
    }
    return 0;
}

int replay(const std::vector<std::string> &words, const std::string &keys)
{
    if (words.empty()) return -1;
    Lista *cands = nullptr, *last = nullptr;
    for (const std::string &word : words) {
        last = Lista_vegere_beszur(last, word.c_str());
        if (!cands) cands = last;
    }
    std::string pattern(words[0].size(), '_');
    int hibak = 0;
    char rossz_betuk[ROSSZ_BETUK_MERET] = {0}, jo_betuk[JO_BETUK_MERET] = {0};
    size_t next = 0;
    // The game's turn loop, with the keys for the player.
    while (hibak < LOSING_WRONG && (cands->kov || pattern != cands->szo)) {
        cands = Lista_szur_karakterekre(cands, pattern.c_str());
        if (next == keys.size()) break;
        char betu = keys[next++];
        if (!volt_mar_vagy_ertelmetlen(betu, rossz_betuk, jo_betuk))
            cands = Lista_szur_beture(cands, betu, &pattern[0], &hibak, rossz_betuk, jo_betuk);
        if (!cands->kov) betuk_kitolt(&pattern[0], cands->szo);
    }
    // Every key must have been needed: the play is claimed to end in the win.
    bool won = next == keys.size() && hibak < LOSING_WRONG && !cands->kov && pattern == cands->szo;
    Lista_felszab(cands);
    return won ? hibak : -1;
}

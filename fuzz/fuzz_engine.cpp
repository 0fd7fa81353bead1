// Arbitrary bytes as a word list and a run of guessed letters, played through
// the game's own turn sequence. Every step is checked against a plain model of
// the rules: the candidates after the pattern filter, the refusal, the family
// of fewest occurrences, the one revealed position, the error count and the
// two letter strings, and the single-candidate fill. Beside the model, the
// game's invariants: the candidate list is never empty, every candidate fits
// the pattern, and the pattern shows no letter where no candidate has it.
//
// Input: one byte choosing the word length among those present, then the word
// list's text up to the first NUL byte, then one byte per guessed key.
//
// With the choice byte's top bit set, the game's guarantees are broken on
// purpose instead: tokens of any bytes and length, a pattern of any length, keys
// neither checked nor new, letter strings filled to the brim. Nothing is
// compared then; the engine must merely stay inside its strings and lists
// (the sanitizers watch) and keep the pattern and the strings well formed.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

#include "fuzz_util.h"

namespace {

enum { MIN_HOSSZ = 3, MAX_HOSSZ = 20, MAX_HIBAK = 10 };

bool fits(const std::string &szo, const std::string &tipp)
{
    if (szo.size() != tipp.size()) return false;
    for (size_t i = 0; i < szo.size(); ++i)
        if (tipp[i] != '_' && tipp[i] != szo[i]) return false;
    return true;
}

int count_of(const std::string &szo, char betu)
{
    int n = 0;
    for (char c : szo) n += c == betu;
    return n;
}

bool holds(const std::string &s, char c) { return s.find(c) != std::string::npos; }

// Most bytes stand for themselves, so refused keys are tried too; the upper
// half maps onto the letters to keep games going.
char key_letter(uint8_t b)
{
    if (b < 0x80 || b == 0xFF) return (char)b;
    return (char)('a' + (b - 0x80) % 26);
}

// The model's state of one game, beside the engine's own buffers.
struct Game {
    std::vector<std::string> cand;
    std::string tipp, rossz, jo;
    int hibak = 0;
};

// The model's letter step on g; the engine's result is compared afterwards.
void model_letter_step(Game &g, char betu)
{
    int k = count_of(g.cand[0], betu);
    for (const std::string &w : g.cand) k = std::min(k, count_of(w, betu));
    std::vector<std::string> family;
    for (const std::string &w : g.cand)
        if (count_of(w, betu) == k) family.push_back(w);
    if (k == 0) {
        ++g.hibak;
        g.rossz += betu;
    } else {
        std::vector<int> hol(g.tipp.size(), 0);
        for (const std::string &w : family)
            for (size_t i = 0; i < w.size(); ++i) hol[i] += w[i] == betu;
        size_t max = g.tipp.find('_');
        for (size_t i = max + 1; i < g.tipp.size(); ++i)
            if (hol[i] > hol[max] && g.tipp[i] == '_') max = i;
        g.tipp[max] = betu;
        if (family.size() == 1)
            for (size_t i = 0; i < family[0].size(); ++i)
                if (family[0][i] == betu) g.tipp[i] = betu;
        g.jo += betu;
    }
    g.cand = family;
}

void model_fill(Game &g)
{
    const std::string &szo = g.cand[0];
    for (size_t j = 0; j < szo.size(); ++j)
        if (holds(g.tipp, szo[j])) g.tipp[j] = szo[j];
}

// Every letter the pattern shows stands at that position in some candidate,
// and some candidate fits the pattern whole, so the next filter keeps one.
void check_pattern_backed(const Game &g)
{
    for (size_t i = 0; i < g.tipp.size(); ++i) {
        if (g.tipp[i] == '_') continue;
        bool backed = false;
        for (const std::string &w : g.cand) backed = backed || w[i] == g.tipp[i];
        FUZZ_CHECK(backed, "the pattern shows a letter no candidate has there");
    }
    bool one_fits = false;
    for (const std::string &w : g.cand) one_fits = one_fits || fits(w, g.tipp);
    FUZZ_CHECK(one_fits, "no candidate fits the pattern");
}

void check_same(const Game &g, const Lista *lis, const char *tipp, int hibak,
                const char *rossz, const char *jo)
{
    FUZZ_CHECK(words_in(lis) == g.cand, "the candidates differ from the rules'");
    FUZZ_CHECK(g.tipp == tipp, "the pattern differs from the rules'");
    FUZZ_CHECK(g.hibak == hibak, "the error count differs from the rules'");
    FUZZ_CHECK(g.rossz == rossz, "the wrong letters differ from the rules'");
    FUZZ_CHECK(g.jo == jo, "the good letters differ from the rules'");
    FUZZ_CHECK((int)g.rossz.size() == hibak, "the error count is not the wrong letters'");
}

std::vector<std::string> first_occurrences(const std::vector<std::string> &words)
{
    std::vector<std::string> out;
    for (const std::string &w : words) {
        bool seen = false;
        for (const std::string &o : out) seen = seen || o == w;
        if (!seen) out.push_back(w);
    }
    return out;
}

// The lengths 3..20 that some word has, ascending.
std::vector<int> playable_lengths(const std::vector<std::string> &words)
{
    std::vector<int> out;
    for (int h = MIN_HOSSZ; h <= MAX_HOSSZ; ++h)
        for (const std::string &w : words)
            if ((int)w.size() == h) {
                out.push_back(h);
                break;
            }
    return out;
}

// Plays the keys on the candidates of one length, turn by turn, as the game
// screen does, until ten errors, a won word or the end of the keys.
void play(Game &g, Lista *cand, const uint8_t *keys, size_t nkeys)
{
    // Sized exactly as the game sizes them, so any overrun is caught.
    char *tipp = (char *)malloc(g.tipp.size() + 1);
    memcpy(tipp, g.tipp.c_str(), g.tipp.size() + 1);
    char *rossz = (char *)calloc(ROSSZ_BETUK_MERET, 1);
    char *jo = (char *)calloc(JO_BETUK_MERET, 1);
    int hibak = 0;

    for (size_t t = 0; t < nkeys && hibak < MAX_HIBAK; ++t) {
        if (cand && !cand->kov && strcmp(cand->szo, tipp) == 0) break;  // won

        std::vector<std::string> kept;
        for (const std::string &w : g.cand)
            if (fits(w, g.tipp)) kept.push_back(w);
        g.cand = kept;
        cand = Lista_szur_karakterekre(cand, tipp);
        FUZZ_CHECK(cand != nullptr, "the pattern filter emptied the candidates");
        check_same(g, cand, tipp, hibak, rossz, jo);

        const char betu = key_letter(keys[t]);
        const bool refuse = betu < 'a' || betu > 'z' || holds(g.rossz, betu) || holds(g.jo, betu);
        FUZZ_CHECK(volt_mar_vagy_ertelmetlen(betu, rossz, jo) == (int)refuse,
                   "a key was refused or taken against the rules");
        if (!refuse) {
            model_letter_step(g, betu);
            cand = Lista_szur_beture(cand, betu, tipp, &hibak, rossz, jo);
            FUZZ_CHECK(cand != nullptr, "the letter step emptied the candidates");
        }
        if (!cand->kov) {
            model_fill(g);
            betuk_kitolt(tipp, cand->szo);
        }
        check_same(g, cand, tipp, hibak, rossz, jo);
        check_pattern_backed(g);
    }
    Lista_felszab(cand);
    free(jo);
    free(rossz);
    free(tipp);
}

// Every engine operation on whatever it is given, turn after turn.
void play_hostile(const Lista *words, size_t hossz, const uint8_t *keys, size_t nkeys)
{
    char *tipp = (char *)malloc(hossz + 1);
    memset(tipp, '_', hossz);
    tipp[hossz] = '\0';
    char *rossz = (char *)calloc(ROSSZ_BETUK_MERET, 1);
    char *jo = (char *)calloc(JO_BETUK_MERET, 1);
    int hibak = 0;
    Lista *cand = Lista_ismetles_nelkul(words);
    for (size_t t = 0; t < nkeys; ++t) {
        if (!cand) cand = Lista_ismetles_nelkul(words);
        const char betu = key_letter(keys[t]);
        for (const Lista *w = cand; w; w = w->kov) {
            egyezik(w->szo, tipp);
            ennyiszer_szerepel(w->szo, betu, (int)(keys[t] % 4));
        }
        volt_mar_vagy_ertelmetlen(betu, rossz, jo);
        if (cand) minimum_ahanyszor_szoban_szerepel(cand, betu);
        if (keys[t] % 3 == 0) cand = Lista_szur_karakterekre(cand, tipp);
        cand = Lista_szur_beture(cand, betu, tipp, &hibak, rossz, jo);
        if (cand) betuk_kitolt(tipp, cand->szo);
        FUZZ_CHECK(strlen(tipp) == hossz, "the pattern changed its length");
        FUZZ_CHECK(strlen(rossz) < ROSSZ_BETUK_MERET, "the wrong letters overflowed");
        FUZZ_CHECK(strlen(jo) < JO_BETUK_MERET, "the good letters overflowed");
    }
    Lista_felszab(cand);
    free(jo);
    free(rossz);
    free(tipp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    const uint8_t *end = (const uint8_t *)memchr(data + 1, 0, size - 1);
    const size_t text_size = end ? (size_t)(end - (data + 1)) : size - 1;
    const uint8_t *keys = end ? end + 1 : data + size;
    const size_t nkeys = (size_t)(data + size - keys);

    std::vector<std::string> words, skipped;
    split_tokens(std::string((const char *)data + 1, text_size), words, skipped);

    if (choice & 0x80) {
        // Every token, letters or not, cut to a node's 35 bytes.
        Lista *all = build_list(tokens_of(std::string((const char *)data + 1, text_size)));
        play_hostile(all, (choice & 0x7F) % SZO_MERET, keys, nkeys);
        Lista_felszab(all);
        return 0;
    }
    Lista *full = build_list(words);
    Lista *uniq = Lista_ismetles_nelkul(full);
    const std::vector<std::string> distinct = first_occurrences(words);
    FUZZ_CHECK(words_in(uniq) == distinct, "the list without repeats is wrong");
    FUZZ_CHECK(words_in(full) == words, "the list without repeats changed its input");
    FUZZ_CHECK(leghosszabb_szo(uniq) == (distinct.empty() ? 0 : [&] {
                   size_t m = 0;
                   for (const std::string &w : distinct) m = std::max(m, w.size());
                   return (int)m;
               }()),
               "the longest word's length is wrong");

    const std::vector<int> lengths = playable_lengths(distinct);
    if (!lengths.empty()) {
        Game g;
        const int hossz = lengths[choice % lengths.size()];
        for (const std::string &w : distinct)
            if ((int)w.size() == hossz) g.cand.push_back(w);
        g.tipp.assign(hossz, '_');
        Lista *cand = Lista_szur_hosszra(uniq, hossz);
        FUZZ_CHECK(words_in(cand) == g.cand, "the length filter is wrong");
        FUZZ_CHECK(words_in(uniq) == distinct, "the length filter changed its input");
        play(g, cand, keys, nkeys);
    }
    Lista_felszab(uniq);
    Lista_felszab(full);
    return 0;
}

// Candidate filtering: the length and pattern filters, the letter step and
// the other answers the game asks of a candidate list.
#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jatek_internal.h"

// --- A node's word at a glance ---------------------------------------------
// The filters look at every word of lists of tens of thousands of words.
// Reading a node's whole word array at once, rather than byte by byte up to
// its terminator, makes that a handful of instructions a word. Only the bytes
// before the terminator ever count, whatever follows it.

namespace {
// Bit i stands for byte i of a node's word array.
using Bajtok = uint64_t;
static_assert(SZO_MERET > 32 && SZO_MERET <= 48 && SZO_MERET < 64,
              "a word array is read as three overlapping 16-byte pieces");
}  // namespace

// The bytes at which the word arrays a and b agree, among the 16 from tol:
// bits tol to tol + 15.
static inline Bajtok darab_egyforma(const char *a, const char *b, size_t tol)
{
#if defined(__SSE2__)
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + tol));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + tol));
    return Bajtok(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)))) << tol;
#else
    Bajtok m = 0;
    for (size_t i = tol; i < tol + 16; ++i)
        if (a[i] == b[i]) m |= Bajtok(1) << i;
    return m;
#endif
}

// The bytes at which the word arrays a and b (SZO_MERET bytes each) agree,
// among the positions in meddig, a run of low bits. Most words are shorter
// than 16 letters, and for them the first piece answers alone.
static inline Bajtok egyforma_bajtok(const char *a, const char *b, Bajtok meddig)
{
    Bajtok m = darab_egyforma(a, b, 0);
    if (meddig >> 16) m |= darab_egyforma(a, b, 16) | darab_egyforma(a, b, SZO_MERET - 16);
    return m & meddig;
}

namespace {
// A word array of one byte repeated, to find that byte in words.
struct Tele {
    char szo[SZO_MERET];
    explicit Tele(char c) { memset(szo, c, SZO_MERET); }
};
}  // namespace

// The first terminator of a node's word array, as a single bit (bit
// SZO_MERET when it has none).
static inline Bajtok vege(const char *szo)
{
    static constexpr char NULLAK[SZO_MERET] = {};
    Bajtok nullak = darab_egyforma(szo, NULLAK, 0);
    if (!nullak)
        nullak = darab_egyforma(szo, NULLAK, 16) | darab_egyforma(szo, NULLAK, SZO_MERET - 16) |
                 (Bajtok(1) << SZO_MERET);
    return nullak & (0 - nullak);
}

// The positions of a node's word: the bits below its terminator.
static inline Bajtok szo_helyei(const char *szo) { return vege(szo) - 1; }

static inline int legalso_bit(Bajtok m) { return __builtin_ctzll(m); }

static inline size_t szo_hossza(const char *szo) { return static_cast<size_t>(legalso_bit(vege(szo))); }

// The number of bits set, without a branch: a loop whose length follows the
// words would be mispredicted at nearly every word.
static inline int bitszam(Bajtok m)
{
    m -= (m >> 1) & 0x5555555555555555u;
    m = (m & 0x3333333333333333u) + ((m >> 2) & 0x3333333333333333u);
    m = (m + (m >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<int>((m * 0x0101010101010101u) >> 56);
}

// --- Candidate filtering ---------------------------------------------------

Lista *Lista_szur_hosszra(const Lista *lis, int hossz)
{
    if (hossz < 0) return nullptr;
    return masol_ha(lis, [hossz](const char *szo) { return szo_hossza(szo) == static_cast<size_t>(hossz); });
}

int egyezik(const char *szo, const char *tipp)
{
    // A shorter pattern stops the walk at its terminator, which differs from
    // every letter of the word.
    for (size_t i = 0; szo[i]; ++i)
        if (tipp[i] != szo[i] && tipp[i] != '_') return 0;
    return 1;
}

namespace {
// A pattern taken apart once for a filter over many words.
struct Minta {
    char szo[SZO_MERET] = {};  // its first SZO_MERET bytes
    Bajtok helyei = 0;         // the positions it reaches
    Bajtok felfedett = 0;      // the positions where it shows anything but '_'

    explicit Minta(const char *tipp)
    {
        for (size_t i = 0; i < SZO_MERET && tipp[i]; ++i) {
            szo[i] = tipp[i];
            helyei |= Bajtok(1) << i;
            if (tipp[i] != '_') felfedett |= Bajtok(1) << i;
        }
    }

    // egyezik(szo, tipp) for a node's word array.
    bool illik(const char *csomopont_szo) const
    {
        Bajtok h = szo_helyei(csomopont_szo);
        // A word longer than the pattern meets its terminator, which is no
        // '_' and equals no letter.
        Bajtok tul = h & ~helyei;
        Bajtok mas = h & felfedett & ~egyforma_bajtok(csomopont_szo, szo, h);
        return (tul | mas) == 0;
    }
};
}  // namespace

Lista *Lista_szur_karakterekre(Lista *lis, const char *tipp)
{
    Minta minta(tipp);
    Lista *uj = masol_ha(lis, [&minta](const char *szo) { return minta.illik(szo); });
    Lista_felszab(lis);
    return uj;
}

static int hanyszor(const char *szo, char betu)
{
    int db = 0;
    for (; *szo; ++szo)
        if (*szo == betu) ++db;
    return db;
}

// The positions of a node's word that hold the letter whose Tele is betuk.
static inline Bajtok betu_helyei(const char *szo, const Tele &betuk)
{
    return egyforma_bajtok(szo, betuk.szo, szo_helyei(szo));
}

int ennyiszer_szerepel(const char *szo, char betu, int ennyiszer) { return hanyszor(szo, betu) == ennyiszer; }

// The least number of times betu occurs in a word of lis; -1 for the empty list.
static int legkevesebbszer(const Lista *lis, char betu)
{
    const Tele betuk(betu);
    int legkevesebb = -1;
    for (; lis; lis = lis->kov) {
        int db = bitszam(betu_helyei(lis->szo, betuk));
        if (legkevesebb < 0 || db < legkevesebb) legkevesebb = db;
        if (legkevesebb == 0) break;
    }
    return legkevesebb;
}

int minimum_ahanyszor_szoban_szerepel(const Lista *lis, char betu)
{
    int k = legkevesebbszer(lis, betu);
    if (k < 0 || static_cast<size_t>(k) > strlen(lis->szo)) return -1;
    return k;
}

// Appends betu to the letter string when it has room for it within meret bytes.
static void betut_hozzafuz(char *betuk, size_t meret, char betu)
{
    size_t n = strlen(betuk);
    if (n + 1 >= meret) return;
    betuk[n] = betu;
    betuk[n + 1] = '\0';
}

// The hidden position below hatar where the most family words hold the letter,
// the leftmost among equals; -1 when every position below hatar is revealed.
static int felfedendo_hely(const int *hol_szerepel, const char *tipp, size_t hatar)
{
    int max = -1;
    for (size_t i = 0; i < hatar; ++i)
        if (tipp[i] == '_' && (max < 0 || hol_szerepel[i] > hol_szerepel[max])) max = static_cast<int>(i);
    return max;
}

// Writes betu into tipp wherever szo holds it, below hatar.
static void mindenhol_felfed(char *tipp, const char *szo, char betu, size_t hatar)
{
    for (size_t i = 0; i < hatar && szo[i]; ++i)
        if (szo[i] == betu) tipp[i] = betu;
}

Lista *Lista_szur_beture(Lista *lis, char betu, char *tipp, int *hibak, char *probalt, char *eltalalt)
{
    if (!lis) return nullptr;
    // Never -1 here: the first word holds the letter at most its length times,
    // so the family is never empty, whatever the other words' lengths.
    int k = minimum_ahanyszor_szoban_szerepel(lis, betu);
    // Positions are only counted and revealed where both the words (as long
    // as the first, by the caller's word) and the pattern reach.
    size_t hatar = strnlen(lis->szo, SZO_MERET);
    hatar = strnlen(tipp, hatar);
    const Bajtok hatar_elott = (Bajtok(1) << hatar) - 1;
    const Tele betuk(betu);
    // Which words belong to the family follows the words, so a branch on it
    // would be mispredicted at nearly every word. Every word therefore takes
    // the same steps: its first k positions of the letter are counted, by 1
    // for a family word and by 0 for any other. Bit 63, never a position,
    // takes the count when a word has fewer below hatar.
    constexpr Bajtok SEHOL = Bajtok(1) << 63;
    int hol_szerepel[64] = {0};
    int csaladtagok = 0;
    Lista *csalad = masol_ha(lis, [&](const char *szo) {
        Bajtok hol = betu_helyei(szo, betuk);
        const bool tag = bitszam(hol) == k;
        csaladtagok += tag;
        hol &= hatar_elott;
        for (int i = 0; i < k; ++i) {
            hol_szerepel[legalso_bit(hol | SEHOL)] += tag;
            hol &= hol - 1;
        }
        return tag;
    });
    if (k == 0) {
        ++*hibak;
        betut_hozzafuz(probalt, ROSSZ_BETUK_MERET, betu);
    } else {
        int max = felfedendo_hely(hol_szerepel, tipp, hatar);
        if (max >= 0) tipp[max] = betu;
        if (csaladtagok == 1) mindenhol_felfed(tipp, csalad->szo, betu, hatar);
        betut_hozzafuz(eltalalt, JO_BETUK_MERET, betu);
    }
    Lista_felszab(lis);
    return csalad;
}

int volt_mar_vagy_ertelmetlen(char betu, const char *tomb1, const char *tomb2)
{
    if (betu < 'a' || betu > 'z') return 1;
    return strchr(tomb1, betu) || strchr(tomb2, betu) ? 1 : 0;
}

void betuk_kitolt(char *tipp, const char *szo)
{
    bool felfedve[UCHAR_MAX + 1] = {false};
    size_t hossz = strlen(tipp);
    for (size_t i = 0; i < hossz; ++i)
        if (tipp[i] != '_') felfedve[static_cast<unsigned char>(tipp[i])] = true;
    // Only as far as both reach: the word may be shorter than the pattern.
    for (size_t j = 0; j < hossz && szo[j]; ++j)
        if (felfedve[static_cast<unsigned char>(szo[j])]) tipp[j] = szo[j];
}

int leghosszabb_szo(const Lista *lis)
{
    size_t leghosszabb = 0;
    for (; lis; lis = lis->kov) leghosszabb = std::max(leghosszabb, szo_hossza(lis->szo));
    return static_cast<int>(leghosszabb);
}

// --- For the game ----------------------------------------------------------

namespace {
// An open-addressing set of words, pointing into the nodes of the list being
// walked, which stay put for the whole walk: one array, sized once to stay at
// most half full for the words it will be given, never a block per word.
class Latott {
public:
    explicit Latott(size_t legtobb)
    {
        size_t meret = 64;
        while (meret < 2 * legtobb) meret *= 2;
        tabla_.resize(meret);
    }

    // True when szo, a node's word array, was not in the set; it is then added.
    bool uj_szo(const char *szo)
    {
        size_t n = szo_hossza(szo);
        size_t h = std::hash<std::string_view>{}(std::string_view(szo, n));
        // Both are word arrays, so the terminator can be compared too.
        size_t osszevetendo = std::min<size_t>(n + 1, SZO_MERET);
        size_t maszk = tabla_.size() - 1;
        size_t i = h & maszk;
        for (; tabla_[i].szo; i = (i + 1) & maszk)
            if (tabla_[i].hash == h && memcmp(tabla_[i].szo, szo, osszevetendo) == 0) return false;
        tabla_[i] = {szo, h};
        return true;
    }

private:
    struct Hely {
        const char *szo;  // NULL: an empty slot
        size_t hash;
    };
    std::vector<Hely> tabla_;
};
}  // namespace

Lista *Lista_ismetles_nelkul(const Lista *lis)
{
    try {
        Latott latott(static_cast<size_t>(Lista_hossz(lis)));
        return masol_ha(lis, [&](const char *szo) { return latott.uj_szo(szo); });
    } catch (const std::bad_alloc &) {
        elfogyott();
    }
}

// Reading word files: the tokenizer and the loader. (Writing them back is in
// jatek_rewrite.cpp, the lock and the copy a write in place keeps in
// jatek_zar.cpp.)
#include <cerrno>
#include <string>

#include <unistd.h>

#include "jatek_internal.h"

// The C locale's white space: ' ', '\t', '\n', '\v', '\f' and '\r'.
static bool feher(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

namespace {
// Room for BE_MAX letters and the terminator, in whole 8-byte words.
constexpr size_t BE_MERET = (BE_MAX + 1 + 7) / 8 * 8;
static_assert(BE_MERET <= SZO_MERET, "a held word must fit a node");

// The token being read. While it may still become a word its bytes are held
// in be, whose bytes from hossz on are always zero, so the word is terminated
// without a store per byte; once it cannot (a non-letter byte, or more than
// BE_MAX bytes) it is streamed out as a skipped token instead, however long
// it grows.
struct Token {
    char be[BE_MERET] = {};
    size_t hossz = 0;
    bool benne = false;
    bool kihagyott = false;
};
}  // namespace

// The callers' two hooks, shared by the steps below: each token of 1 to
// BE_MAX ASCII letters goes to szo(be, hossz), its bytes in be, followed by
// zeros up to BE_MERET; the bytes of every other token go to
// kihagyott(p, n, false) in one or more pieces, followed by
// kihagyott(nullptr, 0, true) at its end.
// Inlined by force: it ends nearly every word of a file, and a call there
// costs the loader a sixth of its time.
template <class Szo, class Kihagyott>
[[gnu::always_inline]] static inline void token_lezar(Token *t, Szo &szo, Kihagyott &kihagyott)
{
    if (t->kihagyott) kihagyott(nullptr, 0, true);
    else szo(t->be, t->hossz);
    memset(t->be, 0, BE_MERET);
    t->hossz = 0;
    t->benne = false;
}

// Splits one chunk of the file; a token may go on from the previous chunk and
// into the next, so its state lives in t.
template <class Szo, class Kihagyott>
static void darab_bont(Token *t, const char *p, size_t n, Szo &szo, Kihagyott &kihagyott)
{
    size_t i = 0;
    while (i < n) {
        if (!t->benne) {
            while (i < n && feher(p[i])) ++i;
            if (i == n) return;
            t->benne = true;
            t->kihagyott = false;
        }
        if (!t->kihagyott) {
            // Nearly every byte of a word file passes here, so this loop is
            // kept to one test of each kind per byte.
            size_t h = t->hossz;
            while (i < n && h < BE_MAX && ascii_betu(p[i])) t->be[h++] = p[i++];
            t->hossz = h;
            if (i == n) return;
            if (feher(p[i])) {
                token_lezar(t, szo, kihagyott);
                continue;
            }
            // A byte that is no letter, or a letter past BE_MAX: the token is
            // skipped, and the letters held so far belong to it.
            t->kihagyott = true;
            if (h) kihagyott(t->be, h, false);
        }
        size_t kezdet = i;
        while (i < n && !feher(p[i])) ++i;
        if (i > kezdet) kihagyott(p + kezdet, i - kezdet, false);
        if (i < n) token_lezar(t, szo, kihagyott);
    }
}

// Reads fd to its end in large chunks, which is what keeps loading a list of
// half a million words quick, and hands its tokens to szo and kihagyott (see
// token_lezar). Returns false when reading failed part way.
template <class Szo, class Kihagyott>
static bool tokenek_bejar(int fd, Szo szo, Kihagyott kihagyott)
{
    static constexpr size_t DARAB = 64 * 1024;
    char buf[DARAB];
    Token t;
    ssize_t n;
    while ((n = read(fd, buf, DARAB)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        darab_bont(&t, buf, static_cast<size_t>(n), szo, kihagyott);
    }
    if (t.benne) token_lezar(&t, szo, kihagyott);
    return true;
}

// Copies a held word (letters, then zeros up to BE_MERET) into a node's word
// array, lower-cased, zeros to its end. Only letters reach here, so
// lower-casing now gives what lower-casing the finished list would, without
// another pass; and every letter has bit 0x40 set, which moved down to 0x20
// turns 'A'..'Z' into 'a'..'z' and leaves the lower case and the zeros as they
// are. Eight bytes at a time.
static inline void kisbetusen_masol(char *szo, const char *be)
{
    for (size_t i = 0; i < BE_MERET; i += 8) {
        uint64_t w;
        memcpy(&w, be + i, 8);
        w |= (w & 0x4040404040404040u) >> 1;
        memcpy(szo + i, &w, 8);
    }
    memset(szo + BE_MERET, 0, SZO_MERET - BE_MERET);
}

bool tokenek_olvas(int fd, Lista **lista, std::string *kihagyott)
{
    Epito e;
    auto szo = [&e](const char *be, size_t) {
        Lista *uj = csomopont_foglal();
        kisbetusen_masol(uj->szo, be);
        epito_hozzafuz(&e, uj);
    };
    auto kihagy = [kihagyott](const char *p, size_t n, bool vege) {
        if (vege) *kihagyott += '\n';
        else kihagyott->append(p, n);
    };
    auto semmi_szo = [](const char *, size_t) {};
    auto semmi = [](const char *, size_t, bool) {};
    // A loop for each use, so that the loader's, which every game start
    // runs, does nothing it need not: a hook that cannot be dropped costs it
    // a tenth of its time.
    bool egesz;
    if (!kihagyott) egesz = lista ? tokenek_bejar(fd, szo, semmi) : tokenek_bejar(fd, semmi_szo, semmi);
    else egesz = lista ? tokenek_bejar(fd, szo, kihagy) : tokenek_bejar(fd, semmi_szo, kihagy);
    if (lista) *lista = e.fej;
    return egesz;
}

// Opens the file for reading under the shared lock. A copy of the old
// contents lying beside it means a write in place did not end: the copy is
// dealt with under the exclusive lock first, and *helyreallt tells whether
// that worked (if not, the file may lack words, and is not whole).
static bool olvasasra_nyit(const char *fajlnev, Szofajl *f, bool *helyreallt)
{
    if (!szofajl_nyit(fajlnev, OLVASNI, f)) return false;
    if (!S_ISREG(f->st.st_mode) || !regi_van(*f)) return true;
    f->bezar();  // a shared lock held here would keep the exclusive one waiting for ever
    {
        Szofajl iro;
        *helyreallt = szofajl_nyit(fajlnev, IRNI, &iro) && regi_helyreallit(iro);
    }
    return szofajl_nyit(fajlnev, OLVASNI, f);
}

Lista *Lista_epit_fajlbol_ellenorizve(const char *fajlnev, int *egesz)
{
    Lista *lis = nullptr;
    bool olvasva, helyreallt = true;
    Szofajl f;
    errno = 0;
    if (fajlnev && olvasasra_nyit(fajlnev, &f, &helyreallt)) olvasva = tokenek_olvas(f.fd, &lis, nullptr);
    else olvasva = errno == ENOENT;  // a missing file holds no word
    if (egesz) *egesz = olvasva && helyreallt;
    return lis;
}

Lista *Lista_epit_fajlbol(const char *fajlnev)
{
    // A read error part way leaves the words read so far: a shorter list.
    return Lista_epit_fajlbol_ellenorizve(fajlnev, nullptr);
}

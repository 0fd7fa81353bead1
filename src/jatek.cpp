// Word store and guessing engine.
#include "jatek.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// --- Nodes -----------------------------------------------------------------
// Every node is made by csomopont_foglal and released by Lista_felszab. A big
// word list makes and releases hundreds of thousands of nodes per game, which
// through malloc and free would cost more than the copying they serve; so
// nodes are carved from large slabs and a released list is kept, still
// chained, for the next nodes. Each node is still a block of its own: made by
// one insertion, released by Lista_felszab, never shared.
//
// Under AddressSanitizer and under Valgrind's Memcheck every node goes through
// malloc and free instead, so that those tools see each node, its use after
// release and its leak. (Valgrind's profilers still see the slabs.)

#if defined(__SANITIZE_ADDRESS__)
#define JATEK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define JATEK_SANITIZED 1
#endif
#endif

#if !defined(JATEK_SANITIZED) && defined(__has_include)
#if __has_include(<valgrind/memcheck.h>)
#include <valgrind/memcheck.h>
#define JATEK_MEMCHECK 1
#endif
#endif

// Nothing sensible can go on without the memory; say so in one line rather
// than dereference NULL somewhere later.
[[noreturn]] static void elfogyott()
{
    fputs("Nincs eleg memoria!\n", stderr);
    exit(3);
}

// Whether every node is its own malloc block (see above).
static bool egyenkent()
{
#if defined(JATEK_SANITIZED)
    return true;
#elif defined(JATEK_MEMCHECK)
    // Only Memcheck answers this request; other tools and a plain run give 0.
    static const bool memcheck = [] {
        unsigned char bajt = 0, bitek;
        return VALGRIND_GET_VBITS(&bajt, &bitek, 1) != 0;
    }();
    return memcheck;
#else
    return false;
#endif
}

namespace {
// 4096 nodes of 48 bytes: few slabs for a big list, little left unused by a
// small one.
constexpr size_t TOMB_CSOMOPONT = 4096;

// The nodes not in any list: the released ones, chained through kov, and the
// untouched rest of the newest slab. A slab's first node is its header, whose
// kov chains the slabs, so that every slab stays reachable until it is freed.
struct Csomoponttar {
    Lista *szabad;
    Lista *uj, *uj_vege;
    Lista *tombok;
    long elo;  // nodes in lists
};
Csomoponttar tar;
}  // namespace

// At exit, when every list has been released, the slabs go back too. While a
// list is still held (the process ends in mid-game) they stay reachable.
static void tombok_felszab()
{
    if (tar.elo != 0) return;
    while (tar.tombok) {
        Lista *elozo = tar.tombok->kov;
        free(tar.tombok);
        tar.tombok = elozo;
    }
    tar = Csomoponttar();
}

static void tomb_uj()
{
    static const bool bejegyezve = atexit(tombok_felszab) == 0;
    (void)bejegyezve;
    Lista *tomb = static_cast<Lista *>(malloc((TOMB_CSOMOPONT + 1) * sizeof(Lista)));
    if (!tomb) elfogyott();
    tomb->kov = tar.tombok;
    tar.tombok = tomb;
    tar.uj = tomb + 1;
    tar.uj_vege = tomb + 1 + TOMB_CSOMOPONT;
}

// A node with unset contents, its own block; the caller fills both fields.
static inline Lista *csomopont_foglal()
{
    if (egyenkent()) {
        Lista *uj = static_cast<Lista *>(malloc(sizeof(Lista)));
        if (!uj) elfogyott();
        return uj;
    }
    ++tar.elo;
    if (Lista *uj = tar.szabad) {
        tar.szabad = uj->kov;
        return uj;
    }
    if (tar.uj == tar.uj_vege) tomb_uj();
    return tar.uj++;
}

// A node holding a copy of szo (NULL as ""), cut to 35 characters. The bytes
// after the terminator are zero in every node, so a node can be copied whole.
static Lista *csomopont_uj(const char *szo, Lista *kov)
{
    Lista *uj = csomopont_foglal();
    if (!szo) szo = "";
    size_t n = strnlen(szo, SZO_MERET - 1);
    memcpy(uj->szo, szo, n);
    memset(uj->szo + n, 0, SZO_MERET - n);
    uj->kov = kov;
    return uj;
}

// --- Building a list in order -----------------------------------------------

namespace {
// A list under construction: the first word starts it, every later word is
// appended behind the current end, so the head stays the first node.
struct Epito {
    Lista *fej = nullptr;
    Lista *veg = nullptr;
};
}  // namespace

static inline void epito_hozzafuz(Epito *e, Lista *uj)
{
    uj->kov = nullptr;
    if (e->veg) e->veg->kov = uj;
    else e->fej = uj;
    e->veg = uj;
}

// Appends a copy of the node forras: the whole word array at once, which is
// what Lista_vegere_beszur would give for its word.
static inline void epito_masol(Epito *e, const Lista *forras)
{
    Lista *uj = csomopont_foglal();
    memcpy(uj->szo, forras->szo, SZO_MERET);
    epito_hozzafuz(e, uj);
}

// Copies, in order, the nodes of lis for which kell(word) is true.
template <class Feltetel>
static Lista *masol_ha(const Lista *lis, Feltetel kell)
{
    Epito e;
    for (; lis; lis = lis->kov)
        if (kell(lis->szo)) epito_masol(&e, lis);
    return e.fej;
}

// --- Word list -------------------------------------------------------------

Lista *Lista_elejere_beszur(Lista *lis, const char *szo)
{
    return csomopont_uj(szo, lis);
}

Lista *Lista_vegere_beszur(Lista *veg, const char *szo)
{
    Lista *uj = csomopont_uj(szo, nullptr);
    if (veg) veg->kov = uj;
    return uj;
}

Lista *Lista_rendezetten_beszur(Lista *lis, const char *szo)
{
    Lista *uj = csomopont_uj(szo, nullptr);
    Lista *lemarado = nullptr, *mozgo = lis;
    // strcmp orders bytes as unsigned char, and a prefix before the longer word.
    while (mozgo && strcmp(uj->szo, mozgo->szo) > 0) {
        lemarado = mozgo;
        mozgo = mozgo->kov;
    }
    uj->kov = mozgo;
    if (!lemarado) return uj;
    lemarado->kov = uj;
    return lis;
}

Lista *Lista_felszab(Lista *lis)
{
    if (egyenkent()) {
        while (lis) {
            Lista *kov = lis->kov;
            free(lis);
            lis = kov;
        }
        return nullptr;
    }
    if (!lis) return nullptr;
    // The list is already a chain through kov: hand it to the free nodes
    // whole, in its own order, so the next list is laid out as this one was.
    long db = 1;
    Lista *veg = lis;
    for (; veg->kov; veg = veg->kov) ++db;
    veg->kov = tar.szabad;
    tar.szabad = lis;
    tar.elo -= db;
    return nullptr;
}

static bool nagybetu(unsigned char c)
{
    return c >= 'A' && c <= 'Z';
}

// True for 'A'..'Z' and 'a'..'z' alone; setting bit 5 folds the upper case
// onto the lower without letting '@', '[' or any byte above 0x7f in.
static bool ascii_betu(unsigned char c)
{
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

// The C locale's white space: ' ', '\t', '\n', '\v', '\f' and '\r'.
static bool feher(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

static void szot_kisbetusit(char *szo)
{
    for (; *szo; ++szo)
        if (nagybetu(*szo)) *szo = static_cast<char>(*szo + ('a' - 'A'));
}

void kisbetusit(Lista *lis)
{
    for (; lis; lis = lis->kov) szot_kisbetusit(lis->szo);
}

int tartalmaz_specialis_karaktert(const char *s)
{
    for (; *s; ++s)
        if (!ascii_betu(*s)) return 1;
    return 0;
}

// --- Word files ------------------------------------------------------------

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
template <class Szo, class Kihagyott>
static void token_lezar(Token *t, Szo &szo, Kihagyott &kihagyott)
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

// Reads f to its end in large chunks, which is what keeps loading a list of
// half a million words quick, and hands its tokens to szo and kihagyott (see
// token_lezar). Returns false when reading failed part way.
template <class Szo, class Kihagyott>
static bool tokenek_bejar(FILE *f, Szo szo, Kihagyott kihagyott)
{
    static constexpr size_t DARAB = 64 * 1024;
    char buf[DARAB];
    Token t;
    size_t n;
    while ((n = fread(buf, 1, DARAB, f)) > 0) darab_bont(&t, buf, n, szo, kihagyott);
    if (t.benne) token_lezar(&t, szo, kihagyott);
    return !ferror(f);
}

namespace {
struct FajlZaro {
    void operator()(FILE *f) const { fclose(f); }
};
using Fajl = std::unique_ptr<FILE, FajlZaro>;
}  // namespace

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

Lista *Lista_epit_fajlbol(const char *fajlnev)
{
    if (!fajlnev) return nullptr;
    Fajl f(fopen(fajlnev, "rb"));
    if (!f) return nullptr;
    Epito e;
    // A read error part way leaves the words read so far: a shorter list.
    tokenek_bejar(
        f.get(),
        [&](const char *be, size_t) {
            Lista *uj = csomopont_foglal();
            kisbetusen_masol(uj->szo, be);
            epito_hozzafuz(&e, uj);
        },
        [](const char *, size_t, bool) {});
    return e.fej;
}

// The link's text, or "" when it cannot be read or is longer than PATH_MAX.
static std::string link_tartalma(const std::string &ut)
{
    char buf[PATH_MAX];
    ssize_t n = readlink(ut.c_str(), buf, sizeof buf);
    if (n <= 0 || n >= PATH_MAX) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

// The path a rewrite replaces: fajlnev itself, or for a symbolic link (or a
// chain of them) the file it finally names, which need not exist yet, so that
// the link stays a link. "" on a loop of links or an unreadable link.
static std::string vegso_cel(const char *fajlnev)
{
    std::string ut = fajlnev;
    for (int lepes = 0; lepes < 40; ++lepes) {
        struct stat st;
        if (lstat(ut.c_str(), &st) != 0) return errno == ENOENT ? ut : std::string();
        if (!S_ISLNK(st.st_mode)) return ut;
        std::string cel = link_tartalma(ut);
        if (cel.empty()) return cel;
        size_t per = ut.rfind('/');
        if (cel[0] != '/' && per != std::string::npos) cel = ut.substr(0, per + 1) + cel;
        ut = cel;
    }
    return std::string();
}

// Opens the file about to be replaced, so that its skipped tokens can be kept,
// and reads its permission bits. A missing file gives a null *regi and 0644.
// False when the file exists but is not a regular file or cannot be read:
// replacing it then would lose what it holds.
static bool regi_megnyit(const std::string &cel, Fajl *regi, mode_t *jogok)
{
    struct stat st;
    if (stat(cel.c_str(), &st) != 0) {
        *jogok = 0644;
        return errno == ENOENT;
    }
    if (!S_ISREG(st.st_mode)) return false;
    *jogok = st.st_mode & 07777;
    regi->reset(fopen(cel.c_str(), "rb"));
    return *regi != nullptr;
}

// Writes the list's words, one a line, then the skipped tokens of regi (may
// be null), one a line, into the open file uj. True when every byte was
// written and regi was read to its end.
static bool tartalmat_ir(FILE *uj, const Lista *lis, FILE *regi)
{
    for (; lis; lis = lis->kov) {
        fputs(lis->szo, uj);
        putc('\n', uj);
    }
    bool olvasva = !regi || tokenek_bejar(
        regi, [](const char *, size_t) {},
        [uj](const char *p, size_t n, bool vege) {
            if (vege) putc('\n', uj);
            else fwrite(p, 1, n, uj);
        });
    return olvasva && !ferror(uj);
}

// Makes a temporary file beside cel with the given permission bits, fills it
// and brings it to the disk. Its name goes to *ideiglenes as soon as it
// exists, so the caller can remove it; true when it is complete.
static bool ideiglenest_ir(const std::string &cel, mode_t jogok, const Lista *lis,
                           FILE *regi, std::string *ideiglenes)
{
    std::string minta = cel + ".XXXXXX";
    int fd = mkstemp(&minta[0]);
    if (fd < 0) return false;
    *ideiglenes = minta;
    FILE *uj = fchmod(fd, jogok) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!uj) {
        close(fd);
        return false;
    }
    bool jo = tartalmat_ir(uj, lis, regi) && fflush(uj) == 0 && fsync(fileno(uj)) == 0;
    // A failing close can be the first report of a failed write.
    return fclose(uj) == 0 && jo;
}

// Brings the new directory entry to the disk; a failure here leaves both the
// old and the new file whole, so it is not reported.
static void konyvtar_szinkron(const std::string &cel)
{
    size_t per = cel.rfind('/');
    std::string konyvtar = per == std::string::npos ? "." : per == 0 ? "/" : cel.substr(0, per);
    int fd = open(konyvtar.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

void Lista_visszair_fajlba(const Lista *lis, const char *fajlnev)
{
    if (!fajlnev) return;
    std::string cel = vegso_cel(fajlnev);
    if (cel.empty()) return;
    Fajl regi;
    mode_t jogok;
    if (!regi_megnyit(cel, &regi, &jogok)) return;
    std::string ideiglenes;
    bool kesz = ideiglenest_ir(cel, jogok, lis, regi.get(), &ideiglenes);
    regi.reset();
    if (!kesz || rename(ideiglenes.c_str(), cel.c_str()) != 0) {
        if (!ideiglenes.empty()) unlink(ideiglenes.c_str());
        return;
    }
    konyvtar_szinkron(cel);
}

// --- Console aids ----------------------------------------------------------

int Lista_hossz(const Lista *lis)
{
    int n = 0;
    for (; lis; lis = lis->kov) ++n;
    return n;
}

void Lista_kiir(const Lista *lis)
{
    for (; lis; lis = lis->kov) puts(lis->szo);
}

void szamoz(int n)
{
    for (int i = 1; i <= n; ++i) putchar('0' + i % 10);
    putchar('\n');
}

// --- Candidate filtering ---------------------------------------------------

Lista *Lista_szur_hosszra(const Lista *lis, int hossz)
{
    if (hossz < 0) return nullptr;
    return masol_ha(lis, [hossz](const char *szo) {
        return strlen(szo) == static_cast<size_t>(hossz);
    });
}

int egyezik(const char *szo, const char *tipp)
{
    // A shorter pattern stops the walk at its terminator, which differs from
    // every letter of the word.
    for (size_t i = 0; szo[i]; ++i)
        if (tipp[i] != szo[i] && tipp[i] != '_') return 0;
    return 1;
}

Lista *Lista_szur_karakterekre(Lista *lis, const char *tipp)
{
    Lista *uj = masol_ha(lis, [tipp](const char *szo) { return egyezik(szo, tipp) == 1; });
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

int ennyiszer_szerepel(const char *szo, char betu, int ennyiszer)
{
    return hanyszor(szo, betu) == ennyiszer;
}

// The least number of times betu occurs in a word of lis; -1 for the empty list.
static int legkevesebbszer(const Lista *lis, char betu)
{
    int legkevesebb = -1;
    for (; lis; lis = lis->kov) {
        int db = hanyszor(lis->szo, betu);
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
        if (tipp[i] == '_' && (max < 0 || hol_szerepel[i] > hol_szerepel[max]))
            max = static_cast<int>(i);
    return max;
}

// Writes betu into tipp wherever szo holds it, below hatar.
static void mindenhol_felfed(char *tipp, const char *szo, char betu, size_t hatar)
{
    for (size_t i = 0; i < hatar && szo[i]; ++i)
        if (szo[i] == betu) tipp[i] = betu;
}

Lista *Lista_szur_beture(Lista *lis, char betu, char *tipp, int *hibak, char *probalt,
                         char *eltalalt)
{
    if (!lis) return nullptr;
    // Never -1 here: the first word holds the letter at most its length times,
    // so the family is never empty, whatever the other words' lengths.
    int k = minimum_ahanyszor_szoban_szerepel(lis, betu);
    // Positions are only counted and revealed where both the words (as long
    // as the first, by the caller's word) and the pattern reach.
    size_t hatar = strnlen(lis->szo, SZO_MERET);
    hatar = strnlen(tipp, hatar);
    int hol_szerepel[SZO_MERET] = {0};
    int csaladtagok = 0;
    Lista *csalad = masol_ha(lis, [&](const char *szo) {
        if (hanyszor(szo, betu) != k) return false;
        ++csaladtagok;
        for (size_t i = 0; i < hatar && szo[i]; ++i)
            if (szo[i] == betu) ++hol_szerepel[i];
        return true;
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
    for (; lis; lis = lis->kov) {
        size_t n = strlen(lis->szo);
        if (n > leghosszabb) leghosszabb = n;
    }
    return static_cast<int>(leghosszabb);
}

// --- For the game ----------------------------------------------------------

namespace {
// An open-addressing set of the words seen so far, pointing into the nodes of
// the list being walked, which stay put for the whole walk. One array for the
// whole set, never a block per word.
class Latott {
public:
    // True when szo was not in the set; it is then added.
    bool uj_szo(const char *szo)
    {
        std::string_view v(szo);
        size_t h = std::hash<std::string_view>{}(v);
        if (2 * (db_ + 1) > tabla_.size()) nagyobb();
        size_t i = hely(h, v);
        if (tabla_[i].szo) return false;
        tabla_[i] = {szo, h};
        ++db_;
        return true;
    }

private:
    struct Bejegyzes {
        const char *szo;
        size_t hash;
    };
    // The slot of v: where it stands, or the empty slot where it would go.
    size_t hely(size_t h, std::string_view v) const
    {
        size_t maszk = tabla_.size() - 1;
        size_t i = h & maszk;
        while (tabla_[i].szo && (tabla_[i].hash != h || v != tabla_[i].szo)) i = (i + 1) & maszk;
        return i;
    }
    // Doubles the table (a power of two, at most half full), moving the words.
    void nagyobb()
    {
        std::vector<Bejegyzes> regi(std::max<size_t>(64, 2 * tabla_.size()));
        regi.swap(tabla_);
        for (const Bejegyzes &b : regi)
            if (b.szo) tabla_[hely(b.hash, b.szo)] = b;
    }
    std::vector<Bejegyzes> tabla_;
    size_t db_ = 0;
};
}  // namespace

Lista *Lista_ismetles_nelkul(const Lista *lis)
{
    try {
        Latott latott;
        return masol_ha(lis, [&](const char *szo) { return latott.uj_szo(szo); });
    } catch (const std::bad_alloc &) {
        elfogyott();
    }
}

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
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// The nodes in no list, in chains through kov. A released list is such a
// chain already, so it is kept whole, and handed out again node by node in
// its own order, which lays the next list out as that one was. The chain
// being handed out is szabad; the others wait in a stack, each head's word
// holding the next waiting head. A new slab is chained up the same way. A
// slab's first node is its header, whose kov chains the slabs: they stay
// reachable to the end of the process. Releasing a list of any length costs
// the same.
struct Csomoponttar {
    Lista *szabad;
    Lista *varo;
    Lista *tombok;
};
Csomoponttar tar;
}  // namespace

static Lista *varo_kovetkezo(const Lista *fej)
{
    Lista *kov;
    memcpy(&kov, fej->szo, sizeof kov);
    return kov;
}

static void varo_kovetkezo_legyen(Lista *fej, Lista *kov)
{
    static_assert(sizeof kov <= SZO_MERET, "a word array must hold a pointer");
    memcpy(fej->szo, &kov, sizeof kov);
}

static void tomb_uj()
{
    Lista *tomb = static_cast<Lista *>(malloc((TOMB_CSOMOPONT + 1) * sizeof(Lista)));
    if (!tomb) elfogyott();
    tomb->kov = tar.tombok;
    tar.tombok = tomb;
    for (size_t i = 1; i < TOMB_CSOMOPONT; ++i) tomb[i].kov = &tomb[i + 1];
    tomb[TOMB_CSOMOPONT].kov = nullptr;
    tar.szabad = tomb + 1;
}

// Makes szabad hold at least one node.
static inline void van_szabad()
{
    if (tar.szabad) return;
    if (!tar.varo) return tomb_uj();
    tar.szabad = tar.varo;
    tar.varo = varo_kovetkezo(tar.varo);
}

// A node with unset contents, its own block; the caller fills both fields.
static inline Lista *csomopont_foglal()
{
    if (egyenkent()) {
        Lista *uj = static_cast<Lista *>(malloc(sizeof(Lista)));
        if (!uj) elfogyott();
        return uj;
    }
    van_szabad();
    Lista *uj = tar.szabad;
    tar.szabad = uj->kov;
    return uj;
}

// A node holding a copy of szo (NULL as ""), cut to 35 characters. The bytes
// after the terminator are zero in every node, so a node can be copied whole.
static Lista *csomopont_uj(const char *szo, Lista *kov)
{
    Lista *uj = csomopont_foglal();
    size_t n = szo ? strnlen(szo, SZO_MERET - 1) : 0;
    if (n) memcpy(uj->szo, szo, n);
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

// a when c is true, else b, by arithmetic: compilers turn a plain choice back
// into a branch when they can.
static inline Lista *valaszt(bool c, Lista *a, Lista *b)
{
    const uintptr_t maszk = 0 - static_cast<uintptr_t>(c);
    return reinterpret_cast<Lista *>((reinterpret_cast<uintptr_t>(a) & maszk) |
                                     (reinterpret_cast<uintptr_t>(b) & ~maszk));
}

// Copies, in order, the nodes of lis for which kell(word) is true; kell is
// given the node's whole word array.
//
// Whether a word stays follows the words, so a branch on it would be
// mispredicted at every other word, which costs more than the copy. So each
// word is copied into the next free node and linked behind the list's end
// whatever the answer; the answer only decides, without a branch, whether
// that node is taken (the end moves onto it and the free chain past it) or is
// used again for the next word.
template <class Feltetel>
static Lista *masol_ha(const Lista *lis, Feltetel kell)
{
    if (egyenkent()) {
        Epito e;
        for (; lis; lis = lis->kov)
            if (kell(lis->szo)) epito_masol(&e, lis);
        return e.fej;
    }
    Lista elott;  // stands before the first node, so the end always exists
    Lista *veg = &elott;
    for (; lis; lis = lis->kov) {
        const bool marad = kell(lis->szo);
        van_szabad();
        Lista *uj = tar.szabad;
        Lista *utana = uj->kov;
        memcpy(uj->szo, lis->szo, SZO_MERET);
        veg->kov = uj;
        veg = valaszt(marad, uj, veg);
        tar.szabad = valaszt(marad, utana, uj);
    }
    veg->kov = nullptr;
    return elott.kov;
}

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
static inline Bajtok szo_helyei(const char *szo)
{
    return vege(szo) - 1;
}

static inline int legalso_bit(Bajtok m)
{
    return __builtin_ctzll(m);
}

static inline size_t szo_hossza(const char *szo)
{
    return static_cast<size_t>(legalso_bit(vege(szo)));
}

// The number of bits set, without a branch: a loop whose length follows the
// words would be mispredicted at nearly every word.
static inline int bitszam(Bajtok m)
{
    m -= (m >> 1) & 0x5555555555555555u;
    m = (m & 0x3333333333333333u) + ((m >> 2) & 0x3333333333333333u);
    m = (m + (m >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<int>((m * 0x0101010101010101u) >> 56);
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
    // The list is already a chain of free nodes: it waits whole.
    if (tar.szabad) {
        varo_kovetkezo_legyen(lis, tar.varo);
        tar.varo = lis;
    } else {
        tar.szabad = lis;
    }
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
// and reads its permission bits. A missing file gives a null *regi and the
// bits a newly created file would get under the process's umask.
// False when the file exists but is not a regular file or cannot be read:
// replacing it then would lose what it holds.
static bool regi_megnyit(const std::string &cel, Fajl *regi, mode_t *jogok)
{
    struct stat st;
    if (stat(cel.c_str(), &st) != 0) {
        bool hianyzik = errno == ENOENT;
        mode_t maszk = umask(0);  // reading the umask means setting it
        umask(maszk);
        *jogok = 0666 & ~maszk;
        return hianyzik;
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
        return szo_hossza(szo) == static_cast<size_t>(hossz);
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

int ennyiszer_szerepel(const char *szo, char betu, int ennyiszer)
{
    return hanyszor(szo, betu) == ennyiszer;
}

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

// Word files: the tokenizer, the loader, and the rewrite that replaces a
// word file without losing any of it.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jatek_internal.h"

// The C locale's white space: ' ', '\t', '\n', '\v', '\f' and '\r'.
static bool feher(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

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

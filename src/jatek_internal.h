// What the engine's files share, and nothing outside the engine uses: the
// node store's fast paths, lists built in order, and the letters. The
// ownership rules are those of jatek.h.
#ifndef JATEK_INTERNAL_H
#define JATEK_INTERNAL_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jatek.h"

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

// Says "Nincs eleg memoria!" on stderr and ends the program with status 3:
// nothing sensible can go on without the memory.
[[noreturn]] void elfogyott();

// --- The node store ------------------------------------------------------------
// A big word list makes and releases hundreds of thousands of nodes a game,
// which through malloc and free would cost more than the copying they serve;
// so nodes are carved from large slabs (jatek_nodes.cpp), and a released list
// is kept, still chained, for the next nodes. Each thread keeps its own free
// nodes, so threads that work each on its own lists never meet. Under
// AddressSanitizer and Memcheck every node is a malloc block of its own
// instead, so that those tools see each node, its use after release and its
// leak.

// Whether every node is its own malloc block (see above).
inline bool egyenkent()
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

// This thread's free nodes, in chains through kov: szabad is the chain being
// handed out, node by node in its own order (which lays a new list out as the
// released one was); the other chains wait in varo, each head's word holding
// the next waiting head.
struct Csomoponttar {
    Lista *szabad;
    Lista *varo;
};
inline thread_local Csomoponttar tar;

// Refills an empty szabad: from this thread's waiting chains, from the chains
// of threads that have ended, or from a new slab.
void szabad_tolt();

// Makes szabad hold at least one node.
inline void van_szabad()
{
    if (!tar.szabad) szabad_tolt();
}

// A node with unset contents, a block of its own; the caller fills both fields.
inline Lista *csomopont_foglal()
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

// --- Lists built in order ------------------------------------------------------
// The first word starts the list, every later one goes behind the current
// end, so the head stays the first node.
struct Epito {
    Lista *fej = nullptr;
    Lista *veg = nullptr;
};

inline void epito_hozzafuz(Epito *e, Lista *uj)
{
    uj->kov = nullptr;
    if (e->veg) e->veg->kov = uj;
    else e->fej = uj;
    e->veg = uj;
}

// a when c is true, else b, by arithmetic: compilers turn a plain choice back
// into a branch when they can.
inline Lista *valaszt(bool c, Lista *a, Lista *b)
{
    const uintptr_t maszk = 0 - static_cast<uintptr_t>(c);
    return reinterpret_cast<Lista *>((reinterpret_cast<uintptr_t>(a) & maszk) |
                                     (reinterpret_cast<uintptr_t>(b) & ~maszk));
}

// Copies, in order, the nodes of lis for which kell(word) is true (kell is
// given the node's whole word array); returns the new list.
//
// Whether a word stays follows the words, so a branch on it would be
// mispredicted at every other word, which costs more than the copy. So each
// word is copied into the next free node and linked behind the list's end
// whatever the answer; the answer only decides, without a branch, whether
// that node is taken (the end moves onto it and the free chain past it) or is
// used again for the next word.
template <class Feltetel>
Lista *masol_ha(const Lista *lis, Feltetel kell)
{
    if (egyenkent()) {
        Epito e;
        for (; lis; lis = lis->kov)
            if (kell(lis->szo)) {
                Lista *uj = csomopont_foglal();
                memcpy(uj->szo, lis->szo, SZO_MERET);
                epito_hozzafuz(&e, uj);
            }
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

// --- Word files on disk ---------------------------------------------------------

// Reads fd from where it stands to its end: the words (as the loader takes
// them) into *lista, the tokens the loader skips into *kihagyott, each of them
// followed by a line end; either pointer may be null. False when reading
// failed part way; the words read so far are in *lista then.
bool tokenek_olvas(int fd, Lista **lista, std::string *kihagyott);

// A word file opened and locked (jatek_zar.cpp); the lock lasts until fd is
// closed, which the destructor does.
struct Szofajl {
    int fd = -1;
    std::string cel;          // its path past every symbolic link
    struct stat st = {};      // as it was once locked
    bool letrehozva = false;  // it did not exist: this opening made it
    Szofajl() = default;
    Szofajl(const Szofajl &) = delete;
    Szofajl &operator=(const Szofajl &) = delete;
    ~Szofajl() { bezar(); }
    void bezar()
    {
        if (fd >= 0) close(fd);
        fd = -1;
    }
};

enum Nyitas {
    OLVASNI,    // read only, a shared lock; not a regular file: opened unlocked, to read as a stream
    IRNI,       // read and write, the exclusive lock; refused for all but a regular file
    LETREHOZNI  // as IRNI, and a missing file is made, 0666 less the umask
};

// Opens fajlnev (for a symbolic link, the file it finally names) and locks
// it, waiting for the lock as long as another holds it. A file replaced
// while this waited is opened again, so the lock held is always on the file
// the path leads to. Where the file system has no locks it goes on without
// one. False, with errno, when it cannot be opened (ENOENT: missing, and not
// to be made).
bool szofajl_nyit(const char *fajlnev, Nyitas mire, Szofajl *f);

// The copy of the old contents that a write in place keeps until it is done.
// regi_ment makes it, whole and synced, with the size and fingerprint that
// the file is about to get, and returns its path ("" and errno when it could
// be made nowhere). regi_helyreallit, under the exclusive lock, deals with
// any copy of f's file that it finds: a copy not whole, or of another file,
// is dropped (the file was never touched for it); a file that holds neither
// the new contents nor the old gets the old ones back; then the copy goes.
// False (errno) when a copy is there and the file could not be made whole
// from it. regi_van tells whether a copy of f's file is lying about.
std::string regi_ment(const Szofajl &f, size_t uj_meret, uint64_t uj_ujjlenyomat);
bool regi_helyreallit(const Szofajl &f);
bool regi_van(const Szofajl &f);
// Removes the copy at ut once the write it kept is done.
void regi_torol(const std::string &ut);

// Writes all n bytes of p at offset tol; false (errno) when they did not all
// reach the file.
bool mindet_ir(int fd, const char *p, size_t n, off_t tol);
// The folder that holds a path ("." for a bare name).
std::string mappaja(const std::string &ut);
// The last part of a path: the name in its folder.
std::string neve(const std::string &ut);

// While one lives, a write past the file size limit fails with EFBIG, as on
// a full disk, instead of ending the process with SIGXFSZ. Blocked in this
// thread alone; a signal raised meanwhile is taken before the old mask is
// back, or it would end the process then.
struct XfszNelkul {
    sigset_t regi, xfsz;
    XfszNelkul();
    ~XfszNelkul();
};

// A 64-bit FNV-1a fingerprint of n bytes, going on from h.
uint64_t ujjlenyomat(const char *p, size_t n, uint64_t h = 0xcbf29ce484222325u);
// Syncs the folder that holds path, so that a name made or removed in it
// lasts; a failure leaves both the old and the new state whole, so it is not
// reported.
void konyvtar_szinkron(const std::string &ut);

// True for 'A'..'Z' and 'a'..'z' alone; setting bit 5 folds the upper case
// onto the lower without letting '@', '[' or any byte above 0x7f in.
inline bool ascii_betu(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }

#endif

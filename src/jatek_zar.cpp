// What keeps a word file whole when several games share it and any of them
// may be killed at any moment: one lock for each read and write, and the
// copy of the old contents that a write in place keeps until it is done.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jatek_internal.h"

namespace {

// The link's text, or "" when it cannot be read or is longer than PATH_MAX.
std::string link_tartalma(const std::string &ut)
{
    char buf[PATH_MAX];
    ssize_t n = readlink(ut.c_str(), buf, sizeof buf);
    if (n <= 0 || n >= PATH_MAX) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

// The path a rewrite replaces: fajlnev itself, or for a symbolic link (or a
// chain of them) the file it finally names, which need not exist yet, so that
// the link stays a link. "" on a loop of links or an unreadable link.
std::string vegso_cel(const char *fajlnev)
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
    errno = ELOOP;
    return std::string();
}

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0) close(fd);
    }
};

// The copy is looked for beside the file, where it is made when the folder
// lets it be, and in the player's data folder, where a copy of a file in a
// folder nobody may write to goes. There it is named after the file's full
// path, so that the game finds it from any folder it runs in.
const char REGI_VEG[] = ".hangman-old";

std::string regi_mellette(const std::string &cel) { return cel + REGI_VEG; }

std::string adatmappa()
{
    const char *xdg = getenv("XDG_DATA_HOME"), *home = getenv("HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/hangman";
    return home && home[0] == '/' ? std::string(home) + "/.local/share/hangman" : std::string();
}

std::string regi_adatmappaban(const std::string &cel)
{
    std::string mappa = adatmappa();
    if (mappa.empty()) return mappa;
    std::string teljes = mappaja(cel);
    if (char *valodi = realpath(teljes.c_str(), nullptr)) teljes = valodi, free(valodi);
    teljes += '/' + neve(cel);
    char kulcs[17];
    snprintf(kulcs, sizeof kulcs, "%016llx", (unsigned long long)ujjlenyomat(teljes.data(), teljes.size()));
    return mappa + '/' + neve(cel) + '-' + kulcs + REGI_VEG;
}

// The copy starts with one line of fixed length: the file's inode, the old
// contents' size and fingerprint (the rest of the copy), and the size and
// fingerprint the file gets once the write is done. It is written last, so a
// copy cut short has no valid first line.
const char FEJ_MINTA[] = "hangman-old %020llu %020llu %016llx %020llu %016llx\n";
constexpr size_t FEJ_HOSSZ = 11 + 5 + 3 * 20 + 2 * 16 + 1;  // the name, five fields and the line end

struct Fej {
    unsigned long long inode, regi_meret, regi_ujj, uj_meret, uj_ujj;
};

// Reads the file from offset tol to its end in chunks, handing each to
// fn(p, n, hol), hol counted from tol; false when a read fails or fn says so.
template <class Fn>
bool bejar(int fd, off_t tol, Fn fn)
{
    static constexpr size_t DARAB = 64 * 1024;
    char buf[DARAB];
    for (off_t hol = 0;;) {
        ssize_t n = pread(fd, buf, DARAB, tol + hol);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        if (!fn(buf, static_cast<size_t>(n), hol)) return false;
        hol += n;
    }
}

// The size and fingerprint of what fd holds from offset tol on; false when a
// read fails.
bool ujjlenyomata(int fd, off_t tol, unsigned long long *meret, uint64_t *h)
{
    *meret = 0, *h = ujjlenyomat(nullptr, 0);
    return bejar(fd, tol, [&](const char *p, size_t n, off_t) {
        *h = ujjlenyomat(p, n, *h), *meret += n;
        return true;
    });
}

// Reads the first line of an open copy; false unless the copy is whole and
// was made for f's file.
bool fej_olvas(int fd, const Szofajl &f, Fej *fej)
{
    char sor[FEJ_HOSSZ + 1] = {};
    struct stat st;
    if (pread(fd, sor, FEJ_HOSSZ, 0) != (ssize_t)FEJ_HOSSZ || fstat(fd, &st) != 0 ||
        sscanf(sor, "hangman-old %llu %llu %llx %llu %llx", &fej->inode, &fej->regi_meret, &fej->regi_ujj,
               &fej->uj_meret, &fej->uj_ujj) != 5 ||
        sor[FEJ_HOSSZ - 1] != '\n' || fej->inode != (unsigned long long)f.st.st_ino ||
        (unsigned long long)st.st_size != FEJ_HOSSZ + fej->regi_meret)
        return false;
    unsigned long long meret;
    uint64_t h;
    return ujjlenyomata(fd, FEJ_HOSSZ, &meret, &h) && h == fej->regi_ujj;
}

// Puts the copy's old contents back into the file, writing only the bytes
// that differ: what a write stopped at the file size limit never reached
// then needs no writing either, and could not get it.
bool visszair(int regi, const Szofajl &f, const Fej &fej)
{
    char buf[64 * 1024];
    return bejar(regi, FEJ_HOSSZ,
                 [&](const char *p, size_t n, off_t hol) {
                     ssize_t k = pread(f.fd, buf, n, hol);
                     size_t eleje = 0, vege = n, megvan = k > 0 ? static_cast<size_t>(k) : 0;
                     while (eleje < megvan && buf[eleje] == p[eleje]) ++eleje;
                     while (vege > eleje && vege <= megvan && buf[vege - 1] == p[vege - 1]) --vege;
                     if (k < 0) return false;
                     return eleje == vege || mindet_ir(f.fd, p + eleje, vege - eleje, hol + eleje);
                 }) &&
           ftruncate(f.fd, (off_t)fej.regi_meret) == 0 && fsync(f.fd) == 0;
}

// Makes the copy at ut; false (errno) when it cannot be made whole there.
bool regi_keszit(const std::string &ut, const Szofajl &f, size_t uj_meret, uint64_t uj_ujj)
{
    Fd regi{open(ut.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (regi.fd < 0) return false;
    // The copy holds the same words as the file: it may be read by whoever may read the file.
    if (fchown(regi.fd, (uid_t)-1, f.st.st_gid) == 0) fchmod(regi.fd, f.st.st_mode & 0666);
    uint64_t h = ujjlenyomat(nullptr, 0);
    unsigned long long meret = 0;
    char fej[FEJ_HOSSZ + 1];
    bool jo = bejar(f.fd, 0, [&](const char *p, size_t n, off_t hol) {
        h = ujjlenyomat(p, n, h), meret += n;
        return mindet_ir(regi.fd, p, n, FEJ_HOSSZ + hol);
    });
    snprintf(fej, sizeof fej, FEJ_MINTA, (unsigned long long)f.st.st_ino, meret, (unsigned long long)h,
             (unsigned long long)uj_meret, (unsigned long long)uj_ujj);
    if (jo && mindet_ir(regi.fd, fej, FEJ_HOSSZ, 0) && fsync(regi.fd) == 0) {
        // The name must last too, or a power cut could take the copy with it.
        konyvtar_szinkron(ut);
        return true;
    }
    int hiba = errno;
    unlink(ut.c_str());
    return errno = hiba, false;
}

}  // namespace

std::string mappaja(const std::string &ut)
{
    size_t per = ut.rfind('/');
    return per == std::string::npos ? "." : per == 0 ? "/" : ut.substr(0, per);
}

std::string neve(const std::string &ut) { return ut.substr(ut.rfind('/') + 1); }

bool mindet_ir(int fd, const char *p, size_t n, off_t tol)
{
    for (size_t irva = 0; irva < n;) {
        ssize_t k = pwrite(fd, p + irva, n - irva, tol + static_cast<off_t>(irva));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        irva += static_cast<size_t>(k);
    }
    return true;
}

void regi_torol(const std::string &ut)
{
    // Synced, so that a copy of a write that ended never comes back after a
    // power cut to meet contents saved later.
    if (unlink(ut.c_str()) == 0) konyvtar_szinkron(ut);
}

XfszNelkul::XfszNelkul()
{
    sigemptyset(&xfsz);
    sigaddset(&xfsz, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &xfsz, &regi);
}

XfszNelkul::~XfszNelkul()
{
    if (sigismember(&regi, SIGXFSZ)) return;  // blocked already: the caller's to take
    const int hiba = errno;
    const timespec most = {0, 0};
    while (sigtimedwait(&xfsz, nullptr, &most) == SIGXFSZ) {
    }
    pthread_sigmask(SIG_SETMASK, &regi, nullptr);
    errno = hiba;
}

uint64_t ujjlenyomat(const char *p, size_t n, uint64_t h)
{
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 0x100000001b3u;
    return h;
}

void konyvtar_szinkron(const std::string &ut)
{
    int fd = open(mappaja(ut).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool szofajl_nyit(const char *fajlnev, Nyitas mire, Szofajl *f)
{
    f->bezar();
    // Each round that finds the file replaced means another save ended.
    for (int kor = 0; kor < 1000; ++kor) {
        f->cel = vegso_cel(fajlnev);
        if (f->cel.empty()) return false;
        struct stat st;
        const bool van = stat(f->cel.c_str(), &st) == 0;
        if (!van && (errno != ENOENT || mire != LETREHOZNI)) return false;
        // Refused before it is opened: opening a device can have effects of its own.
        if (van && mire != OLVASNI && !S_ISREG(st.st_mode))
            return errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL, false;
        // Not blocking: a FIFO opened for reading would wait for a writer.
        const int jelzok = (mire == OLVASNI ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        // Made with 0666 for the kernel to apply the umask: setting the umask
        // to read it would race with every other thread's new files.
        f->fd = open(f->cel.c_str(), van ? jelzok : jelzok | O_CREAT | O_EXCL, 0666);
        // Gone, or made by another, since the stat: look again. (A missing folder is no such case.)
        if (f->fd < 0 && (van ? errno == ENOENT : errno == EEXIST)) continue;
        if (f->fd < 0 || fstat(f->fd, &f->st) != 0) return false;
        f->letrehozva = !van;
        if (!S_ISREG(f->st.st_mode)) {
            if (mire != OLVASNI) return f->bezar(), errno = EINVAL, false;
            // A pipe is read as it comes; a FIFO with no writer reads as empty.
            return fcntl(f->fd, F_SETFL, fcntl(f->fd, F_GETFL) & ~O_NONBLOCK) == 0;
        }
        while (flock(f->fd, mire == OLVASNI ? LOCK_SH : LOCK_EX) != 0 && errno == EINTR) {
        }
        if (fstat(f->fd, &f->st) == 0 && stat(f->cel.c_str(), &st) == 0 && st.st_dev == f->st.st_dev &&
            st.st_ino == f->st.st_ino)
            return true;
        f->bezar();  // renamed over while this waited: the lock is on a file no longer there
    }
    return errno = EAGAIN, false;
}

bool regi_van(const Szofajl &f)
{
    struct stat st;
    if (lstat(regi_mellette(f.cel).c_str(), &st) == 0) return true;
    const std::string masik = regi_adatmappaban(f.cel);
    return !masik.empty() && lstat(masik.c_str(), &st) == 0;
}

std::string regi_ment(const Szofajl &f, size_t uj_meret, uint64_t uj_ujjlenyomat)
{
    std::string ut = regi_mellette(f.cel);
    if (regi_keszit(ut, f, uj_meret, uj_ujjlenyomat)) return ut;
    const int hiba = errno;
    ut = regi_adatmappaban(f.cel);
    std::string mappa = adatmappa();
    // The data folder is made as the game's launcher would make it.
    for (size_t per = 1; !ut.empty() && (per = mappa.find('/', per + 1)) != std::string::npos;)
        mkdir(mappa.substr(0, per).c_str(), 0700);
    if (!ut.empty() && (mkdir(mappa.c_str(), 0700) == 0 || errno == EEXIST) &&
        regi_keszit(ut, f, uj_meret, uj_ujjlenyomat))
        return ut;
    errno = hiba;  // the folder's refusal tells the player more than the data folder's
    return std::string();
}

bool regi_helyreallit(const Szofajl &f)
{
    XfszNelkul xfsz;  // a read may put old contents back
    for (const std::string &ut : {regi_mellette(f.cel), regi_adatmappaban(f.cel)}) {
        if (ut.empty()) continue;
        Fd regi{open(ut.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
        struct stat st;
        // One that cannot even be seen (a data folder of another user) was not made by this player.
        if (regi.fd < 0 && lstat(ut.c_str(), &st) != 0) continue;
        if (regi.fd < 0) return false;
        Fej fej;
        if (fej_olvas(regi.fd, f, &fej)) {
            unsigned long long meret;
            uint64_t h;
            if (!ujjlenyomata(f.fd, 0, &meret, &h)) return false;
            // The new contents whole: the write ended, only the copy's removal did not.
            if ((meret != fej.uj_meret || h != fej.uj_ujj) && !visszair(regi.fd, f, fej)) return false;
        }
        regi_torol(ut);
    }
    return true;
}

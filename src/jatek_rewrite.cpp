// Writing a word file back without losing any of it: a player's words
// survive a full disk, a failed read, a read-only folder and a file shared by
// hard links or owned by someone else.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jatek_internal.h"

namespace {

// What the rewrite knows of the file it replaces, all of it read before
// anything is written.
struct Regi {
    bool van = false;  // the file exists
    struct stat st = {};
    std::string tartalom;
};

// One line on stderr naming the file and what went wrong (errno).
void jelent(const char *mi, const std::string &fajl)
{
    fprintf(stderr, "%s: %s (%s)\n", mi, fajl.c_str(), strerror(errno));
}

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

// Reads the old file whole: its skipped tokens are kept, and it is what an
// interrupted write in place is undone with. A missing file is empty, with
// the bits a new file gets under the umask. False when the file exists but is
// not a regular file or cannot be read to its end: writing then would lose
// what it holds.
bool regit_olvas(const std::string &cel, Regi *regi)
{
    if (stat(cel.c_str(), &regi->st) != 0) {
        mode_t maszk = umask(0);  // reading the umask means setting it
        umask(maszk);
        regi->st.st_mode = 0666 & ~maszk;
        return errno == ENOENT;
    }
    regi->van = true;
    if (!S_ISREG(regi->st.st_mode)) return errno = EINVAL, false;
    std::unique_ptr<FILE, int (*)(FILE *)> f(fopen(cel.c_str(), "rb"), fclose);
    if (!f) return false;
    char buf[64 * 1024];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f.get())) > 0;) regi->tartalom.append(buf, n);
    return !ferror(f.get());
}

// Writes all of s at offset tol; *irva counts the bytes that reached the file.
bool mindet_ir(int fd, const std::string &s, size_t tol, size_t *irva)
{
    for (*irva = 0; *irva < s.size();) {
        ssize_t n = pwrite(fd, s.data() + *irva, s.size() - *irva, static_cast<off_t>(tol + *irva));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        *irva += static_cast<size_t>(n);
    }
    return true;
}

// Brings the new directory entry to the disk; a failure here leaves both the
// old and the new file whole, so it is not reported.
void konyvtar_szinkron(const std::string &cel)
{
    size_t per = cel.rfind('/');
    std::string konyvtar = per == std::string::npos ? "." : per == 0 ? "/" : cel.substr(0, per);
    int fd = open(konyvtar.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Writes uj to a new file beside cel and renames it over cel, when the new
// file can keep the old one's group and permission bits (its owner and its
// being the one link to its contents are the caller's to check). 1 when done;
// 0 when writing failed, cel untouched; -1 when no such file can be made here
// (a folder the player may not create files in, a group they are not in).
int atnevezve_ir(const std::string &cel, const std::string &uj, const Regi &regi)
{
    std::string ideiglenes = cel + ".XXXXXX";
    int fd = mkstemp(&ideiglenes[0]);
    if (fd < 0) return -1;
    struct stat sajat;
    size_t irva;
    int kesz = -1;
    if (fchmod(fd, regi.st.st_mode & 07777) == 0 && fstat(fd, &sajat) == 0 &&
        (!regi.van || sajat.st_gid == regi.st.st_gid || fchown(fd, (uid_t)-1, regi.st.st_gid) == 0))
        kesz = mindet_ir(fd, uj, 0, &irva) && fsync(fd) == 0;
    // A failing close can be the first report of a failed write.
    kesz = close(fd) == 0 ? kesz : 0;
    if (kesz == 1 && rename(ideiglenes.c_str(), cel.c_str()) == 0) return konyvtar_szinkron(cel), 1;
    int hiba = errno;
    unlink(ideiglenes.c_str());
    errno = hiba;
    return kesz == 1 ? 0 : kesz;
}

// Writes uj over cel in place, the way careful editors do when the file must
// stay the same file: the new contents, a sync, then the cut to their length.
// On a failure it writes back what it had overwritten, from the old contents
// read before. 1 when done, 0 when cel holds its old contents, -1 when even
// those could not be written back (said on stderr).
int helyben_ir(const std::string &cel, const std::string &uj, const Regi &regi)
{
    int fd = open(cel.c_str(), regi.van ? O_WRONLY : O_WRONLY | O_CREAT | O_EXCL, regi.st.st_mode & 07777);
    if (fd < 0) return 0;
    size_t irva = 0, vissza;
    bool vagva = false;
    bool jo = mindet_ir(fd, uj, 0, &irva) && fsync(fd) == 0 && (vagva = ftruncate(fd, (off_t)uj.size()) == 0) &&
              fsync(fd) == 0;
    int kesz = jo;
    if (!jo) {
        int hiba = errno;
        // Only the bytes written over (all of them once the file was cut)
        // need writing back.
        const std::string &regit = regi.tartalom;
        std::string serult = regit.substr(0, vagva ? regit.size() : std::min(irva, regit.size()));
        if (!mindet_ir(fd, serult, 0, &vissza) || ftruncate(fd, (off_t)regit.size()) != 0 || fsync(fd) != 0)
            kesz = -1, jelent("A szofajl regi tartalma nem allithato vissza", cel);
        errno = hiba;
    }
    close(fd);  // after the sync, its result tells nothing more
    return kesz;
}

}  // namespace

void Lista_visszair_fajlba(const Lista *lis, const char *fajlnev)
{
    if (!fajlnev) return;
    const std::string cel = vegso_cel(fajlnev);
    Regi regi;
    if (cel.empty() || !regit_olvas(cel, &regi))
        return jelent("A szofajl nem olvashato vegig, valtozatlan marad", cel.empty() ? fajlnev : cel);
    std::string uj;
    for (; lis; lis = lis->kov) (uj += lis->szo) += '\n';
    uj += kihagyott_tokenek(regi.tartalom);
    // A new file would be the player's own, and a single link.
    bool cserelheto = !regi.van || (regi.st.st_uid == geteuid() && regi.st.st_nlink == 1);
    int kesz = cserelheto ? atnevezve_ir(cel, uj, regi) : -1;
    if (kesz < 0) kesz = helyben_ir(cel, uj, regi);
    if (!kesz) jelent("A szofajl nem irhato, valtozatlan marad", cel);
}

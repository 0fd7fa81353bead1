// Writing a word file back without losing any of it: a player's words
// survive a full disk, a failed read, a read-only folder, a file shared by
// hard links or owned by someone else, another game saving at the same
// moment, and a kill at any moment.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "jatek_internal.h"

namespace {

// One line on stderr naming the file and what went wrong (errno, kept).
void jelent(const char *mi, const std::string &fajl)
{
    const int hiba = errno;
    fprintf(stderr, "%s: %s (%s)\n", mi, fajl.c_str(), strerror(hiba));
    errno = hiba;
}

// The temporary file of a save is named after the word file, this, and six
// characters that mkstemp chooses.
const char UJ_RESZ[] = ".hangman-new-";

// Removes what saves killed before their rename left beside the file: only
// regular files of this user that are named exactly as this game names them.
// Only a save holding the lock makes such a file, so none is in use now.
void maradekot_torol(const std::string &cel)
{
    const std::string elotag = neve(cel) + UJ_RESZ;
    DIR *d = opendir(mappaja(cel).c_str());
    if (!d) return;
    while (const dirent *e = readdir(d)) {
        const std::string nev = e->d_name;
        bool sajat = nev.size() == elotag.size() + 6 && nev.compare(0, elotag.size(), elotag) == 0;
        for (size_t i = elotag.size(); sajat && i < nev.size(); ++i)
            sajat = ascii_betu(nev[i]) || (nev[i] >= '0' && nev[i] <= '9');
        struct stat st;
        if (sajat && fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == geteuid())
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// Writes uj to a new file beside the file and renames it over it, when the
// new file can keep the old one's group and permission bits. 1 when done; 0
// when writing failed, the file untouched; -1 when it cannot be done here (a
// folder the player may not create files in, a group they are not in, a
// rename refused, as for a file that is a mount point of its own).
int atnevezve_ir(const Szofajl &f, const std::string &uj)
{
    std::string ideiglenes = f.cel + UJ_RESZ + "XXXXXX";
    int fd = mkstemp(&ideiglenes[0]);
    if (fd < 0) return -1;
    struct stat sajat;
    int kesz = -1;
    if (fchmod(fd, f.st.st_mode & 07777) == 0 && fstat(fd, &sajat) == 0 &&
        (sajat.st_gid == f.st.st_gid || fchown(fd, (uid_t)-1, f.st.st_gid) == 0))
        kesz = mindet_ir(fd, uj.data(), uj.size(), 0) && fsync(fd) == 0;
    // A failing close can be the first report of a failed write.
    kesz = close(fd) == 0 ? kesz : 0;
    if (kesz == 1 && rename(ideiglenes.c_str(), f.cel.c_str()) == 0) return konyvtar_szinkron(f.cel), 1;
    const int hiba = errno;
    unlink(ideiglenes.c_str());
    errno = hiba;
    return kesz == 1 ? -1 : kesz;
}

// Writes uj over the file in place, the way careful editors do when the file
// must stay the same file, after a whole, synced copy of the old contents:
// the new contents, a sync, the cut to their length, a sync. On a failure the
// old contents go back from the copy; should even that fail, the copy stays
// for the next read to put back. 1 when done, else 0.
int helyben_ir(const Szofajl &f, const std::string &uj)
{
    const std::string regi = regi_ment(f, uj.size(), ujjlenyomat(uj.data(), uj.size()));
    if (regi.empty()) return 0;
    if (mindet_ir(f.fd, uj.data(), uj.size(), 0) && fsync(f.fd) == 0 &&
        ftruncate(f.fd, (off_t)uj.size()) == 0 && fsync(f.fd) == 0)
        return regi_torol(regi), 1;
    const int hiba = errno;
    if (!regi_helyreallit(f)) jelent("A szofajl regi tartalmat a kovetkezo olvasas allitja vissza", f.cel);
    errno = hiba;
    return 0;
}

int ir(const Szofajl &f, const std::string &uj)
{
    maradekot_torol(f.cel);
    // A new file keeps of the old one only what is copied to it: the group
    // and the permission bits. So it replaces only the player's own file, the
    // one link to its contents, with no ACL or other extended attribute.
    const bool cserelheto =
        f.st.st_uid == geteuid() && f.st.st_nlink == 1 && flistxattr(f.fd, nullptr, 0) <= 0;
    const int kesz = cserelheto ? atnevezve_ir(f, uj) : -1;
    return kesz < 0 ? helyben_ir(f, uj) : kesz;
}

// The save: under the exclusive lock, from the read to the end of the write,
// the words of lis, or when beolvas is set those read now with szo (when not
// null) at its sorted place, and then the skipped tokens of the file.
int ment(const char *fajlnev, const Lista *lis, bool beolvas, const char *szo)
{
    XfszNelkul xfsz;
    try {
        Szofajl f;
        if (!fajlnev) return errno = EINVAL, 0;
        if (!szofajl_nyit(fajlnev, LETREHOZNI, &f))
            return jelent("A szofajl nem irhato, valtozatlan marad", f.cel.empty() ? fajlnev : f.cel), 0;
        // The player's own file set read-only says no, even to root.
        if (f.st.st_uid == geteuid() && !(f.st.st_mode & S_IWUSR))
            return errno = EACCES, jelent("A szofajl nem irhato, valtozatlan marad", f.cel), 0;
        std::unique_ptr<Lista, Lista *(*)(Lista *)> olvasott(nullptr, Lista_felszab);
        Lista *fej = nullptr;
        std::string kihagyott;
        const bool egesz = regi_helyreallit(f) && tokenek_olvas(f.fd, beolvas ? &fej : nullptr, &kihagyott);
        olvasott.reset(fej);
        if (!egesz) return jelent("A szofajl nem olvashato vegig, valtozatlan marad", f.cel), 0;
        if (beolvas && szo) olvasott.reset(fej = Lista_rendezetten_beszur(olvasott.release(), szo));
        if (beolvas) lis = fej;
        // Sized first, so that the words and the file's text are never held
        // more than once each.
        size_t meret = kihagyott.size();
        for (const Lista *l = lis; l; l = l->kov) meret += strlen(l->szo) + 1;
        std::string uj;
        uj.reserve(meret);
        for (; lis; lis = lis->kov) (uj += lis->szo) += '\n';
        uj += kihagyott;
        std::string().swap(kihagyott);
        olvasott.reset();
        const int kesz = ir(f, uj);
        if (kesz) return 1;
        const int hiba = errno;
        if (f.letrehozva) unlink(f.cel.c_str());  // no file is better than an empty one the save made
        errno = hiba;
        return jelent("A szofajl nem irhato, valtozatlan marad", f.cel), 0;
    } catch (const std::bad_alloc &) {
        elfogyott();
    }
}

}  // namespace

int Lista_visszair_fajlba(const Lista *lis, const char *fajlnev)
{
    return ment(fajlnev, lis, false, nullptr);
}

int szofajl_ment(const char *fajlnev, const char *szo) { return ment(fajlnev, nullptr, true, szo); }

// Failing the file system on purpose, for the one test program that includes
// this header (exactly one translation unit may). Its definitions of fopen,
// open, mkstemp, fsync, fclose, rename and their kin live in the executable,
// so the dynamic linker binds every call to them to these, also calls from the
// statically linked word store and from libstdc++; each passes the call on to
// the next definition (the C library's, or a sanitizer's interceptor) unless
// the plan says this call is to fail. Works for root too, where permission
// bits refuse nothing.
//
// Writes that fail part way (a short write, a full disk) are made by the
// kernel instead, through the file size limit: see FileSizeLimit.
#ifndef FAULT_INJECTION_H
#define FAULT_INJECTION_H

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

// The steps a rewrite can fail at.
enum FaultStep {
    FAULT_CREATE,  // opening a file to write it, making a temporary file
    FAULT_READ,    // opening a file to read it
    FAULT_SYNC,    // fsync, fdatasync
    FAULT_FINISH,  // fflush or fclose of a stream opened to write, close of such a descriptor
    FAULT_RENAME,  // rename, renameat, renameat2
    FAULT_STEPS
};

// While armed, every call of each step is counted; the call whose count is
// fail_from or later fails, up to fail_until (0: no limit). fail_from 0 fails
// nothing, so an armed plan with no failure counts the calls of a dry run.
struct FaultPlan {
    bool armed = false;
    int fail_from[FAULT_STEPS] = {};
    int fail_until[FAULT_STEPS] = {};
    int calls[FAULT_STEPS] = {};
    int failed[FAULT_STEPS] = {};
    // Whether a rename went through after a call had been failed: a rewrite
    // must give up at its first failure, never put a file in place after it.
    bool renamed_after_failure = false;
};

inline FaultPlan &fault_plan()
{
    static FaultPlan plan;
    return plan;
}

// Arms a plan failing the nth call of step (only that one, or every one from
// it on when every is set); every other step passes.
inline void fault_arm(FaultStep step, int nth, bool every = false)
{
    FaultPlan &p = fault_plan();
    p = FaultPlan();
    p.armed = true;
    p.fail_from[step] = nth;
    p.fail_until[step] = every ? 0 : nth;
}

// Counts the calls of every step without failing any.
inline void fault_count_only()
{
    fault_plan() = FaultPlan();
    fault_plan().armed = true;
}

inline void fault_disarm() { fault_plan().armed = false; }

inline int fault_failures()
{
    int n = 0;
    for (int f : fault_plan().failed) n += f;
    return n;
}

// Counts a call of step; true when the plan has it fail. errno is then set.
inline bool fault_hits(FaultStep step, int err)
{
    FaultPlan &p = fault_plan();
    if (!p.armed) return false;
    const int n = ++p.calls[step];
    if (p.fail_from[step] == 0 || n < p.fail_from[step]) return false;
    if (p.fail_until[step] != 0 && n > p.fail_until[step]) return false;
    ++p.failed[step];
    errno = err;
    return true;
}

// The file size limit as a full disk: while an object lives, no regular file
// may grow past limit bytes; a write crossing it writes what fits and fails
// with EFBIG, the next one writes nothing. SIGXFSZ, which would end the
// process, is ignored meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        struct rlimit r = old_;
        r.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    struct rlimit old_;
    sighandler_t old_handler_;
};

// ---- The interposed functions ---------------------------------------------

namespace fault_detail {

// The definition the call would have reached without this file.
template <typename F>
F next(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "fault injection: no %s to pass calls on to\n", name);
        abort();
    }
    return reinterpret_cast<F>(f);
}

// Streams and descriptors opened to write, whose flush and close can fail.
// Never destroyed: a stream may be closed after static destructors have run.
inline std::set<FILE *> &writing_streams()
{
    static auto *s = new std::set<FILE *>;
    return *s;
}
inline std::set<int> &writing_fds()
{
    static auto *s = new std::set<int>;
    return *s;
}

inline bool mode_writes(const char *mode)
{
    return strchr(mode, 'w') || strchr(mode, 'a') || strchr(mode, '+');
}
inline bool flags_write(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

inline FILE *note_stream(FILE *f, bool writes)
{
    if (f && writes) writing_streams().insert(f);
    if (f) writing_fds().erase(fileno(f));
    return f;
}
inline int note_fd(int fd, bool writes)
{
    if (fd >= 0) {
        if (writes) writing_fds().insert(fd);
        else writing_fds().erase(fd);
    }
    return fd;
}

inline FILE *open_stream(const char *fn, const char *name, const char *mode)
{
    const bool writes = mode_writes(mode);
    if (fault_hits(writes ? FAULT_CREATE : FAULT_READ, writes ? ENOSPC : EACCES)) return nullptr;
    using Fopen = FILE *(*)(const char *, const char *);
    return note_stream(next<Fopen>(fn)(name, mode), writes);
}

inline mode_t mode_arg(int flags, va_list ap)
{
    return (flags & (O_CREAT | __O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

// at: whether fn is of the openat kind, taking dirfd first.
inline int open_fd(const char *fn, bool at, int dirfd, const char *name, int flags, mode_t mode)
{
    const bool writes = flags_write(flags);
    if (fault_hits(writes ? FAULT_CREATE : FAULT_READ, writes ? ENOSPC : EACCES)) return -1;
    if (!at) {
        using Open = int (*)(const char *, int, ...);
        return note_fd(next<Open>(fn)(name, flags, mode), writes);
    }
    using Openat = int (*)(int, const char *, int, ...);
    return note_fd(next<Openat>(fn)(dirfd, name, flags, mode), writes);
}

template <typename... Args>
int make_temp(const char *fn, char *tmpl, Args... args)
{
    if (fault_hits(FAULT_CREATE, ENOSPC)) return -1;
    using Mk = int (*)(char *, Args...);
    return note_fd(next<Mk>(fn)(tmpl, args...), true);
}

inline int sync_fd(const char *fn, int fd)
{
    if (fault_hits(FAULT_SYNC, EIO)) return -1;
    using Sync = int (*)(int);
    return next<Sync>(fn)(fd);
}

inline int renamed(int result, bool after_failure)
{
    if (result == 0 && after_failure && fault_plan().armed)
        fault_plan().renamed_after_failure = true;
    return result;
}

}  // namespace fault_detail

extern "C" {

FILE *fopen(const char *name, const char *mode)
{
    return fault_detail::open_stream("fopen", name, mode);
}
FILE *fopen64(const char *name, const char *mode)
{
    return fault_detail::open_stream("fopen64", name, mode);
}
FILE *fdopen(int fd, const char *mode)
{
    using Fdopen = FILE *(*)(int, const char *);
    FILE *f = fault_detail::next<Fdopen>("fdopen")(fd, mode);
    const bool writes = fault_detail::writing_fds().count(fd) || fault_detail::mode_writes(mode);
    return fault_detail::note_stream(f, writes);
}

int open(const char *name, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = fault_detail::mode_arg(flags, ap);
    va_end(ap);
    return fault_detail::open_fd("open", false, -1, name, flags, mode);
}
int open64(const char *name, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = fault_detail::mode_arg(flags, ap);
    va_end(ap);
    return fault_detail::open_fd("open64", false, -1, name, flags, mode);
}
int openat(int dirfd, const char *name, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = fault_detail::mode_arg(flags, ap);
    va_end(ap);
    return fault_detail::open_fd("openat", true, dirfd, name, flags, mode);
}
int openat64(int dirfd, const char *name, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = fault_detail::mode_arg(flags, ap);
    va_end(ap);
    return fault_detail::open_fd("openat64", true, dirfd, name, flags, mode);
}
int creat(const char *name, mode_t mode)
{
    return fault_detail::open_fd("open", false, -1, name, O_CREAT | O_WRONLY | O_TRUNC, mode);
}
int creat64(const char *name, mode_t mode)
{
    return fault_detail::open_fd("open64", false, -1, name, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

int mkstemp(char *tmpl) { return fault_detail::make_temp("mkstemp", tmpl); }
int mkstemp64(char *tmpl) { return fault_detail::make_temp("mkstemp64", tmpl); }
int mkostemp(char *tmpl, int flags) { return fault_detail::make_temp("mkostemp", tmpl, flags); }
int mkostemp64(char *tmpl, int flags)
{
    return fault_detail::make_temp("mkostemp64", tmpl, flags);
}
int mkstemps(char *tmpl, int suffixlen)
{
    return fault_detail::make_temp("mkstemps", tmpl, suffixlen);
}
int mkostemps(char *tmpl, int suffixlen, int flags)
{
    return fault_detail::make_temp("mkostemps", tmpl, suffixlen, flags);
}

int fsync(int fd) { return fault_detail::sync_fd("fsync", fd); }
int fdatasync(int fd) { return fault_detail::sync_fd("fdatasync", fd); }

// A flush or close that fails after doing its work, as a network or full
// file system reports a write it could not complete only then.
int fflush(FILE *f)
{
    using Fflush = int (*)(FILE *);
    const int r = fault_detail::next<Fflush>("fflush")(f);
    if (f && fault_detail::writing_streams().count(f) && fault_hits(FAULT_FINISH, ENOSPC))
        return EOF;
    return r;
}
int fclose(FILE *f)
{
    const bool writes = fault_detail::writing_streams().erase(f) > 0;
    if (writes) fault_detail::writing_fds().erase(fileno(f));
    using Fclose = int (*)(FILE *);
    const int r = fault_detail::next<Fclose>("fclose")(f);
    if (writes && fault_hits(FAULT_FINISH, ENOSPC)) return EOF;
    return r;
}
int close(int fd)
{
    const bool writes = fault_detail::writing_fds().erase(fd) > 0;
    using Close = int (*)(int);
    const int r = fault_detail::next<Close>("close")(fd);
    if (writes && fault_hits(FAULT_FINISH, ENOSPC)) return -1;
    return r;
}

int rename(const char *from, const char *to) noexcept
{
    const bool after_failure = fault_failures() > 0;
    if (fault_hits(FAULT_RENAME, EACCES)) return -1;
    using Rename = int (*)(const char *, const char *);
    return fault_detail::renamed(fault_detail::next<Rename>("rename")(from, to), after_failure);
}
int renameat(int fromdir, const char *from, int todir, const char *to) noexcept
{
    const bool after_failure = fault_failures() > 0;
    if (fault_hits(FAULT_RENAME, EACCES)) return -1;
    using Renameat = int (*)(int, const char *, int, const char *);
    return fault_detail::renamed(
        fault_detail::next<Renameat>("renameat")(fromdir, from, todir, to), after_failure);
}
int renameat2(int fromdir, const char *from, int todir, const char *to, unsigned flags) noexcept
{
    const bool after_failure = fault_failures() > 0;
    if (fault_hits(FAULT_RENAME, EACCES)) return -1;
    using Renameat2 = int (*)(int, const char *, int, const char *, unsigned);
    return fault_detail::renamed(
        fault_detail::next<Renameat2>("renameat2")(fromdir, from, todir, to, flags),
        after_failure);
}

}  // extern "C"

#endif

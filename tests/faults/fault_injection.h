// Failing the file system on purpose, for the one test program that includes
// this header (exactly one translation unit may). The definitions below live
// in the executable, so the dynamic linker binds the word store's calls to
// them; each passes the call on to the next definition (the C library's, or a
// sanitizer's interceptor) unless the plan says it is to fail. Works for root
// too, where permission bits refuse nothing. Only the calls the rewrite makes
// are covered: a test that fails a whole step checks that something failed,
// so a rewrite moved to another call shows there.
#ifndef FAULT_INJECTION_H
#define FAULT_INJECTION_H

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

enum FaultStep {
    FAULT_CREATE,  // opening a file to write, making a temporary file
    FAULT_READ,    // opening a file to read
    FAULT_SYNC,    // fsync
    FAULT_FINISH,  // fflush or fclose of a stream written to, close of such a descriptor
    FAULT_RENAME,
    FAULT_STEPS
};

// While armed, every call of each step is counted; the call numbered
// fail_from fails, and so does every later one when every is set. fail_from
// 0 fails nothing, so that a dry run counts the calls.
struct FaultPlan {
    bool armed = false;
    int fail_from[FAULT_STEPS] = {};
    bool every[FAULT_STEPS] = {};
    int calls[FAULT_STEPS] = {};
    int failed[FAULT_STEPS] = {};
    // A rewrite must give up at its first failure, never rename a file into
    // place after it.
    bool renamed_after_failure = false;
};

inline FaultPlan &fault_plan()
{
    static FaultPlan plan;
    return plan;
}

// Arms a fresh plan failing the nth call of step (every one from it when
// every is set); nth 0 only counts.
inline void fault_arm(FaultStep step, int nth, bool every = false)
{
    FaultPlan &p = fault_plan();
    p = FaultPlan();
    p.armed = true;
    p.fail_from[step] = nth;
    p.every[step] = every;
}

inline void fault_disarm() { fault_plan().armed = false; }

// Counts a call of step; true, with errno set to err, when the plan has it fail.
inline bool fault_hits(FaultStep step, int err)
{
    FaultPlan &p = fault_plan();
    if (!p.armed) return false;
    const int n = ++p.calls[step], from = p.fail_from[step];
    if (from == 0 || n < from || (n > from && !p.every[step])) return false;
    ++p.failed[step];
    errno = err;
    return true;
}

namespace fault_detail {

// The definition a call of ours, named name, would have reached without
// this file.
template <typename F>
F *next(F *, const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "fault injection: no %s to pass calls on to\n", name);
        abort();
    }
    return reinterpret_cast<F *>(f);
}
#define FAULT_NEXT(fn) fault_detail::next(fn, #fn)

// Streams and descriptors written to, whose flush and close can fail. Never
// destroyed: a stream may be closed after static destructors have run.
inline std::set<FILE *> &writing_streams = *new std::set<FILE *>;
inline std::set<int> &writing_fds = *new std::set<int>;

// A stream's descriptor is closed with the stream, never through close().
inline FILE *note_stream(FILE *f, bool writes)
{
    if (f && writes) writing_streams.insert(f);
    if (f) writing_fds.erase(fileno(f));
    return f;
}

inline int note_fd(int fd, bool writes)
{
    if (fd >= 0 && writes) writing_fds.insert(fd);
    else if (fd >= 0) writing_fds.erase(fd);
    return fd;
}

}  // namespace fault_detail

extern "C" {

FILE *fopen(const char *name, const char *mode)
{
    const bool writes = strpbrk(mode, "wa+") != nullptr;
    if (fault_hits(writes ? FAULT_CREATE : FAULT_READ, writes ? ENOSPC : EACCES)) return nullptr;
    return fault_detail::note_stream(FAULT_NEXT(fopen)(name, mode), writes);
}
FILE *fdopen(int fd, const char *mode)
{
    FILE *f = FAULT_NEXT(fdopen)(fd, mode);
    const bool writes = fault_detail::writing_fds.count(fd) || strpbrk(mode, "wa+");
    return fault_detail::note_stream(f, writes);
}

int open(const char *name, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | __O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
    va_end(ap);
    const bool writes = (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
    if (fault_hits(writes ? FAULT_CREATE : FAULT_READ, writes ? ENOSPC : EACCES)) return -1;
    return fault_detail::note_fd(FAULT_NEXT(open)(name, flags, mode), writes);
}

int mkstemp(char *tmpl)
{
    if (fault_hits(FAULT_CREATE, ENOSPC)) return -1;
    return fault_detail::note_fd(FAULT_NEXT(mkstemp)(tmpl), true);
}

int fsync(int fd)
{
    if (fault_hits(FAULT_SYNC, EIO)) return -1;
    return FAULT_NEXT(fsync)(fd);
}

// A flush or close that fails after doing its work, as a network or full
// file system reports a write it could not complete only then.
int fflush(FILE *f)
{
    const int r = FAULT_NEXT(fflush)(f);
    if (f && fault_detail::writing_streams.count(f) && fault_hits(FAULT_FINISH, ENOSPC))
        return EOF;
    return r;
}
int fclose(FILE *f)
{
    const bool writes = fault_detail::writing_streams.erase(f) > 0;
    const int r = FAULT_NEXT(fclose)(f);
    if (writes && fault_hits(FAULT_FINISH, ENOSPC)) return EOF;
    return r;
}
int close(int fd)
{
    const bool writes = fault_detail::writing_fds.erase(fd) > 0;
    const int r = FAULT_NEXT(close)(fd);
    if (writes && fault_hits(FAULT_FINISH, ENOSPC)) return -1;
    return r;
}

int rename(const char *from, const char *to) noexcept
{
    int failures = 0;
    for (int f : fault_plan().failed) failures += f;
    if (fault_hits(FAULT_RENAME, EACCES)) return -1;
    const int r = FAULT_NEXT(rename)(from, to);
    if (r == 0 && failures > 0 && fault_plan().armed) fault_plan().renamed_after_failure = true;
    return r;
}

}  // extern "C"

#endif

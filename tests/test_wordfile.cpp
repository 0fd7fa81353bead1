// Word files on disk: loading, writing back, and failures on the way.
#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "fixture.h"

// The one injection point: these stand in front of the C library's functions
// for the whole program, so the engine meets them. The call the armed fault
// names fails; a "read" fault lets `after` bytes through, then fails as a bad
// disk does.
static struct Fault {
    std::string call;  // "fopen", "read", "mkstemp", "fsync", "rename" or none
    size_t after = 0;
} fault;
template <class F>
static F *real(F *, const char *name) { return reinterpret_cast<F *>(dlsym(RTLD_NEXT, name)); }
#define PASS_ON(f, ...) (fault.call == #f ? (errno = EIO, -1) : real(f, #f)(__VA_ARGS__))
extern "C" int mkstemp(char *tmpl) { return PASS_ON(mkstemp, tmpl); }
extern "C" int fsync(int fd) { return PASS_ON(fsync, fd); }
extern "C" int rename(const char *from, const char *to) noexcept { return PASS_ON(rename, from, to); }
extern "C" FILE *fopen(const char *name, const char *mode)
{
    FILE *f = fault.call == "fopen" ? nullptr : real(fopen, "fopen")(name, mode);
    if (!f || fault.call != "read") return f;
    cookie_io_functions_t cut = {[](void *f, char *buf, size_t n) -> ssize_t {
                                     if (!fault.after) return errno = EIO, -1;
                                     size_t got = fread(buf, 1, std::min(n, fault.after), (FILE *)f);
                                     return fault.after -= got, (ssize_t)got;
                                 },
                                 nullptr, nullptr, [](void *f) { return fclose((FILE *)f); }};
    return fopencookie(f, mode, cut);
}

namespace {

Words load(const char *name)
{
    Lista *lis = Lista_epit_fajlbol(name);
    Words words = words_of(lis);
    return Lista_felszab(lis), words;
}
void write_words(const Words &words, const char *name)
{
    Lista *lis = list_of(words);
    Lista_visszair_fajlba(lis, name);
    Lista_felszab(lis);
}
// The names in a folder, and the permission bits of a file.
Words entries(const char *dir = ".")
{
    Words names;
    DIR *d = opendir(dir);
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    return std::sort(names.begin(), names.end()), names;
}
mode_t mode_of(const char *name)
{
    struct stat st = {};
    return stat(name, &st), st.st_mode & 07777;
}

}  // namespace

TEST(Load, WordsOfLettersOnlyInFileOrderLowerCased)
{
    TempDir dir(false);
    const std::string cases[][2] = {
        {"x-ray\nApple\npear\n", "apple pear"}, {"zebra\nant\nZEBRA\n", "zebra ant zebra"},
        {"it's\nabc1\n@home\n[a\n`b\n{c\nok\n", "ok"}, {"alma\nk\xC3\xB6rte\nk\xF6rte\nszilva\n", "alma szilva"},
        {"\xEF\xBB\xBF" "first\nsecond\n", "second"}, {"pear plum\r\n\n  fig\t\tkiwi\v\flime\rlast", "pear plum fig kiwi lime last"},
        {std::string(30, 'a') + "\n" + std::string(31, 'b') + "\nend\n", std::string(30, 'a') + " end"},
        // A word across the reader's 64 KiB chunks, and a token far beyond any buffer.
        {std::string(65534, ' ') + "AbcdeF " + std::string(1 << 20, 'm') + " x", "abcdef x"}};
    for (const auto &c : cases) {
        write_file("words.txt", c[0]);
        EXPECT_EQ(load("words.txt"), W(c[1])) << c[0].substr(0, 40);
    }
    mkdir("folder", 0755);
    EXPECT_EQ(load("missing.txt").size() + load("folder").size(), 0u);
}

TEST(Rewrite, ByteForByteWithTheSkippedTokensAfterTheList)
{
    TempDir dir(false);
    const std::string text = "apple\nfig\npear\nzebra\nant\napple\n", long31(31, 'w');
    write_file("words.txt", text);
    write_words(load("words.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), text);
    write_words({}, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "");
    write_words({"", "fig"}, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "\nfig\n");
    write_file("words.txt", "x-ray\r\nApple \xEF\xBB\xBFpear\nk\xC3\xB6rte\t" + long31 + "\nplum");
    Lista *lis = Lista_rendezetten_beszur(Lista_epit_fajlbol("words.txt"), "fig");
    Lista_visszair_fajlba(lis, "words.txt");
    Lista_felszab(lis);
    const std::string once = "apple\nfig\nplum\nx-ray\n\xEF\xBB\xBFpear\nk\xC3\xB6rte\n" + long31 + "\n";
    EXPECT_EQ(read_file("words.txt"), once);
    write_words(load("words.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), once);
    EXPECT_EQ(entries(), Words{"words.txt"});
}

// A new file follows the umask, an old one keeps its mode, and links keep
// leading where they led: the file at the end of a chain is replaced.
TEST(Rewrite, ModesUmaskAndLinks)
{
    TempDir dir(false);
    mode_t old_mask = umask(027);
    write_words({"apple"}, "new.txt");
    EXPECT_EQ(std::make_pair(umask(old_mask), mode_of("new.txt")), std::make_pair(mode_t(027), mode_t(0640)));
    chmod("new.txt", 0604);
    write_words({"pear"}, "new.txt");
    EXPECT_EQ(mode_of("new.txt"), 0604u);
    write_words({"apple"}, "nowhere/words.txt");

    mkdir("real", 0755);
    write_file("real/words.txt", "old\n");
    const char *links[][2] = {{"words.txt", "real/middle.txt"}, {"real/middle.txt", "link.txt"},
                              {"target.txt", "dangling.txt"}, {"loop2", "loop1"}, {"loop1", "loop2"}};
    for (const auto &l : links) EXPECT_EQ(symlink(l[0], l[1]), 0);
    write_words({"new"}, "link.txt");
    write_words({"apple"}, "dangling.txt");
    write_words({"apple"}, "loop1");
    EXPECT_EQ(read_file("real/words.txt") + read_file("target.txt"), "new\napple\n");
    EXPECT_EQ(entries("real"), W("middle.txt words.txt"));
    EXPECT_EQ(entries(), W("dangling.txt link.txt loop1 loop2 new.txt real target.txt"));
}

// Whatever step fails, the old file stays byte for byte and nothing is left
// beside it; a full disk is made at every byte by the kernel's file size limit.
TEST(Rewrite, AFailedStepKeepsTheOldFile)
{
    TempDir dir(false);
    const std::string old_text = "Alma\nk\xc3\xb6rte\nbanan\nx-ray\n", new_text = "alma\nbanan\ncitrom\nk\xc3\xb6rte\nx-ray\n";
    Lista *lis = list_of(W("alma banan citrom"));
    struct rlimit unlimited;
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);
    const Fault faults[] = {{"fopen"}, {"read", 6}, {"mkstemp"}, {"fsync"}, {"rename"}};
    for (size_t i = 0; i < 5 + new_text.size() + 1; ++i) {
        write_file("angol.txt", old_text);
        struct rlimit cut = {i < 5 ? unlimited.rlim_cur : i - 5, unlimited.rlim_max};
        fault = i < 5 ? faults[i] : Fault{};
        setrlimit(RLIMIT_FSIZE, &cut);
        Lista_visszair_fajlba(lis, "angol.txt");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        fault = {};
        EXPECT_EQ(read_file("angol.txt"), i == 5 + new_text.size() ? new_text : old_text) << i;
        EXPECT_EQ(entries(), Words{"angol.txt"}) << i;
    }
    Lista_felszab(lis);
}

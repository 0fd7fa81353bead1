// Word files on disk: loading, writing back, and failures on the way.
#include <grp.h>
#include <malloc.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "fixture.h"

namespace {

using List = std::unique_ptr<Lista, decltype(&Lista_felszab)>;
List owned(Lista *lis) { return {lis, Lista_felszab}; }
Words load(const char *name) { return words_of(owned(Lista_epit_fajlbol(name)).get()); }
int write_words(const Words &w, const char *f) { return Lista_visszair_fajlba(owned(list_of(w)).get(), f); }
struct stat stat_of(const char *name)
{
    struct stat st = {};
    return lstat(name, &st), st;
}
// The names in a folder, sorted; none for a folder that is not there.
Words entries(const std::string &dir = ".")
{
    Words names;
    std::error_code missing;
    for (const auto &e : std::filesystem::directory_iterator(dir, missing))
        if (e.path().filename().c_str()[0] != '.') names.push_back(e.path().filename());
    return std::sort(names.begin(), names.end()), names;
}
// Nothing beside the file but what the test made, nothing in the data folder.
Words left_over()
{
    Words names = entries(), data = entries(getenv("XDG_DATA_HOME") + std::string("/hangman"));
    return names.insert(names.end(), data.begin(), data.end()), names;
}
// What a save must keep of a file: its mode, owner, links, and every extended
// attribute (ACLs are such) with its value; not its inode, as a save may
// replace the file.
std::string identity(const char *name)
{
    const struct stat st = stat_of(name);
    std::ostringstream all;
    all << st.st_mode << ' ' << st.st_uid << ':' << st.st_gid << ' ' << st.st_nlink;
    char keys[4096], value[4096];
    for (ssize_t i = 0, n = llistxattr(name, keys, sizeof keys); i < n; i += strlen(keys + i) + 1) {
        const ssize_t v = lgetxattr(name, keys + i, value, sizeof value);
        all << ' ' << keys + i << '=' << std::string(value, std::max<ssize_t>(v, 0));
    }
    return all.str();
}
// A game saving word into angol.txt in a child process, after in_child there.
pid_t game(const char *word, const std::function<bool()> &in_child)
{
    fflush(nullptr);  // or the child's exit would write the parent's buffers again
    const pid_t child = fork();
    if (child == 0) _exit(!in_child() ? 77 : 1 - szofajl_ment("angol.txt", word));
    return child;
}
// What it exits with: 0 saved, 1 not, 77 when in_child failed, -1 killed.
int status_of(pid_t game)
{
    int status = -1;
    waitpid(game, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
bool limit(decltype(RLIMIT_AS) resource, rlim_t to)
{
    struct rlimit now;
    return getrlimit(resource, &now) == 0 && (now.rlim_cur = to, setrlimit(resource, &now) == 0);
}
// Room for the process as it is and 4 MiB more, big blocks mapped afresh,
// not carved from what the parent freed; none under AddressSanitizer, whose
// shadow memory leaves no room for a limit on the address space.
bool little_memory()
{
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return !dlsym(RTLD_DEFAULT, "__asan_init") && mallopt(M_MMAP_THRESHOLD, 1 << 17) &&
           limit(RLIMIT_AS, pages * sysconf(_SC_PAGESIZE) + (4 << 20));
}
// Root's test turns into nobody, whom permission bits bind; another user is the player already.
const uid_t nobody = 65534;
bool player_owns(const char *name) { return geteuid() != 0 || chown(name, nobody, nobody) == 0; }
bool become_player() { return geteuid() || (!setgroups(0, nullptr) && !setgid(nobody) && !setuid(nobody)); }
bool twin() { return link("angol.txt", "twin.txt") == 0; }
// CR LF lines: with "y" the save keeps the file's size.
const std::string words = "apple\r\npear\r\n", words_and_y = "apple\npear\ny\n";
// The n-th word of four letters, in sorted order, and words one a line, sorted.
std::string nth_word(int n)
{
    return {char('a' + n / 17576 % 26), char('a' + n / 676 % 26), char('a' + n / 26 % 26),
            char('a' + n % 26)};
}
std::string lines(Words words, const char *end = "\n")
{
    std::string text;
    for (const auto &w : (std::sort(words.begin(), words.end()), words)) text += w + end;
    return text;
}

}  // namespace

// Only tokens of 1 to 30 ASCII letters are words; the rest are skipped whole.
TEST(Load, WordsOfLettersOnlyInFileOrderLowerCased)
{
    TempDir dir(false);
    const std::string cases[][2] = {
        {"x-ray\nApple\npear\n", "apple pear"},
        {"zebra\nant\nZEBRA\n", "zebra ant zebra"},
        {"it's\nabc1\n@home\n[a\n`b\n{c\nok\n", "ok"},
        {"alma\nk\xC3\xB6rte\nk\xF6rte\nszilva\n", "alma szilva"},
        {"\uFEFFfirst\nsecond\n", "second"},
        {"pear plum\r\n\n  fig\t\tkiwi\v\flime\rlast", "pear plum fig kiwi lime last"},
        {std::string(30, 'a') + "\n" + std::string(31, 'b') + "\nend\n", std::string(30, 'a') + " end"},
        // A word across the reader's 64 KiB chunks, and a token far beyond any buffer.
        {std::string(65534, ' ') + "AbcdeF " + std::string(1 << 20, 'm') + " x", "abcdef x"}};
    for (const auto &c : cases) {
        write_file("words.txt", c[0]);
        EXPECT_EQ(load("words.txt"), W(c[1])) << c[0].substr(0, 40);
    }
}

// A missing file holds no word and is read whole, and so is a FIFO without a
// writer, read as a stream; a folder is not read whole.
TEST(Load, AMissingFileOrAFifoIsReadWholeAFolderNot)
{
    TempDir dir(false);
    mkdir("folder", 0755), mkfifo("fifo", 0644);
    for (auto [name, whole] : {std::pair("missing", 1), std::pair("fifo", 1), std::pair("folder", 0)}) {
        int read_whole = -1;
        Lista_epit_fajlbol_ellenorizve(name, &read_whole);
        EXPECT_EQ(read_whole, whole) << name;
    }
}

// The words one a line, in list order, then the tokens the loader skipped,
// in file order: a save loses no byte of the player's, and the next save
// changes nothing.
TEST(Rewrite, WritesTheWordsThenTheSkippedTokens)
{
    TempDir dir(false);
    const std::string w31(31, 'w'), skipped = "x-ray\n\xEF\xBB\xBFpear\nk\xC3\xB6rte\n" + w31 + "\n";
    const std::string cases[][3] = {
        // the file, the list saved over it, the file after
        {"b\nc\na\nb\n", "b c a b", "b\nc\na\nb\n"},
        {"x-ray\r\nApple \xEF\xBB\xBFpear\nk\xC3\xB6rte\t" + w31, "apple fig", "apple\nfig\n" + skipped},
        {"apple\nfig\n" + skipped, "apple fig", "apple\nfig\n" + skipped},
        {"apple\nx-ray\npear\n", "fig", "fig\nx-ray\n"},
        // A skipped token alone in the reader's last chunk of 64 KiB.
        {"ant" + std::string(65533, '\n') + "-", "ant", "ant\n-\n"}};
    for (const auto &c : cases) {
        write_file("words.txt", c[0]);
        EXPECT_EQ(write_words(W(c[1]), "words.txt"), 1) << c[0].substr(0, 40);
        EXPECT_EQ(read_file("words.txt"), c[2]) << c[0].substr(0, 40);
    }
}

// Links keep leading where they led: the file at the end of a chain, each
// link relative to its own folder, is replaced; a dangling one is made.
TEST(Rewrite, LinksStayLinks)
{
    TempDir dir(false);
    mkdir("real", 0755);
    write_file("real/words.txt", "old\n");
    EXPECT_EQ(symlink("words.txt", "real/a.txt"), 0);
    EXPECT_EQ(symlink("real/a.txt", "link.txt"), 0);
    EXPECT_EQ(symlink("target.txt", "dangling.txt"), 0);
    EXPECT_EQ(symlink("loop", "loop"), 0);
    EXPECT_EQ(write_words({"new"}, "link.txt"), 1);
    EXPECT_EQ(write_words({"apple"}, "dangling.txt"), 1);
    EXPECT_EQ(write_words({"apple"}, "loop"), 0);
    EXPECT_EQ(write_words({"apple"}, "nowhere/words.txt"), 0);
    EXPECT_EQ(read_file("real/words.txt"), "new\n");
    EXPECT_EQ(read_file("target.txt"), "apple\n");
    EXPECT_EQ(entries("real"), W("a.txt words.txt"));
    EXPECT_EQ(entries(), W("dangling.txt link.txt loop real target.txt"));
}

// A new file gets 0666 less the umask, which the save leaves as it was.
TEST(Rewrite, ANewFileFollowsTheUmask)
{
    TempDir dir(false);
    const mode_t old_mask = umask(027);
    EXPECT_EQ(write_words({"apple"}, "angol.txt"), 1);
    EXPECT_EQ(umask(old_mask), 027u);
    EXPECT_EQ(stat_of("angol.txt").st_mode & 07777, 0640u);
}

// A full disk at every byte, made by the kernel's file size limit with
// SIGXFSZ at its default, which no save may die of. Renamed, the new file is
// all that must fit; written in place, the copy of the old one too.
TEST(Rewrite, AFullDiskAtAnyByteKeepsTheOldFile)
{
    TempDir dir(false);
    for (bool linked : {false, true}) {
        rlim_t fits = 0;  // the least size limit the save is done under
        for (rlim_t size = 0; size < 200 && (!fits || size < fits + 3); ++size) {
            SCOPED_TRACE(std::to_string(size) + (linked ? " linked" : ""));
            write_file("angol.txt", words);
            EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
            const int status = status_of(
                game("y", [&] { return freopen("/dev/null", "w", stderr) && limit(RLIMIT_FSIZE, size); }));
            EXPECT_EQ(read_file("angol.txt"), status == 0 ? words_and_y : words);
            EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
            unlink("twin.txt");
            if (status == 0 && !fits) fits = size;
            EXPECT_EQ(status, fits ? 0 : 1);
        }
        if (linked) EXPECT_GT(fits, words_and_y.size());
        else EXPECT_EQ(fits, words_and_y.size());
    }
}

// Games save into one file all at the same moment, on both paths: whichever
// comes first, no word is lost, and Back in one game does not erase the word
// another saves.
TEST(Rewrite, GamesSavingAtOnceKeepEveryWord)
{
    TempDir dir(false);
    for (bool linked : {false, true}) {
        Words expected;
        for (int i = 0; i < 20000; i += 2) expected.push_back(nth_word(i));
        write_file("angol.txt", lines(expected));
        EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
        int go[2], byte;
        ASSERT_EQ(pipe(go), 0);
        const auto at_go = [&] { return read(go[0], &byte, 1) == 1; };
        std::vector<pid_t> games;  // each odd one saves a word of its own, each even one presses Back
        for (int g = 0; g < 20; ++g) games.push_back(game(g % 2 ? nth_word(g).c_str() : nullptr, at_go));
        for (int g = 1; g < 20; g += 2) expected.push_back(nth_word(g));
        EXPECT_EQ(write(go[1], std::string(20, '!').data(), 20), 20);  // all at once
        close(go[0]), close(go[1]);
        for (const pid_t g : games) EXPECT_EQ(status_of(g), 0) << (linked ? "linked" : "");
        EXPECT_EQ(read_file("angol.txt"), lines(expected)) << (linked ? "linked" : "");
        EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
        unlink("twin.txt");
    }
}

// A save killed before each of its writes and syncs in turn, on both paths:
// the next read finds every word the file held and nothing but the new word
// besides (a torn file gets its old contents back), and after the next save
// nothing is left beside the file.
TEST(Rewrite, AKilledSaveLeavesTheOldWordsOrTheNew)
{
    TempDir dir(false);
    Words old_words;
    for (int i = 0; i < 26 * 26 * 26 * 2; i += 2) old_words.push_back(nth_word(i));
    Words new_words = old_words;
    new_words.insert(std::lower_bound(new_words.begin(), new_words.end(), "bbbb"), "bbbb");
    for (bool linked : {false, true}) {
        int torn = 0, status = -1;
        for (size_t step = 0; status != 0 && step < 100; ++step) {
            SCOPED_TRACE(std::to_string(step) + (linked ? " linked" : ""));
            // CR LF lines, written back shorter: a file not yet cut is torn.
            write_file("angol.txt", lines(old_words, "\r\n"));
            EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
            status = status_of(game("bbbb", [&] { return fault = {"kill", step}, true; }));
            const std::string raw = read_file("angol.txt");
            const Words read = load("angol.txt");
            ASSERT_EQ(read, read.size() > old_words.size() ? new_words : old_words);
            EXPECT_TRUE(read == new_words || raw != lines(new_words)) << "a whole new file was rolled back";
            torn += raw != read_file("angol.txt");
            EXPECT_EQ(szofajl_ment("angol.txt", nullptr), 1);
            EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
            unlink("twin.txt");
        }
        EXPECT_EQ(status, 0) << "the save never ended";
        // Killed after its write and before its cut, a save in place leaves a torn file.
        EXPECT_EQ(torn > 0, linked);
    }
}

namespace {
// One save of "y" into angol.txt a row, the file made by `made` (false: this
// machine cannot make the case), the save run in a child process with `fault`
// armed after `in_child` there: what it says, and the status it ends with.
const struct Case {
    const char *name, *said;
    int status;
    std::function<bool()> made = nullptr, in_child = nullptr;
    Fault fault = {};
} cases[] = {
    // Renamed over, the player's own file keeps its mode and group (for root, another's).
    {"ModeAndGroup", "", 0,
     [] { return !chmod("angol.txt", 0604) && !chown("angol.txt", -1, geteuid() ? getegid() : nobody); }},
    {"ExtendedAttribute", "", 0, [] { return setxattr("angol.txt", "user.a", "1", 1, 0) == 0; }},
    {"AclWithAMask", "", 0, [] { return system("setfacl -m u:nobody:rw,m::r angol.txt 2>/dev/null") == 0; }},
    {"AnotherOwner", "", 0, [] { return !chown("angol.txt", nobody, nobody) && !chmod("angol.txt", 0604); }},
    // A folder the player may not list, so no leftovers are looked for in it.
    {"UnlistableFolder", "", 0,
     [] { return player_owns(".") && player_owns("angol.txt") && !chmod(".", 0311); }, become_player},
    // The copy of the old contents goes to the data folder, made with its parents.
    {"ReadOnlyFolder", "", 0,
     [] {
         setenv("XDG_DATA_HOME", (getenv("XDG_DATA_HOME") + std::string("/not/yet")).c_str(), 1);
         return mkdir(".data", 0755) == 0 && player_owns(".data") && player_owns(".") &&
                player_owns("angol.txt") && chmod(".", 0555) == 0;
     },
     become_player},
    // No new file can have a group the player is not in.
    {"GroupOfAnother", "", 0,
     [] { return geteuid() == 0 && player_owns(".") && chown("angol.txt", nobody, 0) == 0; }, become_player},
    // The rename over a mount point fails with EBUSY; in place it saves.
    {"BindMount", "", 0, nullptr,
     [] {
         return unshare(CLONE_NEWNS) == 0 &&
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount("angol.txt", "angol.txt", nullptr, MS_BIND, nullptr) == 0;
     }},
    // Leftovers of a killed save go with the next one: only regular files of
    // this user named as the game names them for this file.
    {"Leftovers", "", 0,
     [] {
         for (const auto &name : W("angol.txt.hangman-new-abc12 angol.txt.hangman-new-abc1234 "
                                   "angol.txt.hangman-new-ab-123 magyar.txt.hangman-new-abc123"))
             write_file(name, "x\n");
         return mkdir("angol.txt.hangman-new-fold3r", 0755) == 0 &&
                symlink("angol.txt", "angol.txt.hangman-new-l1nk99") == 0;
     },
     [] { return write_file("angol.txt.hangman-new-Ab3xY9", "x\n"), true; }},
    {"OwnReadOnly", "angol.txt (Permission denied)", 1, [] { return chmod("angol.txt", 0444) == 0; }},
    {"Fifo", "angol.txt (Invalid argument)", 1,
     [] { return unlink("angol.txt") == 0 && mkfifo("angol.txt", 0644) == 0; }},
    {"Folder", "angol.txt (Is a directory)", 1,
     [] { return unlink("angol.txt") == 0 && mkdir("angol.txt", 0755) == 0; }},
    {"NoFreeFile", "angol.txt (Too many open files)", 1, nullptr,
     [] { return limit(RLIMIT_NOFILE, dup(0)); }},
    {"ReadFails", "angol.txt (Input/output error)", 1, nullptr, nullptr, {"read", 6}},
    {"SyncFails", "angol.txt (Input/output error)", 1, nullptr, nullptr, {"fsync"}},
    // With a hard link to it the file is written in place, after a copy of
    // its old contents, which a failure puts back.
    {"SyncFailsInPlace", "angol.txt (Input/output error)", 1, twin, nullptr, {"fsync"}},
    // Cut short, the new file's size but not its bytes.
    {"WriteFailsInPlace", "angol.txt (No space left on device)", 1, twin, nullptr, {"write", 10}},
    // 8 MiB of NUL bytes: a token to skip, whose bytes the save must hold.
    {"OutOfMemory", "Nincs eleg memoria!", 3, [] { return truncate("angol.txt", 8 << 20) == 0; },
     little_memory}};

struct Kept : testing::TestWithParam<size_t> {};
}  // namespace

// A failure leaves the words, the file's mode, owner, links, ACL and extended
// attributes, and says why; a save that works keeps all but the words.
TEST_P(Kept, WordsAndIdentity)
{
    TempDir dir(false);
    const Case &c = cases[GetParam()];
    write_file("angol.txt", words);
    if (c.made && !c.made()) GTEST_SKIP() << "this machine cannot make the case";
    // (A FIFO is not read: that would wait for a writer.)
    const auto contents = [] { return S_ISREG(stat_of("angol.txt").st_mode) ? read_file("angol.txt") : ""; };
    const std::string id = identity("angol.txt"), text = contents();
    const Words beside = entries();
    testing::internal::CaptureStderr();
    const int status = status_of(game("y", [&] { return fault = c.fault, !c.in_child || c.in_child(); }));
    const std::string said = testing::internal::GetCapturedStderr();
    if (status == 77) GTEST_SKIP() << "this machine cannot make the case";
    EXPECT_EQ(status, c.status);
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(said.empty(), c.status == 0) << said;
    EXPECT_EQ(identity("angol.txt"), id);
    EXPECT_EQ(contents(), c.status == 0 ? words_and_y : text);
    EXPECT_EQ(left_over(), beside);
}
INSTANTIATE_TEST_SUITE_P(Rewrite, Kept, testing::Range<size_t>(0, std::size(cases)),
                         [](const testing::TestParamInfo<size_t> &row) { return cases[row.param].name; });

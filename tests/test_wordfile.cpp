// Word files on disk: loading, writing back, and failures on the way.
#include <dirent.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>

#include "fixture.h"

namespace {

Words load(const char *name)
{
    Lista *lis = Lista_epit_fajlbol(name);
    const Words words = words_of(lis);
    return Lista_felszab(lis), words;
}
int write_words(const Words &words, const char *name)
{
    Lista *lis = list_of(words);
    const int saved = Lista_visszair_fajlba(lis, name);
    return Lista_felszab(lis), saved;
}
// The names in a folder, and the permission bits of a file.
Words entries(const char *dir = ".")
{
    Words names;
    DIR *d = opendir(dir);
    while (dirent *e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    if (d) closedir(d);
    return std::sort(names.begin(), names.end()), names;
}
// Nothing beside the file but what the test made, nothing in the data folder.
Words left_over(const char *dir = ".")
{
    Words names = entries(dir), data = entries(".data/hangman");
    return names.insert(names.end(), data.begin(), data.end()), names;
}
// What a save must keep of a file: its inode, mode, owner, links, and every
// extended attribute (ACLs are such) with its value.
std::string identity(const char *name)
{
    struct stat st = {};
    char id[4096], keys[4096], value[4096];
    lstat(name, &st);
    std::string all(id, snprintf(id, sizeof id, "%lu %o %u:%u %lu", (unsigned long)st.st_ino, st.st_mode,
                                 st.st_uid, st.st_gid, (unsigned long)st.st_nlink));
    for (ssize_t i = 0, n = llistxattr(name, keys, sizeof keys); i < n; i += (ssize_t)strlen(keys + i) + 1) {
        const ssize_t v = lgetxattr(name, keys + i, value, sizeof value);
        all += std::string(" ") + (keys + i) + "=" + std::string(value, std::max<ssize_t>(v, 0));
    }
    return all;
}
// The status a child process ends with, and f run in one.
int status_of(pid_t child)
{
    int status = -1;
    return waitpid(child, &status, 0), status;
}
int in_child(const std::function<int()> &f)
{
    fflush(nullptr);  // or the child's exit would write the parent's buffers again
    const pid_t child = fork();
    if (child == 0) _exit(f());
    return status_of(child);
}
// The n-th word of four letters, in sorted order.
std::string nth_word(int n)
{
    std::string w(4, 'a');
    for (int i = 3; i >= 0; --i, n /= 26) w[i] = char('a' + n % 26);
    return w;
}
std::string lines(Words words)
{
    std::string text;
    for (const auto &w : (std::sort(words.begin(), words.end()), words)) text += w + "\n";
    return text;
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
        {"x-ray\nApple\npear\n", "apple pear"},
        {"zebra\nant\nZEBRA\n", "zebra ant zebra"},
        {"it's\nabc1\n@home\n[a\n`b\n{c\nok\n", "ok"},
        {"alma\nk\xC3\xB6rte\nk\xF6rte\nszilva\n", "alma szilva"},
        {"\xEF\xBB\xBF"
         "first\nsecond\n",
         "second"},
        {"pear plum\r\n\n  fig\t\tkiwi\v\flime\rlast", "pear plum fig kiwi lime last"},
        {std::string(30, 'a') + "\n" + std::string(31, 'b') + "\nend\n", std::string(30, 'a') + " end"},
        // A word across the reader's 64 KiB chunks, and a token far beyond any buffer.
        {std::string(65534, ' ') + "AbcdeF " + std::string(1 << 20, 'm') + " x", "abcdef x"}};
    for (const auto &c : cases) {
        write_file("words.txt", c[0]);
        EXPECT_EQ(load("words.txt"), W(c[1])) << c[0].substr(0, 40);
    }
    mkdir("folder", 0755);
    EXPECT_EQ(load("missing.txt").size() + load("folder").size(), 0u);
    int whole[2] = {};
    Lista_epit_fajlbol_ellenorizve("missing.txt", &whole[0]);  // a missing file is whole, a folder not
    Lista_epit_fajlbol_ellenorizve("folder", &whole[1]);
    EXPECT_EQ(std::make_pair(whole[0], whole[1]), std::make_pair(1, 0));
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
    // A skipped token alone in the reader's last chunk of 64 KiB.
    write_file("words.txt", "ant" + std::string(65533, '\n') + "-");
    write_words(load("words.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), "ant\n-\n");
    EXPECT_EQ(entries(), Words{"words.txt"});
}

// Links keep leading where they led: the file at the end of a chain, each
// link relative to its own folder, is replaced; a dangling one is made.
TEST(Rewrite, LinksStayLinks)
{
    TempDir dir(false);
    mkdir("real", 0755);
    write_file("real/words.txt", "old\n");
    const char *links[][2] = {{"words.txt", "real/middle.txt"},
                              {"real/middle.txt", "link.txt"},
                              {"target.txt", "dangling.txt"},
                              {"loop2", "loop1"},
                              {"loop1", "loop2"}};
    for (const auto &l : links) EXPECT_EQ(symlink(l[0], l[1]), 0);
    write_words({"new"}, "link.txt");
    write_words({"apple"}, "dangling.txt");
    write_words({"apple"}, "loop1");
    write_words({"apple"}, "nowhere/words.txt");
    EXPECT_EQ(read_file("real/words.txt") + read_file("target.txt"), "new\napple\n");
    EXPECT_EQ(entries("real"), W("middle.txt words.txt"));
    EXPECT_EQ(entries(), W("dangling.txt link.txt loop1 loop2 real target.txt"));
}

// Whatever step fails, the old file stays byte for byte, nothing is left
// beside it, the save says it failed, and stderr names the file. A full disk
// is made at every byte by the kernel's file size limit, with SIGXFSZ left at
// its default, which no save may die of. With a hard link to it the file is
// written in place after a copy of its old contents, which must fit too; a
// failure puts them back (a write cut short by a full disk leaves the new
// file's size, the old one's words). A temporary
// file that cannot be made, or a rename refused, means writing in place,
// which succeeds.
TEST(Rewrite, AFailedStepKeepsTheOldFile)
{
    TempDir dir(false);
    // As long as the old, so that a file cut short has the new file's size.
    const std::string old_text = "k\xc3\xb6rte\nAlma\nbanan\nx-ray\n";
    const std::string new_text = "alma\nbanan\nk\xc3\xb6rte\nx-ray\n";
    Lista *lis = list_of(W("alma banan"));
    struct rlimit size, files;
    getrlimit(RLIMIT_FSIZE, &size), getrlimit(RLIMIT_NOFILE, &files);
    const struct {
        Fault fault;
        bool kept, kept_in_place;
    } faults[] = {{{"open"}, 1, 1},    {{"read", 6}, 1, 1}, {{"write", 10}, 0, 1},
                  {{"mkstemp"}, 0, 0}, {{"fsync"}, 1, 1},   {{"rename"}, 0, 0}};
    const size_t n_faults = std::size(faults);
    for (bool linked : {false, true}) {
        size_t first_saved = 0;
        for (size_t i = 0; i < n_faults + 400 && (!first_saved || i < n_faults + first_saved + 3); ++i) {
            SCOPED_TRACE(std::to_string(i) + (linked ? " linked" : ""));
            write_file("angol.txt", old_text);
            EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
            const int free_fd = dup(0);
            close(free_fd);
            const struct rlimit cut = {i < n_faults ? size.rlim_cur : i - n_faults, size.rlim_max};
            const struct rlimit no_more = {(rlim_t)free_fd, files.rlim_max};
            fault = i < n_faults ? faults[i].fault : Fault{};
            testing::internal::CaptureStderr();
            setrlimit(RLIMIT_FSIZE, &cut);
            if (i == 0) setrlimit(RLIMIT_NOFILE, &no_more);
            const int saved = Lista_visszair_fajlba(lis, "angol.txt");
            setrlimit(RLIMIT_FSIZE, &size), setrlimit(RLIMIT_NOFILE, &files);
            const bool said =
                testing::internal::GetCapturedStderr().find(": angol.txt (") != std::string::npos;
            fault = {};
            EXPECT_EQ(read_file("angol.txt"), saved ? new_text : old_text);
            // (Under the size limit the message cannot reach the capture file.)
            const bool kept = i < n_faults && (linked ? faults[i].kept_in_place : faults[i].kept);
            if (i < n_faults) EXPECT_EQ(std::make_pair(!saved, said), std::make_pair(kept, kept));
            else if (first_saved) EXPECT_EQ(saved, 1);
            else if (saved) first_saved = i - n_faults;
            EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
            EXPECT_EQ(linked ? read_file("twin.txt") : read_file("angol.txt"), read_file("angol.txt"));
            unlink("twin.txt");
        }
        // Renamed, the new file is all that must fit; written in place, the copy of the old one too.
        if (linked) EXPECT_GT(first_saved, new_text.size());
        else EXPECT_EQ(first_saved, new_text.size());
    }
    Lista_felszab(lis);
}

// A new file follows the umask and an old one keeps its mode. As a player,
// whom permission bits bind (root's test turns into nobody), a writable file
// in a read-only folder is saved in place, with the copy of its old contents
// in the player's data folder, made with its parents; a file of another owner
// keeps its owner.
TEST(Rewrite, ModesOwnersAndReadOnlyFolders)
{
    TempDir dir(false);
    const bool root = geteuid() == 0;
    mode_t old_mask = umask(027);
    write_words({"apple"}, "other.txt");
    EXPECT_EQ(std::make_pair(umask(old_mask), mode_of("other.txt")),
              std::make_pair(mode_t(027), mode_t(0640)));
    mkdir("ro", 0755), mkdir("rw", 0755), mkdir(".data", 0755);
    write_file("ro/angol.txt", "alma\n"), write_file("rw/angol.txt", "alma\n");
    for (const char *name : {"ro", "ro/angol.txt", "rw", "rw/angol.txt", "other.txt", ".data"})
        EXPECT_EQ(root ? chown(name, 65534, 65534) : 0, 0);
    // In a folder of its own, a file of a group it is not in: no new file can have that group.
    EXPECT_EQ(root ? chmod(".", 0711) + chown("rw/angol.txt", 65534, 0) : 0, 0);
    chmod("ro", 0555), chmod("other.txt", 0604);
    EXPECT_EQ(in_child([&] {
                  if (root && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
                  setenv("XDG_DATA_HOME", (getenv("XDG_DATA_HOME") + std::string("/not/yet")).c_str(), 1);
                  return 2 - write_words(W("fig"), "ro/angol.txt") - write_words(W("fig"), "rw/angol.txt");
              }),
              0);
    EXPECT_EQ(read_file("ro/angol.txt") + read_file("rw/angol.txt"), "fig\nfig\n");
    EXPECT_EQ(left_over("ro"), W("angol.txt"));
    EXPECT_EQ(entries("rw"), W("angol.txt"));
    EXPECT_EQ(entries(".data/not/yet"), W("hangman"));
    EXPECT_EQ(entries(".data/not/yet/hangman"), Words{});  // where the copy was, and is no more
    EXPECT_EQ(root ? identity("rw/angol.txt").find(" 65534:0 ") != std::string::npos : true, true);
    write_words(W("fig"), "other.txt");
    struct stat st;
    EXPECT_TRUE(stat("other.txt", &st) == 0 && (!root || st.st_uid == 65534) &&
                read_file("other.txt") == "fig\n");
    EXPECT_EQ(mode_of("other.txt"), 0604u);
}

// Leftovers of a killed save are removed by the next one: only regular files
// of this user that bear the game's own naming for this file.
TEST(Rewrite, TheNextSaveRemovesOnlyItsOwnLeftovers)
{
    TempDir dir(false);
    const char *const others[] = {"angol.txt.hangman-new-abc12", "angol.txt.hangman-new-abc1234",
                                  "angol.txt.hangman-new-ab-123", "magyar.txt.hangman-new-abc123"};
    for (const char *name : others) write_file(name, "x\n");
    mkdir("angol.txt.hangman-new-fold3r", 0755), symlink(others[0], "angol.txt.hangman-new-l1nk99");
    write_file("angol.txt.hangman-new-Ab3xY9", "x\n");
    EXPECT_EQ(szofajl_ment("angol.txt", "fig"), 1);
    EXPECT_EQ(entries(), W("angol.txt angol.txt.hangman-new-ab-123 angol.txt.hangman-new-abc12 "
                           "angol.txt.hangman-new-abc1234 angol.txt.hangman-new-fold3r "
                           "angol.txt.hangman-new-l1nk99 magyar.txt.hangman-new-abc123"));
}

// Two games save into one file at the same moment, again and again, on both
// paths: whichever comes first, no word is lost, and Back in one game does not
// erase the word the other saves.
TEST(Rewrite, TwoGamesSavingAtOnceKeepEveryWord)
{
    TempDir dir(false);
    Words words;
    for (int i = 0; i < 20000; i += 2) words.push_back(nth_word(i));
    for (bool linked : {false, true}) {
        write_file("angol.txt", lines(words));
        EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
        Words expected = words;
        for (int round = 0; round < 20; ++round) {
            const std::string mine = nth_word(2 * round + 1), theirs = nth_word(2 * round + 5001);
            int go[2];
            ASSERT_EQ(pipe(go), 0);
            pid_t games[2];
            for (int g = 0; g < 2; ++g)
                if ((games[g] = fork()) == 0) {
                    char c;
                    close(go[1]), read(go[0], &c, 1);  // until both are ready
                    const char *word = g == 0 ? mine.c_str() : round % 2 ? nullptr : theirs.c_str();
                    _exit(szofajl_ment("angol.txt", word) ? 0 : 1);
                }
            close(go[0]), close(go[1]);
            EXPECT_EQ(std::make_pair(status_of(games[0]), status_of(games[1])), std::make_pair(0, 0));
            expected.push_back(mine);
            if (round % 2 == 0) expected.push_back(theirs);
            ASSERT_EQ(read_file("angol.txt"), lines(expected)) << round << (linked ? " linked" : "");
        }
        EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
        unlink("twin.txt");
    }
}

// A save killed at any moment, on both paths: before each of its syncs, then
// at random times while it writes. The next read finds every word the file
// held and nothing but the new word besides (a torn file gets its old
// contents back), and after the next save nothing is left beside the file.
TEST(Rewrite, AKilledSaveLeavesTheOldWordsOrTheNew)
{
    TempDir dir(false);
    Words old_words, new_words;
    std::string old_text;  // CR LF lines, written back shorter: a file not yet cut is torn
    for (int i = 0; i < 26 * 26 * 26 * 2; i += 2) old_words.push_back(nth_word(i));
    for (const auto &w : old_words) old_text += w + "\r\n";
    new_words = old_words;
    new_words.insert(std::lower_bound(new_words.begin(), new_words.end(), "bbbb"), "bbbb");
    std::mt19937 random(2024);
    for (bool linked : {false, true}) {
        int outcomes[3] = {};  // the old words, the new, and a torn file put back
        long long whole_us = 0;
        for (int round = 0; round < 28; ++round) {
            write_file("angol.txt", old_text);
            EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
            const auto start = std::chrono::steady_clock::now();
            const pid_t game = fork();
            if (game == 0) {
                if (round < 8) fault = {"kill", (size_t)round};
                _exit(szofajl_ment("angol.txt", "bbbb") ? 0 : 1);
            }
            if (round >= 8) usleep(std::uniform_int_distribution<int>(0, (int)whole_us)(random));
            if (round >= 8) kill(game, SIGKILL);
            const int status = status_of(game);
            const long long took = (std::chrono::steady_clock::now() - start) / std::chrono::microseconds(1);
            if (WIFEXITED(status)) whole_us = std::max(whole_us, took);
            const std::string raw = read_file("angol.txt");
            const Words read = load("angol.txt");
            const bool is_new = std::find(read.begin(), read.end(), "bbbb") != read.end();
            ASSERT_EQ(read, is_new ? new_words : old_words) << round << (linked ? " linked" : "");
            EXPECT_TRUE(is_new || raw != lines(new_words)) << "a whole new file was rolled back";
            outcomes[is_new] += 1, outcomes[2] += raw != read_file("angol.txt");
            EXPECT_EQ(szofajl_ment("angol.txt", nullptr), 1);
            EXPECT_EQ(left_over(), linked ? W("angol.txt twin.txt") : W("angol.txt")) << round;
            unlink("twin.txt");
        }
        printf("%s: %d old, %d new, %d torn and put back; a whole save took %lld us\n",
               linked ? "in place" : "renamed", outcomes[0], outcomes[1], outcomes[2], whole_us);
    }
}

namespace {
const std::string old_text = "apple\npear\n", new_text = "apple\npear\ny\n";
// One file the save refuses, or must keep as it is, a row: made by before,
// then saved in a child process, after in_child there (false from either:
// this machine cannot make the case). The status the child ends with, what
// stderr says, and which file holds the new words after, if any.
const struct Case {
    const char *name;
    std::function<bool()> before, in_child;
    int status;
    const char *said, *holds_new;
    std::string text = old_text;
} cases[] = {
    {"ExtendedAttribute", [] { return setxattr("angol.txt", "user.hangman", "1", 1, 0) == 0; }, nullptr, 0,
     "", "angol.txt"},
    {"AclWithAMask", [] { return system("setfacl -m u:nobody:rw,m::r angol.txt 2>/dev/null") == 0; }, nullptr,
     0, "", "angol.txt"},
    {"OwnReadOnly", [] { return chmod("angol.txt", 0444) == 0; }, nullptr, 1, "(Permission denied)", nullptr},
    {"Fifo", [] { return unlink("angol.txt") == 0 && mkfifo("angol.txt", 0644) == 0; }, nullptr, 1,
     "(Invalid argument)", nullptr},
    {"Folder", [] { return unlink("angol.txt") == 0 && mkdir("angol.txt", 0755) == 0; }, nullptr, 1,
     "(Is a directory)", nullptr},
    // The rename over a mount point fails with EBUSY; in place it saves.
    {"BindMount", [] { return write_file("outer.txt", old_text), true; },
     [] {
         return unshare(CLONE_NEWNS) == 0 &&
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount("outer.txt", "angol.txt", nullptr, MS_BIND, nullptr) == 0;
     },
     0, "", "outer.txt"},
    {"OutOfMemory", nullptr,
     [] {
#if defined(__SANITIZE_ADDRESS__)
         return false;  // their shadow memory leaves no room for a limit on the address space
#endif
         rlim_t pages = 0;
         std::ifstream("/proc/self/statm") >> pages;  // what the process spans now
         const struct rlimit room = {pages * sysconf(_SC_PAGESIZE) + (4 << 20), RLIM_INFINITY};
         return setrlimit(RLIMIT_AS, &room) == 0;
     },
     3, "Nincs eleg memoria!\n", nullptr, old_text + std::string(8 << 20, '-') + "\n"}};

struct Kept : testing::TestWithParam<size_t> {};
}  // namespace

// A failure leaves the words, the file's inode, mode, owner, links, ACL and
// extended attributes; a save that works keeps all but the words.
TEST_P(Kept, WordsAndIdentity)
{
    TempDir dir(false);
    const Case &c = cases[GetParam()];
    write_file("angol.txt", c.text);
    if (c.before && !c.before()) GTEST_SKIP() << "this machine cannot make the case";
    const char *identified = c.holds_new ? c.holds_new : "angol.txt";
    const std::string id = identity(identified);
    const Words beside = entries();
    testing::internal::CaptureStderr();
    const int status =
        in_child([&] { return c.in_child && !c.in_child() ? 77 : 1 - szofajl_ment("angol.txt", "y"); });
    const std::string said = testing::internal::GetCapturedStderr();
    if (status == 77 << 8) GTEST_SKIP() << "this machine cannot make the case";
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(said.empty(), c.status == 0) << said;
    EXPECT_EQ(identity(identified), id);
    struct stat st = {};
    const bool readable = c.holds_new || (lstat("angol.txt", &st) == 0 && S_ISREG(st.st_mode));  // no FIFO
    const char *shown = c.holds_new ? c.holds_new : "angol.txt";
    EXPECT_EQ(readable ? read_file(shown) : c.text, c.holds_new ? new_text : c.text);
    EXPECT_EQ(left_over(), beside);
}
INSTANTIATE_TEST_SUITE_P(Rewrite, Kept, testing::Range<size_t>(0, std::size(cases)),
                         [](const testing::TestParamInfo<size_t> &row) { return cases[row.param].name; });

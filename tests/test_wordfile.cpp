// Word files on disk: loading, writing back, and failures on the way.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include "fixture.h"

namespace {

Words load(const char *name)
{
    Lista *lis = Lista_epit_fajlbol(name);
    const Words words = words_of(lis);
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
    const char *links[][2] = {{"words.txt", "real/middle.txt"}, {"real/middle.txt", "link.txt"},
                              {"target.txt", "dangling.txt"}, {"loop2", "loop1"}, {"loop1", "loop2"}};
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
// beside it, and stderr names it; a full disk is made at every byte by the
// kernel's file size limit. With a hard link to it the file is written in
// place, and a failure writes back what was overwritten. A folder where no
// temporary file can be made is written in place too.
TEST(Rewrite, AFailedStepKeepsTheOldFile)
{
    TempDir dir(false);
    const std::string old_text = "Alma\nk\xc3\xb6rte\nbanan\nx-ray\n", new_text = "alma\nbanan\ncitrom\nk\xc3\xb6rte\nx-ray\n";
    Lista *lis = list_of(W("alma banan citrom"));
    struct rlimit unlimited;
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);
    const struct {
        Fault fault;
        bool kept, kept_in_place;
    } faults[] = {{{"fopen"}, 1, 1}, {{"read", 6}, 1, 1}, {{"mkstemp"}, 0, 0}, {{"fsync"}, 1, 1}, {{"rename"}, 1, 0}};
    for (bool linked : {false, true})
        for (size_t i = 0; i < 5 + new_text.size() + 1; ++i) {
            SCOPED_TRACE(std::to_string(i) + (linked ? " linked" : ""));
            write_file("angol.txt", old_text);
            EXPECT_EQ(linked ? link("angol.txt", "twin.txt") : 0, 0);
            struct rlimit cut = {i < 5 ? unlimited.rlim_cur : i - 5, unlimited.rlim_max};
            fault = i < 5 ? faults[i].fault : Fault{};
            setrlimit(RLIMIT_FSIZE, &cut);
            testing::internal::CaptureStderr();
            Lista_visszair_fajlba(lis, "angol.txt");
            const bool said = testing::internal::GetCapturedStderr().find(": angol.txt (") != std::string::npos;
            setrlimit(RLIMIT_FSIZE, &unlimited);
            fault = {};
            const bool kept = i < 5 ? (linked ? faults[i].kept_in_place : faults[i].kept) : i < 5 + new_text.size();
            // (Under the size limit the message cannot reach the capture file.)
            EXPECT_EQ(std::make_pair(read_file("angol.txt"), i < 5 ? said : kept), std::make_pair(kept ? old_text : new_text, kept));
            EXPECT_EQ(entries(), linked ? W("angol.txt twin.txt") : W("angol.txt"));
            EXPECT_EQ(linked ? read_file("twin.txt") : read_file("angol.txt"), read_file("angol.txt"));
            unlink("twin.txt");
        }
    Lista_felszab(lis);
}

// A new file follows the umask and an old one keeps its mode. As a player,
// whom permission bits bind (root's test turns into nobody), a writable file
// in a read-only folder is saved in place; a file of another owner keeps it.
TEST(Rewrite, ModesOwnersAndReadOnlyFolders)
{
    TempDir dir(false);
    const bool root = geteuid() == 0;
    mode_t old_mask = umask(027);
    write_words({"apple"}, "other.txt");
    EXPECT_EQ(std::make_pair(umask(old_mask), mode_of("other.txt")), std::make_pair(mode_t(027), mode_t(0640)));
    mkdir("ro", 0755);
    write_file("ro/angol.txt", "alma\n");
    EXPECT_EQ(root ? chmod(".", 0711) + chown("ro", 65534, 65534) + chown("ro/angol.txt", 65534, 65534) + chown("other.txt", 65534, 65534) : 0, 0);
    chmod("ro", 0555), chmod("other.txt", 0604);
    if (pid_t player = fork(); player == 0) {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        write_words(W("fig"), "ro/angol.txt");
        _exit(0);
    } else {
        int status = -1;
        waitpid(player, &status, 0);
        EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(read_file("ro/angol.txt"), "fig\n");
    EXPECT_EQ(entries("ro"), W("angol.txt"));
    write_words(W("fig"), "other.txt");
    struct stat st;
    EXPECT_TRUE(stat("other.txt", &st) == 0 && (!root || st.st_uid == 65534) && read_file("other.txt") == "fig\n");
    EXPECT_EQ(mode_of("other.txt"), 0604u);
}

// Loading word files and writing them back, on real files in a temporary folder.
#include "test_util.h"

#include <cctype>
#include <csignal>
#include <random>
#include <set>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using Words = std::vector<std::string>;

Words load(const std::string &name)
{
    Lista *lis = Lista_epit_fajlbol(name.c_str());
    Words w = words_of(lis);
    Lista_felszab(lis);
    return w;
}

Words load_text(const std::string &content)
{
    write_file("words.txt", content);
    return load("words.txt");
}

// Loads a file, then writes the list back over the same file.
void load_and_write_back(const std::string &name)
{
    Lista *lis = Lista_epit_fajlbol(name.c_str());
    Lista_visszair_fajlba(lis, name.c_str());
    Lista_felszab(lis);
}

void write_words(const Words &words, const std::string &name)
{
    Lista *lis = list_of(words);
    Lista_visszair_fajlba(lis, name.c_str());
    Lista_felszab(lis);
}

// The names in a folder, "." and ".." left out.
std::set<std::string> entries(const std::string &dir = ".")
{
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

mode_t mode_of(const std::string &name)
{
    struct stat st;
    return stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A string literal with every byte it holds, NUL bytes too.
template <size_t N>
std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

bool is_root()
{
    return geteuid() == 0;
}

}  // namespace

// --- Loading ---------------------------------------------------------------------

TEST(Load, LettersOnlyInFileOrderLowerCased)
{
    TempDir dir(false);
    EXPECT_EQ(load_text("x-ray\nApple\npear\n"), (Words{"apple", "pear"}));
    EXPECT_EQ(load_text("Apple\nAPPLE\n"), (Words{"apple", "apple"}));
    EXPECT_EQ(load_text("zebra\nant\nzebra\n"), (Words{"zebra", "ant", "zebra"}));
    EXPECT_EQ(load_text("it's\nabc1\n@home\nok\n"), Words{"ok"});
}

TEST(Load, AccentedWordsAndByteOrderMarkAreSkipped)
{
    TempDir dir(false);
    EXPECT_EQ(load_text("alma\nk\xC3\xB6rte\nszilva\n"), (Words{"alma", "szilva"}));
    EXPECT_EQ(load_text("alma\nk\xF6rte\nszilva\n"), (Words{"alma", "szilva"}));
    EXPECT_EQ(load_text("\xEF\xBB\xBF"
                        "first\nsecond\nthird\n"),
              (Words{"second", "third"}));
}

TEST(Load, AnyWhiteSpaceSeparates)
{
    TempDir dir(false);
    EXPECT_EQ(load_text("apple\r\npear\r\n"), (Words{"apple", "pear"}));
    EXPECT_EQ(load_text("pear plum\n\n\n  fig\t\tkiwi\v\flime\rlast"),
              (Words{"pear", "plum", "fig", "kiwi", "lime", "last"}));
    EXPECT_EQ(load_text("\n\n   \t\r\n"), Words{});
}

TEST(Load, ThirtyLettersLoadThirtyOneAreSkipped)
{
    TempDir dir(false);
    std::string thirty(30, 'a'), thirty_one(31, 'b');
    EXPECT_EQ(load_text(thirty + "\n" + thirty_one + "\nend\n"), (Words{thirty, "end"}));
    EXPECT_EQ(load_text(std::string(30, 'Q')), Words{std::string(30, 'q')});
}

TEST(Load, HugeTokensAndNulBytesAreSkippedWhole)
{
    TempDir dir(false);
    std::string mega_letters(1 << 20, 'm');
    std::string mega_mixed(1 << 20, '-');
    EXPECT_EQ(load_text("one\n" + mega_letters + "\ntwo\n" + mega_mixed + " three"),
              (Words{"one", "two", "three"}));
    // One megabyte without any white space: no word at all.
    EXPECT_EQ(load_text(mega_letters), Words{});
    EXPECT_EQ(load_text(bytes("ab\0cd\nok\n\0\nfine")), (Words{"ok", "fine"}));
}

TEST(Load, WordsAcrossChunkBoundaries)
{
    TempDir dir(false);
    // Put a 30-letter word and a skipped token across each multiple of 4 KiB
    // up to 256 KiB, whatever size the reader's chunks have.
    std::string text;
    Words expected;
    for (size_t edge = 4096; edge <= 256 * 1024; edge += 4096) {
        std::string word(30, static_cast<char>('a' + edge / 4096 % 26));
        text.resize(edge - 15, ' ');
        text += word + "\n";
        expected.push_back(word);
        text += std::string(40, 'x') + "\n";
    }
    EXPECT_EQ(load_text(text), expected);
}

TEST(Load, AgreesWithAPlainTokenizerOnRandomText)
{
    TempDir dir(false);
    std::mt19937 rng(20240601);
    const std::string bytes = "abcXYZ \t\n\r\v\f-'\xC3\xB6\xF6" + std::string(1, '\0');
    std::string text;
    for (int token = 0; token < 60000; ++token) {
        int len = std::uniform_int_distribution<int>(1, 40)(rng);
        bool clean = rng() % 4 != 0;
        for (int i = 0; i < len; ++i)
            text += clean ? bytes[rng() % 6] : bytes[rng() % bytes.size()];
        text += bytes[6 + rng() % 6];
    }
    // The reference: split at the C locale's white space, keep the tokens of
    // 1 to 30 ASCII letters, lower-case them.
    Words expected;
    std::string cur;
    auto flush = [&]() {
        bool ok = !cur.empty() && cur.size() <= 30;
        for (char c : cur) ok = ok && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        if (ok) {
            for (char &c : cur) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            expected.push_back(cur);
        }
        cur.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') flush();
        else cur += c;
    }
    flush();
    ASSERT_GT(expected.size(), 10000u);
    EXPECT_EQ(load_text(text), expected);
}

TEST(Load, NothingToLoadGivesTheEmptyList)
{
    TempDir dir(false);
    EXPECT_EQ(Lista_epit_fajlbol("missing.txt"), nullptr);
    write_file("empty.txt", "");
    EXPECT_EQ(Lista_epit_fajlbol("empty.txt"), nullptr);
    write_file("none.txt", "x-ray 42 \xC3\xA9t\n");
    EXPECT_EQ(Lista_epit_fajlbol("none.txt"), nullptr);
    ASSERT_EQ(mkdir("folder", 0755), 0);
    EXPECT_EQ(Lista_epit_fajlbol("folder"), nullptr);
}

// --- Writing back ------------------------------------------------------------------

TEST(WriteBack, LetterWordsComeBackByteForByte)
{
    TempDir dir(false);
    const std::string text = "apple\nfig\npear\nzebra\nant\napple\n";
    write_file("words.txt", text);
    load_and_write_back("words.txt");
    EXPECT_EQ(read_file("words.txt"), text);
    EXPECT_EQ(entries(), std::set<std::string>{"words.txt"});
}

TEST(WriteBack, EmptyListAndEmptyWord)
{
    TempDir dir(false);
    write_file("words.txt", "apple\npear\n");
    Lista_visszair_fajlba(nullptr, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "");

    Lista *lis = Lista_epit_fajlbol("missing.txt");
    lis = Lista_rendezetten_beszur(lis, "fig");
    lis = Lista_rendezetten_beszur(lis, "");
    Lista_visszair_fajlba(lis, "words.txt");
    Lista_felszab(lis);
    EXPECT_EQ(read_file("words.txt"), "\nfig\n");
    EXPECT_EQ(load("words.txt"), Words{"fig"});
}

TEST(WriteBack, SkippedTokensFollowTheListsWords)
{
    TempDir dir(false);
    std::string over_long(31, 'w');
    write_file("words.txt", "x-ray\r\nApple \xEF\xBB\xBFpear\nk\xC3\xB6rte\tk\xF6rte\n" + over_long +
                                "\n1984\nplum\n" + bytes("\0z"));
    Lista *lis = Lista_epit_fajlbol("words.txt");
    lis = Lista_rendezetten_beszur(lis, "fig");
    Lista_visszair_fajlba(lis, "words.txt");
    Lista_felszab(lis);
    EXPECT_EQ(read_file("words.txt"), "apple\nfig\nplum\nx-ray\n\xEF\xBB\xBFpear\nk\xC3\xB6rte\nk\xF6rte\n" +
                                          over_long + "\n1984\n" + bytes("\0z\n"));
    // Written again, nothing is lost or doubled.
    std::string once = read_file("words.txt");
    load_and_write_back("words.txt");
    EXPECT_EQ(read_file("words.txt"), once);
}

TEST(WriteBack, MegabyteTokensAreKeptWhole)
{
    TempDir dir(false);
    std::string letters(1 << 20, 'm'), mixed;
    for (int i = 0; i < (1 << 20); ++i) mixed += "ab-"[i % 3];
    write_file("words.txt", letters + "\nok\n" + mixed);
    write_words({"new"}, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "new\n" + letters + "\n" + mixed + "\n");
}

TEST(WriteBack, MissingFileIsCreatedUnderTheUmask)
{
    TempDir dir(false);
    mode_t old_mask = umask(0027);
    write_words({"apple", "pear"}, "new.txt");
    umask(0002);
    write_words({"fig"}, "other.txt");
    umask(old_mask);
    EXPECT_EQ(read_file("new.txt"), "apple\npear\n");
    EXPECT_EQ(mode_of("new.txt"), 0640u);
    EXPECT_EQ(mode_of("other.txt"), 0664u);
    EXPECT_EQ(entries(), (std::set<std::string>{"new.txt", "other.txt"}));
}

TEST(WriteBack, PermissionBitsAreKept)
{
    TempDir dir(false);
    for (mode_t mode : {0600, 0640, 0604}) {
        write_file("words.txt", "old\n");
        ASSERT_EQ(chmod("words.txt", mode), 0);
        write_words({"new"}, "words.txt");
        EXPECT_EQ(read_file("words.txt"), "new\n");
        EXPECT_EQ(mode_of("words.txt"), mode);
    }
}

TEST(WriteBack, DirectoryTargetIsLeftAlone)
{
    TempDir dir(false);
    ASSERT_EQ(mkdir("words.txt", 0755), 0);
    write_file("words.txt/inside", "keep\n");
    write_words({"apple"}, "words.txt");
    struct stat st;
    ASSERT_EQ(stat("words.txt", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(read_file("words.txt/inside"), "keep\n");
    EXPECT_EQ(entries(), std::set<std::string>{"words.txt"});
}

TEST(WriteBack, FolderThatDoesNotExist)
{
    TempDir dir(false);
    write_words({"apple"}, "nowhere/words.txt");
    EXPECT_EQ(entries(), std::set<std::string>{});
    write_file("plain", "x\n");
    write_words({"apple"}, "plain/words.txt");
    EXPECT_EQ(read_file("plain"), "x\n");
    EXPECT_EQ(entries(), std::set<std::string>{"plain"});
}

TEST(WriteBack, SymbolicLinkStaysALinkAndItsFileIsReplaced)
{
    TempDir dir(false);
    ASSERT_EQ(mkdir("sub", 0755), 0);
    write_file("sub/real.txt", "old\nk\xC3\xB6rte\n");
    ASSERT_EQ(chmod("sub/real.txt", 0640), 0);
    ASSERT_EQ(symlink("sub/real.txt", "words.txt"), 0);
    ASSERT_EQ(symlink("words.txt", "chain.txt"), 0);

    write_words({"new"}, "chain.txt");
    struct stat st;
    ASSERT_EQ(lstat("words.txt", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(lstat("chain.txt", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read_file("sub/real.txt"), "new\nk\xC3\xB6rte\n");
    EXPECT_EQ(mode_of("sub/real.txt"), 0640u);
    EXPECT_EQ(entries(), (std::set<std::string>{"chain.txt", "sub", "words.txt"}));
    EXPECT_EQ(entries("sub"), std::set<std::string>{"real.txt"});
}

TEST(WriteBack, DanglingLinkCreatesItsFileAndALoopDoesNothing)
{
    TempDir dir(false);
    ASSERT_EQ(symlink("target.txt", "words.txt"), 0);
    write_words({"apple"}, "words.txt");
    struct stat st;
    ASSERT_EQ(lstat("words.txt", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read_file("target.txt"), "apple\n");

    ASSERT_EQ(symlink("loop2", "loop1"), 0);
    ASSERT_EQ(symlink("loop1", "loop2"), 0);
    write_words({"apple"}, "loop1");
    EXPECT_EQ(entries(), (std::set<std::string>{"loop1", "loop2", "target.txt", "words.txt"}));
}

TEST(WriteBack, FailedWriteLeavesTheOldFile)
{
    TempDir dir(false);
    const std::string old = "apple\nk\xC3\xB6rte\npear\n";
    write_file("words.txt", old);
    Words many(2000, "abcdefghij");
    Lista *lis = list_of(many);
    // A file size limit makes the write fail part way, as a full disk would.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &rl);
        Lista_visszair_fajlba(lis, "words.txt");
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    Lista_felszab(lis);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_file("words.txt"), old);
    EXPECT_EQ(entries(), std::set<std::string>{"words.txt"});
}

TEST(WriteBack, UnreadableFileIsLeftAlone)
{
    if (is_root()) GTEST_SKIP() << "root reads the file whatever its mode";
    TempDir dir(false);
    write_file("words.txt", "apple\nk\xC3\xB6rte\n");
    ASSERT_EQ(chmod("words.txt", 0200), 0);
    write_words({"new"}, "words.txt");
    ASSERT_EQ(chmod("words.txt", 0600), 0);
    EXPECT_EQ(read_file("words.txt"), "apple\nk\xC3\xB6rte\n");
    EXPECT_EQ(entries(), std::set<std::string>{"words.txt"});
}

TEST(WriteBack, ReadOnlyFolderIsLeftAlone)
{
    if (is_root()) GTEST_SKIP() << "root writes into the folder whatever its mode";
    TempDir dir(false);
    ASSERT_EQ(mkdir("sub", 0755), 0);
    write_file("sub/words.txt", "apple\n");
    ASSERT_EQ(chmod("sub", 0555), 0);
    write_words({"new"}, "sub/words.txt");
    ASSERT_EQ(chmod("sub", 0755), 0);
    EXPECT_EQ(read_file("sub/words.txt"), "apple\n");
    EXPECT_EQ(entries("sub"), std::set<std::string>{"words.txt"});
}

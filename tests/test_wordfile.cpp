// Loading word files and writing them back, on real files in a temporary folder.
// The failing and odd writes (full disk, folders, links, permissions) are in
// test_faults.cpp; hostile and huge files in test_large.cpp.
#include "test_util.h"

#include <cctype>
#include <random>
#include <set>

#include <dirent.h>
#include <sys/stat.h>

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

void write_words(const Words &words, const std::string &name)
{
    Lista *lis = list_of(words);
    Lista_visszair_fajlba(lis, name.c_str());
    Lista_felszab(lis);
}

// The names in the working folder, "." and ".." left out.
std::set<std::string> entries()
{
    std::set<std::string> names;
    if (DIR *d = opendir(".")) {
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

}  // namespace

// --- Loading ---------------------------------------------------------------------

TEST(Load, WordsOfLettersOnlyInFileOrderLowerCased)
{
    TempDir dir(false);
    const std::string thirty(30, 'a'), mega(1 << 20, 'm');
    const struct {
        std::string text;
        Words words;
    } cases[] = {
        {"x-ray\nApple\npear\n", {"apple", "pear"}},
        {"zebra\nant\nZEBRA\n", {"zebra", "ant", "zebra"}},
        {"it's\nabc1\n@home\nok\n", {"ok"}},
        {"alma\nk\xC3\xB6rte\nk\xF6rte\nszilva\n", {"alma", "szilva"}},
        {"\xEF\xBB\xBF" "first\nsecond\n", {"second"}},
        {"pear plum\r\n\n  fig\t\tkiwi\v\flime\rlast", {"pear", "plum", "fig", "kiwi", "lime", "last"}},
        {"\n\n   \t\r\n", {}},
        {thirty + "\n" + std::string(31, 'b') + "\nend\n", {thirty, "end"}},
        {std::string(30, 'Q'), {std::string(30, 'q')}},
        // Tokens far beyond any buffer are skipped whole, and the reader
        // finds the next word after them.
        {"one\n" + mega + "\ntwo\n" + std::string(1 << 20, '-') + " three", {"one", "two", "three"}},
    };
    for (const auto &c : cases) EXPECT_EQ(load_text(c.text), c.words) << c.text.substr(0, 40);
}

// About 1.2 MB, so that tokens of every kind and length straddle the reader's
// chunk boundaries, whatever size they have.
TEST(Load, AgreesWithAPlainTokenizerOnRandomText)
{
    TempDir dir(false);
    std::mt19937 rng(20240601);
    const std::string bytes = "abcXYZ \t\n\r\v\f-'\xC3\xB6\xF6" + std::string(1, '\0');
    const std::string blanks = bytes.substr(6, 6);
    std::string text;
    for (int token = 0; token < 60000; ++token) {
        int len = std::uniform_int_distribution<int>(1, 40)(rng);
        bool clean = rng() % 4 != 0;
        for (int i = 0; i < len; ++i) text += clean ? bytes[rng() % 6] : bytes[rng() % bytes.size()];
        text += blanks[rng() % 6];
    }
    // The reference: split at the C locale's white space, keep the tokens of
    // 1 to 30 ASCII letters, lower-cased.
    Words expected;
    std::string cur;
    for (char c : text + " ") {
        if (blanks.find(c) == std::string::npos) {
            cur += c;
            continue;
        }
        bool ok = !cur.empty() && cur.size() <= 30;
        for (char &l : cur) {
            ok = ok && isalpha((unsigned char)l);
            l = (char)tolower((unsigned char)l);
        }
        if (ok) expected.push_back(cur);
        cur.clear();
    }
    ASSERT_GT(expected.size(), 10000u);
    EXPECT_EQ(load_text(text), expected);
}

TEST(Load, NothingToLoadGivesTheEmptyList)
{
    TempDir dir(false);
    write_file("empty.txt", "");
    write_file("none.txt", "x-ray 42 \xC3\xA9t\n");
    ASSERT_EQ(mkdir("folder", 0755), 0);
    for (const char *name : {"missing.txt", "empty.txt", "none.txt", "folder"})
        EXPECT_EQ(Lista_epit_fajlbol(name), nullptr) << name;
}

// --- Writing back ------------------------------------------------------------------

TEST(WriteBack, LetterWordsByteForByteEmptyListAndEmptyWord)
{
    TempDir dir(false);
    const std::string text = "apple\nfig\npear\nzebra\nant\napple\n";
    write_file("words.txt", text);
    write_words(load("words.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), text);
    EXPECT_EQ(entries(), std::set<std::string>{"words.txt"});

    Lista_visszair_fajlba(nullptr, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "");

    write_words({"", "fig"}, "words.txt");
    EXPECT_EQ(read_file("words.txt"), "\nfig\n");
    EXPECT_EQ(load("words.txt"), Words{"fig"});
}

TEST(WriteBack, SkippedTokensFollowTheListsWords)
{
    TempDir dir(false);
    const std::string over_long(31, 'w');
    write_file("words.txt", "x-ray\r\nApple \xEF\xBB\xBFpear\nk\xC3\xB6rte\tk\xF6rte\n" + over_long +
                                "\n1984\nplum");
    Lista *lis = Lista_rendezetten_beszur(Lista_epit_fajlbol("words.txt"), "fig");
    Lista_visszair_fajlba(lis, "words.txt");
    Lista_felszab(lis);
    const std::string once = read_file("words.txt");
    EXPECT_EQ(once, "apple\nfig\nplum\nx-ray\n\xEF\xBB\xBFpear\nk\xC3\xB6rte\nk\xF6rte\n" +
                        over_long + "\n1984\n");
    // Written again, nothing is lost or doubled.
    write_words(load("words.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), once);
}

TEST(WriteBack, MissingFileIsCreatedUnderTheUmaskMissingFolderIsNot)
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
    // No folder, or a file where the folder should be: nothing is made.
    write_file("plain", "x\n");
    write_words({"apple"}, "nowhere/words.txt");
    write_words({"apple"}, "plain/words.txt");
    EXPECT_EQ(read_file("plain"), "x\n");
    EXPECT_EQ(entries(), (std::set<std::string>{"new.txt", "other.txt", "plain"}));
}

TEST(WriteBack, LinksKeepTheTargetsModeDanglingOnesCreateItLoopsDoNothing)
{
    TempDir dir(false);
    write_file("real.txt", "old\n");
    ASSERT_EQ(chmod("real.txt", 0640), 0);
    ASSERT_EQ(symlink("real.txt", "words.txt"), 0);
    ASSERT_EQ(symlink("target.txt", "dangling.txt"), 0);
    ASSERT_EQ(symlink("loop2", "loop1"), 0);
    ASSERT_EQ(symlink("loop1", "loop2"), 0);
    write_words({"new"}, "words.txt");
    write_words({"apple"}, "dangling.txt");
    write_words({"apple"}, "loop1");

    EXPECT_EQ(read_file("real.txt"), "new\n");
    EXPECT_EQ(mode_of("real.txt"), 0640u);
    EXPECT_EQ(read_file("target.txt"), "apple\n");
    struct stat st;
    for (const char *link : {"words.txt", "dangling.txt", "loop1", "loop2"})
        EXPECT_TRUE(lstat(link, &st) == 0 && S_ISLNK(st.st_mode)) << link;
    EXPECT_EQ(entries(), (std::set<std::string>{"dangling.txt", "loop1", "loop2", "real.txt",
                                                "target.txt", "words.txt"}));
}

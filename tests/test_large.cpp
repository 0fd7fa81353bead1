// Word files far beyond what a player writes: they must load without harm, in
// memory that does not grow with a token or a line, the rewrite must keep
// every byte it skips, and a game must play on a million words.
#include "test_util.h"

#include <sys/resource.h>

#include <cstring>

namespace {

const char WORD_FILE[] = "angol.txt";
const size_t MB = 1024 * 1024;

// The i-th of a fixed run of pseudo-random words of 3 to 10 letters.
std::string nth_word(unsigned i)
{
    unsigned h = i * 2654435761u + 12345u;
    std::string w(3 + h % 8, 'a');
    for (char &c : w) {
        h = h * 1103515245u + 12345u;
        c = (char)('a' + (h >> 16) % 26);
    }
    return w;
}

size_t peak_bytes()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return (size_t)ru.ru_maxrss * 1024;
}

// Far above a reading buffer and these tests' lists, far below the 50 MB
// that holding a whole token or line would take. AddressSanitizer's
// quarantine and shadow memory make the peak meaningless there.
void expect_peak_below_bound(size_t before, const char *what)
{
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(peak_bytes() - before, 16 * MB) << what;
#else
    (void)before, (void)what;
#endif
}

// Writes a file of total bytes, block repeated (the last copy cut), then tail.
void write_repeated(const std::string &block, size_t total, const std::string &tail = "")
{
    FILE *f = fopen(WORD_FILE, "wb");
    ASSERT_NE(f, nullptr);
    std::string chunk;
    while (chunk.size() < MB) chunk += block;
    for (size_t done = 0, n; done < total; done += n) {
        n = std::min(chunk.size() - chunk.size() % block.size(), total - done);
        ASSERT_EQ(fwrite(chunk.data(), 1, n, f), n);
    }
    ASSERT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
    ASSERT_EQ(fclose(f), 0);
}

// Loads the word file and writes it back, each step in bounded memory;
// returns the words loaded.
std::vector<std::string> load_and_rewrite()
{
    const size_t before = peak_bytes();
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    expect_peak_below_bound(before, "loading");
    Lista_visszair_fajlba(lis, WORD_FILE);
    expect_peak_below_bound(before, "rewriting");
    std::vector<std::string> words = words_of(lis);
    Lista_felszab(lis);
    return words;
}

// Plays as the game screen does: the words of one length, each once, then a
// turn per letter until ten errors or a won word, checking the game's
// invariants at every turn. True when the game ended by the rules.
bool play(const Lista *full, int hossz, const char *letters)
{
    Lista *of_length = Lista_szur_hosszra(full, hossz);
    Lista *cand = Lista_ismetles_nelkul(of_length);
    Lista_felszab(of_length);
    std::string tipp(hossz, '_');
    char rossz[ROSSZ_BETUK_MERET] = {}, jo[JO_BETUK_MERET] = {};
    int hibak = 0;
    bool won = false;
    for (const char *l = letters; *l && hibak < 10 && !won; ++l) {
        cand = Lista_szur_karakterekre(cand, tipp.c_str());
        if (!cand) {
            ADD_FAILURE() << "no candidate left before '" << *l << "'";
            return false;
        }
        for (const Lista *c = cand; c; c = c->kov)
            EXPECT_EQ(egyezik(c->szo, tipp.c_str()), 1) << c->szo << " against " << tipp;
        if (!volt_mar_vagy_ertelmetlen(*l, rossz, jo))
            cand = Lista_szur_beture(cand, *l, &tipp[0], &hibak, rossz, jo);
        EXPECT_EQ((int)strlen(rossz), hibak);
        if (cand && !cand->kov) {
            betuk_kitolt(&tipp[0], cand->szo);
            won = tipp == cand->szo;
        }
    }
    Lista_felszab(cand);
    return hibak == 10 || won;
}

TEST(LargeWordFile, AMillionWordsLoadRewriteAndPlay)
{
    TempDir dir(false);
    const unsigned N = 1000000;
    std::string content;
    std::vector<std::string> words;
    for (unsigned i = 0; i < N; ++i) {
        words.push_back(nth_word(i));
        content += words.back() + "\n";
    }
    write_file(WORD_FILE, content);

    Lista *full = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_TRUE(words_of(full) == words) << "not the file's words in order";
    Lista_visszair_fajlba(full, WORD_FILE);
    EXPECT_TRUE(read_file(WORD_FILE) == content) << "the rewrite changed the file";

    EXPECT_TRUE(play(full, 6, "etaoinshrdlucmfwypvbgkjqxz"));
    EXPECT_TRUE(play(full, 10, "zqxjkvbpygfwmucldrhsnioate"));
    Lista_felszab(full);
}

TEST(LargeWordFile, FiftyMegabytesOfOneTokenWithoutLineEnd)
{
    TempDir dir(false);
    const size_t size = 50 * MB;
    write_repeated("q", size);
    EXPECT_EQ(load_and_rewrite(), std::vector<std::string>{}) << "a token of 50 MB is no word";
    const std::string now = read_file(WORD_FILE);
    ASSERT_EQ(now.size(), size + 1);
    EXPECT_EQ(now.find_first_not_of('q'), size);
    EXPECT_EQ(now.back(), '\n');
}

// One line of 50 MB, no line end: 40-letter tokens (too long), tokens with a
// digit, and a word every block, the last one at the very end.
TEST(LargeWordFile, FiftyMegabytesOnOneLineWithoutLineEnd)
{
    TempDir dir(false);
    std::string block;
    for (int i = 0; i < 50; ++i) block += std::string(40, (char)('a' + i % 26)) + " ab1cd ";
    block += "Alma\t";
    const size_t blocks = 50 * MB / block.size();
    write_repeated(block, blocks * block.size(), "Vege");

    std::vector<std::string> expected(blocks, "alma");
    expected.push_back("vege");
    EXPECT_TRUE(load_and_rewrite() == expected) << "the words loaded";
    // Every token, now one a line: the words first, then the skipped ones.
    const std::string now = read_file(WORD_FILE);
    const size_t words_end = blocks * 5 + 5;
    EXPECT_EQ(now.size(), words_end + blocks * 50 * (41 + 6));
    EXPECT_EQ(now.compare(words_end - 10, 10, "alma\nvege\n"), 0);
    EXPECT_EQ(now.compare(words_end, 47, std::string(40, 'a') + "\nab1cd\n"), 0);
}

// A NUL byte is a byte like any other that is no letter: its token is skipped
// whole, not cut short into a word, and given back byte for byte. Every byte
// value in order splits at the blanks into three tokens, none a word.
TEST(HostileWordFile, NulAndEveryByteValueKeptByteForByte)
{
    TempDir dir(false);
    std::string all;
    for (int c = 0; c < 256; ++c) all += (char)c;
    const struct {
        std::string text, rewritten;
        std::vector<std::string> words;
    } cases[] = {
        {std::string("ab\0cd\nef\n\0\ngh\0", 14), std::string("ef\nab\0cd\n\0\ngh\0\n", 15), {"ef"}},
        {all, all.substr(0, 9) + "\n" + all.substr(14, 32 - 14) + "\n" + all.substr(33) + "\n", {}},
    };
    for (const auto &c : cases) {
        write_file(WORD_FILE, c.text);
        EXPECT_EQ(load_and_rewrite(), c.words);
        EXPECT_EQ(read_file(WORD_FILE), c.rewritten);
    }
}

}  // namespace

// Word files far beyond what a player writes: a million words, 50 MB without
// a single line end, NUL and control bytes. They must load without harm, the
// loader's memory must not grow with the length of a token or of a line, the
// rewrite must keep every byte it skips, and a game must play on a million
// words.
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

// The process's peak resident size so far, in bytes.
size_t peak_bytes()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return (size_t)ru.ru_maxrss * 1024;
}

// AddressSanitizer keeps freed blocks in quarantine and adds shadow memory,
// so the peak size says nothing about the program itself there.
#if defined(__SANITIZE_ADDRESS__)
const bool PEAK_IS_MEANINGFUL = false;
#else
const bool PEAK_IS_MEANINGFUL = true;
#endif
// Far above a reading buffer and the list of these tests, far below the
// 50 MB that holding a whole token or line would take.
const size_t BOUND = 16 * MB;

// Writes a file of total bytes, block repeated (the last copy cut), then
// tail, one megabyte at a time.
void write_repeated(const std::string &name, const std::string &block, size_t total,
                    const std::string &tail = "")
{
    FILE *f = fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string chunk;
    while (chunk.size() < MB) chunk += block;
    for (size_t done = 0; done < total;) {
        const size_t n = std::min(chunk.size() - chunk.size() % block.size(), total - done);
        ASSERT_EQ(fwrite(chunk.data(), 1, n, f), n);
        done += n;
    }
    ASSERT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
    ASSERT_EQ(fclose(f), 0);
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
    content.reserve(7 * N);
    for (unsigned i = 0; i < N; ++i) content += nth_word(i) + "\n";
    write_file(WORD_FILE, content);

    Lista *full = Lista_epit_fajlbol(WORD_FILE);
    ASSERT_EQ(Lista_hossz(full), (int)N);
    unsigned i = 0;
    for (const Lista *l = full; l; l = l->kov, ++i)
        if (nth_word(i) != l->szo) {
            ADD_FAILURE() << "word " << i << " is " << l->szo << ", not " << nth_word(i);
            break;
        }

    // Lower-case words one a line come back byte for byte.
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
    write_repeated(WORD_FILE, "q", size);

    const size_t before = peak_bytes();
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    if (PEAK_IS_MEANINGFUL) {
        EXPECT_LT(peak_bytes() - before, BOUND) << "loading";
    }
    EXPECT_EQ(lis, nullptr) << "a token of 50 MB is no word";

    // The over-long token is kept whole, after the list's words.
    Lista *alma = list_of({"alma"});
    Lista_visszair_fajlba(alma, WORD_FILE);
    if (PEAK_IS_MEANINGFUL) {
        EXPECT_LT(peak_bytes() - before, BOUND) << "rewriting";
    }
    Lista_felszab(alma);
    const std::string now = read_file(WORD_FILE);
    ASSERT_EQ(now.size(), 5 + size + 1);
    EXPECT_EQ(now.compare(0, 5, "alma\n"), 0);
    EXPECT_EQ(now.find_first_not_of('q', 5), size + 5);
    EXPECT_EQ(now.back(), '\n');
}

// Tokens separated by blanks only: 40 letters (too long), a word with a digit,
// and an upper-case word every block, the file ending without a line end.
TEST(LargeWordFile, FiftyMegabytesOfTokensWithoutLineEnd)
{
    TempDir dir(false);
    std::string block;
    for (int i = 0; i < 50; ++i) block += std::string(40, (char)('a' + i % 26)) + " ab1cd ";
    block += "Alma\t";
    const size_t blocks = 50 * MB / block.size();
    write_repeated(WORD_FILE, block, blocks * block.size(), "Vege");

    const size_t before = peak_bytes();
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    if (PEAK_IS_MEANINGFUL) {
        EXPECT_LT(peak_bytes() - before, BOUND) << "loading";
    }
    ASSERT_EQ(Lista_hossz(lis), (int)blocks + 1);
    size_t almas = 0;
    for (const Lista *l = lis; l; l = l->kov) almas += strcmp(l->szo, "alma") == 0;
    EXPECT_EQ(almas, blocks);
    const Lista *last = lis;
    while (last->kov) last = last->kov;
    EXPECT_STREQ(last->szo, "vege");

    Lista_visszair_fajlba(lis, WORD_FILE);
    if (PEAK_IS_MEANINGFUL) {
        EXPECT_LT(peak_bytes() - before, BOUND) << "rewriting";
    }
    const std::string now = read_file(WORD_FILE);
    // Every token, now one a line: the words first, then the skipped ones.
    const size_t skipped_bytes = blocks * (50 * (40 + 1) + 50 * (5 + 1));
    EXPECT_EQ(now.size(), blocks * 5 + 5 + skipped_bytes);
    const size_t words_end = blocks * 5 + 5;
    EXPECT_EQ(now.compare(words_end - 10, 10, "alma\nvege\n"), 0);
    EXPECT_EQ(now.compare(words_end, 47, std::string(40, 'a') + "\nab1cd\n"), 0);
    Lista_felszab(lis);
}

// Bytes no editor should write. A NUL byte is a byte like any other that is
// no letter: its token is skipped whole, not cut short into a word, and the
// rewrite gives it back byte for byte.
TEST(HostileWordFile, NulBytesInsideTokens)
{
    TempDir dir(false);
    static const char bytes[] = "ab\0cd\nef\n\0\ngh\0";
    write_file(WORD_FILE, std::string(bytes, sizeof bytes - 1));
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_EQ(words_of(lis), std::vector<std::string>{"ef"});
    Lista_visszair_fajlba(lis, WORD_FILE);
    static const char expected[] = "ef\nab\0cd\n\0\ngh\0\n";
    EXPECT_EQ(read_file(WORD_FILE), std::string(expected, sizeof expected - 1));
    Lista_felszab(lis);
}

// Every byte value once, in order: the blanks split it into three tokens,
// none a word, all kept.
TEST(HostileWordFile, EveryByteValue)
{
    TempDir dir(false);
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += (char)c;
    write_file(WORD_FILE, bytes);
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_EQ(lis, nullptr);
    Lista_visszair_fajlba(lis, WORD_FILE);
    const std::string expected = bytes.substr(0, 9) + "\n" + bytes.substr(14, 32 - 14) + "\n" +
                                 bytes.substr(33) + "\n";
    EXPECT_EQ(read_file(WORD_FILE), expected);
}

TEST(HostileWordFile, OneLineOfAMegabyte)
{
    TempDir dir(false);
    const std::string block = "alma korte ";
    const size_t blocks = MB / block.size();
    write_repeated(WORD_FILE, block, blocks * block.size(), "\n");
    Lista *lis = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_EQ(Lista_hossz(lis), (int)(2 * blocks));
    Lista_felszab(lis);
}

}  // namespace

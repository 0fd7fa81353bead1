// The word list operations and the guessing engine, in memory.
#include "test_util.h"

#include <cstring>
#include <memory>
#include <set>
#include <sys/resource.h>

namespace {

using Words = std::vector<std::string>;

// A string in a heap block of exactly its own size, so that AddressSanitizer
// reports any byte read or written past its terminator.
struct Str {
    explicit Str(const std::string &s, size_t size = 0)
        : n(size ? size : s.size() + 1), p(new char[n]())
    {
        memcpy(p.get(), s.data(), std::min(s.size(), n - 1));
    }
    char *get() { return p.get(); }
    std::string str() const { return p.get(); }
    size_t n;
    std::unique_ptr<char[]> p;
};

// The game's state for a run of letter steps, from a pattern shown so far.
struct Game {
    Game(const Words &words, const std::string &pattern)
        : lista(list_of(words)), tipp(pattern),
          rossz("", ROSSZ_BETUK_MERET), jo("", JO_BETUK_MERET)
    {
    }
    ~Game() { Lista_felszab(lista); }

    // One letter step; returns the family it kept.
    Words step(char betu)
    {
        lista = Lista_szur_beture(lista, betu, tipp.get(), &hibak, rossz.get(), jo.get());
        return words_of(lista);
    }
    // What the game does at the top of a turn.
    Words narrow()
    {
        lista = Lista_szur_karakterekre(lista, tipp.get());
        return words_of(lista);
    }
    // One letter step and the state it must leave.
    void expect_step(char betu, const Words &family, const std::string &t, const std::string &r,
                     const std::string &j, int h)
    {
        EXPECT_EQ(step(betu), family);
        EXPECT_EQ(tipp.str(), t);
        EXPECT_EQ(rossz.str(), r);
        EXPECT_EQ(jo.str(), j);
        EXPECT_EQ(hibak, h);
    }

    Lista *lista;
    Str tipp, rossz, jo;
    int hibak = 0;
};

}  // namespace

// --- Building and releasing --------------------------------------------------

TEST(ListInsert, FrontEndAndTruncation)
{
    Lista *head = Lista_elejere_beszur(nullptr, "pear");
    EXPECT_EQ(head->kov, nullptr);
    // Words longer than a node holds are cut to 35 characters and terminated.
    head = Lista_elejere_beszur(head, std::string(60, 'a').c_str());
    Lista *end = Lista_vegere_beszur(head->kov, "plum");
    EXPECT_EQ(end->kov, nullptr);
    EXPECT_EQ(head->kov->kov, end);
    Lista_vegere_beszur(end, std::string(60, 'q').c_str());
    EXPECT_EQ(words_of(head),
              (Words{std::string(35, 'a'), "pear", "plum", std::string(35, 'q')}));
    EXPECT_EQ(Lista_felszab(head), nullptr);
    EXPECT_EQ(Lista_felszab(nullptr), nullptr);

    Lista *node = Lista_vegere_beszur(nullptr, "fig");
    EXPECT_EQ(words_of(node), Words{"fig"});
    Lista_felszab(node);
}

TEST(SortedInsert, PlacesTheWordAndReturnsTheHead)
{
    Lista *lis = list_of({"apple", "pear"});
    Lista *old_head = lis, *old_pear = lis->kov;
    lis = Lista_rendezetten_beszur(lis, "fig");
    lis = Lista_rendezetten_beszur(lis, "zebra");
    EXPECT_EQ(lis, old_head);
    // An equal word goes in front of the old copy.
    lis = Lista_rendezetten_beszur(lis, "pear");
    EXPECT_EQ(lis->kov->kov->kov, old_pear);
    lis = Lista_rendezetten_beszur(lis, "app");
    lis = Lista_rendezetten_beszur(lis, "");
    // Bytes above 0x7f sort after every ASCII letter.
    lis = Lista_rendezetten_beszur(lis, "\xe9t");
    lis = Lista_rendezetten_beszur(lis, std::string(36, 'b').c_str());
    EXPECT_EQ(words_of(lis), (Words{"", "app", "apple", std::string(35, 'b'), "fig", "pear",
                                    "pear", "zebra", "\xe9t"}));
    Lista_felszab(lis);

    Lista *one = Lista_rendezetten_beszur(nullptr, "kiwi");
    EXPECT_EQ(words_of(one), Words{"kiwi"});
    Lista_felszab(one);
    // In an unsorted list the word goes before the first one not smaller.
    Lista *unsorted = Lista_rendezetten_beszur(list_of({"b", "z", "a", "c"}), "m");
    EXPECT_EQ(words_of(unsorted), (Words{"b", "m", "z", "a", "c"}));
    Lista_felszab(unsorted);
}

TEST(Letters, LowerCasingAndSpecialCharacters)
{
    Lista *lis = list_of({"ApPLE", "@Z[`a{", "\xc9t"});
    kisbetusit(lis);
    EXPECT_EQ(words_of(lis), (Words{"apple", "@z[`a{", "\xc9t"}));
    Lista_felszab(lis);
    kisbetusit(nullptr);

    EXPECT_EQ(tartalmaz_specialis_karaktert(""), 0);
    EXPECT_EQ(tartalmaz_specialis_karaktert("azAZ"), 0);
    for (const char *s : {"x-ray", "k\xc3\xb6rte", "k\xf6rte", "abc1", "it's", "@", "[", "`",
                          "{", "a b"})
        EXPECT_EQ(tartalmaz_specialis_karaktert(s), 1) << s;
}

TEST(ConsoleAids, CountPrintNumberAndLongest)
{
    Lista *lis = list_of({"apple", "", "pear"});
    EXPECT_EQ(Lista_hossz(lis), 3);
    EXPECT_EQ(Lista_hossz(nullptr), 0);
    EXPECT_EQ(leghosszabb_szo(lis), 5);
    EXPECT_EQ(leghosszabb_szo(nullptr), 0);
    testing::internal::CaptureStdout();
    Lista_kiir(lis);
    szamoz(12);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "apple\n\npear\n123456789012\n");
    Lista_felszab(lis);
}

// --- Filters -------------------------------------------------------------------

TEST(LengthFilter, CopiesTheWordsOfThatLengthOnly)
{
    Lista *full = list_of({"sell", "at", "bell", "bells", "tell"});
    Lista *four = Lista_szur_hosszra(full, 4);
    EXPECT_EQ(words_of(four), (Words{"sell", "bell", "tell"}));
    EXPECT_NE(four, full);
    EXPECT_EQ(Lista_szur_hosszra(full, 7), nullptr);
    EXPECT_EQ(Lista_szur_hosszra(full, -1), nullptr);
    EXPECT_EQ(Lista_szur_hosszra(nullptr, 4), nullptr);
    EXPECT_EQ(words_of(full), (Words{"sell", "at", "bell", "bells", "tell"}));
    Lista_felszab(four);
    Lista_felszab(full);
}

TEST(Matching, UnderscoreMatchesAnyLetterAndTheFilterKeepsMatches)
{
    EXPECT_EQ(egyezik("bell", "_el_"), 1);
    EXPECT_EQ(egyezik("ball", "_el_"), 0);
    EXPECT_EQ(egyezik("bell", "bell"), 1);
    EXPECT_EQ(egyezik("", ""), 1);
    Str shorter("be");
    EXPECT_EQ(egyezik("bell", shorter.get()), 0);
    EXPECT_EQ(egyezik("bell", "_ell_x"), 1);

    // The filter keeps the matches in order and releases its input.
    Lista *lis = list_of({"sell", "tell", "bees", "bell"});
    lis = Lista_szur_karakterekre(lis, "_el_");
    EXPECT_EQ(words_of(lis), (Words{"sell", "tell", "bell"}));
    // No match: the input is still released (the leak check would tell).
    EXPECT_EQ(Lista_szur_karakterekre(lis, "x___"), nullptr);
    EXPECT_EQ(Lista_szur_karakterekre(nullptr, "__"), nullptr);
}

TEST(Counting, OccurrencesAndTheLeastOverAList)
{
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 2), 1);
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 1), 0);
    EXPECT_EQ(ennyiszer_szerepel("", 'x', 0), 1);

    // The least count is found wherever it stands, also after a larger one.
    Lista *lis = list_of({"bees", "sell", "tell", "bell"});
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis, 'e'), 1);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis, 's'), 0);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis->kov, 'l'), 2);
    Lista_felszab(lis);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(nullptr, 'a'), -1);
}

TEST(LettersTried, RefusesNonLettersAndRepeats)
{
    for (char c : {'_', 'A', '`', '{', '\0', 's', 'l'})
        EXPECT_EQ(volt_mar_vagy_ertelmetlen(c, "st", "el"), 1) << (int)c;
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('a', "st", "el"), 0);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('z', "", ""), 0);
}

TEST(FillIn, RevealsFurtherOccurrencesOfShownLettersOnly)
{
    // The last two: a word shorter than the pattern, and an underscore in the
    // word that must not hide a shown letter again.
    const char *cases[][3] = {{"e___", "eyes", "e_e_"}, {"____", "eyes", "____"},
                              {"_el_", "bell", "_ell"}, {"e_____", "eye", "e_e___"},
                              {"e_e", "___", "e_e"}};
    for (const auto &c : cases) {
        Str tipp(c[0]);
        betuk_kitolt(tipp.get(), c[1]);
        EXPECT_EQ(tipp.str(), c[2]) << c[0] << " " << c[1];
    }
}

// --- The letter step -------------------------------------------------------------

TEST(LetterStep, WorkedExampleRowByRow)
{
    struct Row {
        Words narrowed;  // by the pattern at the top of the turn
        char letter;
        Words family;
        const char *tipp, *rossz, *jo;
        int hibak;
    };
    // 'e': position 1 (three words) beats position 2 (two); 'l': positions 2
    // and 3 tie and the leftmost alone shows.
    const Words all = {"sell", "tell", "bell", "bees", "seen", "teen", "stem", "step"};
    const Words ell = {"sell", "tell", "bell"};
    const Row rows[] = {
        {all, 'e', {"sell", "tell", "bell", "stem", "step"}, "_e__", "", "e", 0},
        {ell, 'l', ell, "_el_", "", "el", 0},
        {ell, 's', {"tell", "bell"}, "_el_", "s", "el", 1},
        {{"tell", "bell"}, 't', {"bell"}, "_el_", "st", "el", 2},
        {{"bell"}, 'b', {"bell"}, "bell", "st", "elb", 2},
    };
    Game g(all, "____");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.letter);
        EXPECT_EQ(g.narrow(), row.narrowed);
        g.expect_step(row.letter, row.family, row.tipp, row.rossz, row.jo, row.hibak);
        if (row.family.size() == 1) betuk_kitolt(g.tipp.get(), g.lista->szo);
    }
}

TEST(LetterStep, SingleCandidateMissesAndFamilyLeadsThePosition)
{
    Game({"level"}, "_____").expect_step('l', {"level"}, "l___l", "", "l", 0);
    Game({"bell"}, "____").expect_step('x', {"bell"}, "____", "x", "", 1);
    Game({"sell", "tell", "bell"}, "____")
        .expect_step('q', {"sell", "tell", "bell"}, "____", "q", "", 1);
    // Over the whole input position 0 would lead (4 words to 2), but the
    // words with two a's are not in the family, where position 1 leads.
    Game({"axa", "axa", "axa", "bac", "bad", "abc"}, "___")
        .expect_step('a', {"bac", "bad", "abc"}, "_a_", "", "a", 0);
}

TEST(Duplicates, EqualWordsAreTwoCandidatesUntilRemoved)
{
    // Counted twice, the two 'ba' lift position 1 over position 0.
    Game g({"ba", "ba", "ab"}, "__");
    EXPECT_EQ(g.step('a'), (Words{"ba", "ba", "ab"}));
    EXPECT_EQ(g.tipp.str(), "_a");
    EXPECT_EQ(g.narrow(), (Words{"ba", "ba"}));
    // A pair never becomes a single candidate that fills in the whole word.
    g.expect_step('b', {"ba", "ba"}, "ba", "", "ab", 0);

    EXPECT_EQ(Game({"bell", "bell", "tell"}, "____").step('b'), Words{"tell"});
    Game({"bell", "bell", "tell"}, "____").expect_step('t', {"bell", "bell"}, "____", "t", "", 1);
}

TEST(Duplicates, RemovedKeepingTheFirstOccurrenceInOrder)
{
    Lista *lis = list_of({"pear", "apple", "pear", "fig", "apple", "", ""});
    Lista *once = Lista_ismetles_nelkul(lis);
    EXPECT_EQ(words_of(once), (Words{"pear", "apple", "fig", ""}));
    EXPECT_EQ(Lista_hossz(lis), 7);
    Lista_felszab(once);
    Lista_felszab(lis);
    EXPECT_EQ(Lista_ismetles_nelkul(nullptr), nullptr);

    Words words, expected;
    std::set<std::string> seen;
    for (unsigned i = 0, x = 12345; i < 70000; ++i) {
        x = x * 1103515245u + 12345u;
        words.push_back("w" + std::to_string((x >> 8) % 30000));
        if (seen.insert(words.back()).second) expected.push_back(words.back());
    }
    lis = list_of(words);
    once = Lista_ismetles_nelkul(lis);
    EXPECT_EQ(words_of(once), expected);
    Lista_felszab(once);
    Lista_felszab(lis);
}

// --- Calls that break the caller's guarantees ---------------------------------
// The buffers are exactly sized heap blocks: under AddressSanitizer a single
// byte touched outside them fails the test.

TEST(BrokenGuarantees, EmptyListAndFullLetterStrings)
{
    Game empty({}, "_e__");
    strcpy(empty.rossz.get(), "s");
    strcpy(empty.jo.get(), "e");
    empty.hibak = 3;
    empty.expect_step('x', {}, "_e__", "s", "e", 3);

    Game wrong({"bell"}, "____");
    strcpy(wrong.rossz.get(), "acdfghijkm");
    wrong.expect_step('x', {"bell"}, "____", "acdfghijkm", "", 1);

    Game right({"bell"}, "____");
    const std::string full(JO_BETUK_MERET - 1, 'q');
    strcpy(right.jo.get(), full.c_str());
    right.expect_step('b', {"bell"}, "b___", "", full, 0);
}

TEST(BrokenGuarantees, PatternAndWordsOfOtherLengths)
{
    Game({"aaaaaa"}, "__").expect_step('a', {"aaaaaa"}, "aa", "", "a", 0);
    Game longer({"ab", "ab"}, "_____");
    longer.step('b');
    longer.expect_step('q', {"ab", "ab"}, "_b___", "q", "b", 1);
    // The long word's 'b' lies past the pattern and is not counted.
    const Words mixed = {"ab", "cb", std::string(34, 'x') + "b", "b"};
    Game(mixed, "__").expect_step('b', mixed, "_b", "", "b", 0);
    Game({std::string(35, 'z'), "z"}, "_").expect_step('z', {"z"}, "z", "", "z", 0);
    // A letter already shown, and a pattern with nothing hidden.
    Game({"bell"}, "_el_").expect_step('l', {"bell"}, "_ell", "", "l", 0);
    Game({"bell", "tell"}, "bell").expect_step('l', {"bell", "tell"}, "bell", "", "l", 0);
}

// --- Memory -------------------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif

TEST(OutOfMemory, EndsWithOneLineAndStatusThree)
{
#ifdef UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizer's allocator does not report exhaustion as NULL";
#else
    // Caps the address space a few megabytes above what is in use, then makes
    // nodes until one cannot be had.
    auto exhaust = [] {
        long pages = 0;
        if (FILE *f = fopen("/proc/self/statm", "r")) {
            if (fscanf(f, "%ld", &pages) != 1) pages = 0;
            fclose(f);
        }
        rlim_t limit = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (16 << 20);
        struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_AS, &rl);
        for (Lista *lis = nullptr;;) lis = Lista_elejere_beszur(lis, "memory");
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exhaust(), testing::ExitedWithCode(3), "^Nincs eleg memoria!\n$");
#endif
}

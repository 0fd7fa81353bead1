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
        : n(size ? size : s.size() + 1), p(new char[n])
    {
        memset(p.get(), 0, n);
        memcpy(p.get(), s.data(), std::min(s.size(), n - 1));
    }
    char *get() { return p.get(); }
    std::string str() const { return p.get(); }
    size_t n;
    std::unique_ptr<char[]> p;
};

// The game's state for a run of letter steps.
struct Game {
    explicit Game(const Words &words, size_t length)
        : lista(list_of(words)), tipp(std::string(length, '_')),
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

    Lista *lista;
    Str tipp, rossz, jo;
    int hibak = 0;
};

}  // namespace

// --- Building and releasing --------------------------------------------------

TEST(ListInsert, FrontAndEndBuildInOrder)
{
    Lista *head = Lista_elejere_beszur(nullptr, "pear");
    EXPECT_EQ(head->kov, nullptr);
    head = Lista_elejere_beszur(head, "apple");
    Lista *end = Lista_vegere_beszur(head->kov, "plum");
    EXPECT_EQ(end->kov, nullptr);
    EXPECT_EQ(head->kov->kov, end);
    EXPECT_EQ(words_of(head), (Words{"apple", "pear", "plum"}));
    EXPECT_EQ(Lista_felszab(head), nullptr);
    EXPECT_EQ(Lista_felszab(nullptr), nullptr);
}

TEST(ListInsert, CopiesAtMost35CharactersAndTerminates)
{
    std::string longword(60, 'q');
    Lista *head = Lista_elejere_beszur(nullptr, longword.c_str());
    Lista_vegere_beszur(head, std::string(35, 'r').c_str());
    head = Lista_rendezetten_beszur(head, std::string(36, 'a').c_str());
    EXPECT_EQ(words_of(head),
              (Words{std::string(35, 'a'), std::string(35, 'q'), std::string(35, 'r')}));
    Lista_felszab(head);
}

TEST(ListInsert, EndOfNothingIsAOneNodeList)
{
    Lista *node = Lista_vegere_beszur(nullptr, "fig");
    EXPECT_EQ(words_of(node), Words{"fig"});
    Lista_felszab(node);
}

TEST(SortedInsert, PlacesTheWordAndReturnsTheHead)
{
    Lista *lis = list_of({"apple", "pear"});
    Lista *old_head = lis;
    lis = Lista_rendezetten_beszur(lis, "fig");
    EXPECT_EQ(lis, old_head);
    lis = Lista_rendezetten_beszur(lis, "zebra");
    EXPECT_EQ(lis, old_head);
    lis = Lista_rendezetten_beszur(lis, "aa");
    EXPECT_NE(lis, old_head);
    EXPECT_EQ(words_of(lis), (Words{"aa", "apple", "fig", "pear", "zebra"}));
    Lista_felszab(lis);

    Lista *one = Lista_rendezetten_beszur(nullptr, "kiwi");
    EXPECT_EQ(words_of(one), Words{"kiwi"});
    Lista_felszab(one);
}

TEST(SortedInsert, EqualWordGoesInFrontOfTheOldCopy)
{
    Lista *lis = list_of({"apple", "pear", "plum"});
    Lista *old_pear = lis->kov;
    lis = Lista_rendezetten_beszur(lis, "pear");
    EXPECT_EQ(words_of(lis), (Words{"apple", "pear", "pear", "plum"}));
    EXPECT_NE(lis->kov, old_pear);
    EXPECT_EQ(lis->kov->kov, old_pear);
    Lista_felszab(lis);
}

TEST(SortedInsert, PrefixEmptyWordAndUnsignedBytes)
{
    Lista *lis = list_of({"bells"});
    lis = Lista_rendezetten_beszur(lis, "bell");
    EXPECT_EQ(words_of(lis), (Words{"bell", "bells"}));
    lis = Lista_rendezetten_beszur(lis, "");
    EXPECT_EQ(words_of(lis), (Words{"", "bell", "bells"}));
    // Bytes above 0x7f sort after every ASCII letter.
    lis = Lista_rendezetten_beszur(lis, "\xe9t");
    lis = Lista_rendezetten_beszur(lis, "zz");
    EXPECT_EQ(words_of(lis), (Words{"", "bell", "bells", "zz", "\xe9t"}));
    Lista_felszab(lis);
}

TEST(SortedInsert, UnsortedListTakesTheWordBeforeTheFirstNotSmaller)
{
    Lista *lis = list_of({"b", "z", "a", "c"});
    lis = Lista_rendezetten_beszur(lis, "m");
    EXPECT_EQ(words_of(lis), (Words{"b", "m", "z", "a", "c"}));
    Lista_felszab(lis);
}

TEST(Letters, LowerCasingTouchesOnlyAtoZ)
{
    Lista *lis = list_of({"ApPLE", "@Z[`a{", "\xc9t"});
    kisbetusit(lis);
    EXPECT_EQ(words_of(lis), (Words{"apple", "@z[`a{", "\xc9t"}));
    Lista_felszab(lis);
    kisbetusit(nullptr);
}

TEST(Letters, SpecialCharacterTest)
{
    EXPECT_EQ(tartalmaz_specialis_karaktert(""), 0);
    EXPECT_EQ(tartalmaz_specialis_karaktert("azAZ"), 0);
    for (const char *s : {"x-ray", "k\xc3\xb6rte", "k\xf6rte", "abc1", "it's", "@", "[", "`",
                          "{", "a b"})
        EXPECT_EQ(tartalmaz_specialis_karaktert(s), 1) << s;
}

TEST(ConsoleAids, CountPrintAndNumber)
{
    Lista *lis = list_of({"apple", "", "pear"});
    EXPECT_EQ(Lista_hossz(lis), 3);
    EXPECT_EQ(Lista_hossz(nullptr), 0);
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

    Lista *same = list_of({"ab", "cd", "ef"});
    Lista *copy = Lista_szur_hosszra(same, 2);
    EXPECT_EQ(words_of(copy), (Words{"ab", "cd", "ef"}));
    for (Lista *a = same, *b = copy; a; a = a->kov, b = b->kov) EXPECT_NE(a, b);
    Lista_felszab(copy);
    Lista_felszab(same);
}

TEST(Matching, UnderscoreMatchesAnyLetterAndOnlyTheWordIsWalked)
{
    EXPECT_EQ(egyezik("bell", "_el_"), 1);
    EXPECT_EQ(egyezik("ball", "_el_"), 0);
    EXPECT_EQ(egyezik("bell", "____"), 1);
    EXPECT_EQ(egyezik("bell", "bell"), 1);
    EXPECT_EQ(egyezik("", ""), 1);
    // A shorter pattern fails at its terminator; a longer one is looked at
    // only as far as the word goes.
    Str shorter("be");
    EXPECT_EQ(egyezik("bell", shorter.get()), 0);
    EXPECT_EQ(egyezik("bell", "_ell_x"), 1);
}

TEST(PatternFilter, KeepsMatchesInOrderAndReleasesTheInput)
{
    Lista *lis = list_of({"sell", "tell", "bees", "bell"});
    lis = Lista_szur_karakterekre(lis, "____");
    EXPECT_EQ(words_of(lis), (Words{"sell", "tell", "bees", "bell"}));
    lis = Lista_szur_karakterekre(lis, "_el_");
    EXPECT_EQ(words_of(lis), (Words{"sell", "tell", "bell"}));
    // No match: the input is still released (the leak check would tell).
    lis = Lista_szur_karakterekre(lis, "x___");
    EXPECT_EQ(lis, nullptr);
    EXPECT_EQ(Lista_szur_karakterekre(nullptr, "__"), nullptr);
}

TEST(Counting, OccurrencesAndTheLeastOverAList)
{
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 2), 1);
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 1), 0);
    EXPECT_EQ(ennyiszer_szerepel("level", 'x', 0), 1);
    EXPECT_EQ(ennyiszer_szerepel("", 'x', 0), 1);

    Lista *lis = list_of({"sell", "tell", "bell", "bees", "seen", "teen", "stem", "step"});
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis, 'e'), 1);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis, 's'), 0);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(lis, 'x'), 0);
    Lista_felszab(lis);

    Lista *ls = list_of({"sell", "tell", "bell"});
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(ls, 'l'), 2);
    Lista_felszab(ls);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(nullptr, 'a'), -1);

    // The least count is found wherever it stands, also after a longer word.
    Lista *mixed = list_of({"bbbb", "bb", "b"});
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(mixed, 'b'), 1);
    Lista_felszab(mixed);
}

TEST(LettersTried, RefusesNonLettersAndRepeats)
{
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('_', "", ""), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('A', "", ""), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('`', "", ""), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('{', "", ""), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('\0', "", ""), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('s', "st", "el"), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('l', "st", "el"), 1);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('a', "st", "el"), 0);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('z', "", ""), 0);
}

TEST(FillIn, RevealsFurtherOccurrencesOfShownLetters)
{
    char tipp[] = "e___";
    betuk_kitolt(tipp, "eyes");
    EXPECT_STREQ(tipp, "e_e_");
    char hidden[] = "____";
    betuk_kitolt(hidden, "eyes");
    EXPECT_STREQ(hidden, "____");
    char bell[] = "_el_";
    betuk_kitolt(bell, "bell");
    EXPECT_STREQ(bell, "_ell");
}

TEST(Longest, LengthOfTheLongestWord)
{
    EXPECT_EQ(leghosszabb_szo(nullptr), 0);
    Lista *lis = list_of({"ab", "abcde", "", "abc"});
    EXPECT_EQ(leghosszabb_szo(lis), 5);
    Lista_felszab(lis);
}

// --- The letter step -------------------------------------------------------------

TEST(LetterStep, WorkedExampleRowByRow)
{
    Game g({"sell", "tell", "bell", "bees", "seen", "teen", "stem", "step"}, 4);
    EXPECT_EQ(g.narrow().size(), 8u);

    // 'e': the words with two e's drop out; position 1 (three words) beats
    // position 2 (two words).
    EXPECT_EQ(g.step('e'), (Words{"sell", "tell", "bell", "stem", "step"}));
    EXPECT_EQ(g.tipp.str(), "_e__");
    EXPECT_EQ(g.rossz.str(), "");
    EXPECT_EQ(g.jo.str(), "e");
    EXPECT_EQ(g.hibak, 0);

    // 'l': positions 2 and 3 tie at three words; the leftmost alone shows.
    EXPECT_EQ(g.narrow(), (Words{"sell", "tell", "bell"}));
    EXPECT_EQ(g.step('l'), (Words{"sell", "tell", "bell"}));
    EXPECT_EQ(g.tipp.str(), "_el_");
    EXPECT_EQ(g.jo.str(), "el");
    EXPECT_EQ(g.hibak, 0);

    EXPECT_EQ(g.narrow(), (Words{"sell", "tell", "bell"}));
    EXPECT_EQ(g.step('s'), (Words{"tell", "bell"}));
    EXPECT_EQ(g.tipp.str(), "_el_");
    EXPECT_EQ(g.rossz.str(), "s");
    EXPECT_EQ(g.jo.str(), "el");
    EXPECT_EQ(g.hibak, 1);

    EXPECT_EQ(g.narrow(), (Words{"tell", "bell"}));
    EXPECT_EQ(g.step('t'), Words{"bell"});
    EXPECT_EQ(g.tipp.str(), "_el_");
    betuk_kitolt(g.tipp.get(), g.lista->szo);
    EXPECT_EQ(g.tipp.str(), "_ell");
    EXPECT_EQ(g.rossz.str(), "st");
    EXPECT_EQ(g.hibak, 2);

    EXPECT_EQ(g.narrow(), Words{"bell"});
    EXPECT_EQ(g.step('b'), Words{"bell"});
    EXPECT_EQ(g.tipp.str(), "bell");
    EXPECT_EQ(g.rossz.str(), "st");
    EXPECT_EQ(g.jo.str(), "elb");
    EXPECT_EQ(g.hibak, 2);
}

TEST(LetterStep, SingleCandidateRevealsEveryOccurrence)
{
    Game g({"level"}, 5);
    EXPECT_EQ(g.step('l'), Words{"level"});
    EXPECT_EQ(g.tipp.str(), "l___l");
    EXPECT_EQ(g.jo.str(), "l");
    EXPECT_EQ(g.hibak, 0);
}

TEST(LetterStep, WrongGuessOnASingleCandidate)
{
    Game g({"bell"}, 4);
    Lista *before = g.lista;
    EXPECT_EQ(g.step('x'), Words{"bell"});
    EXPECT_NE(g.lista, before);  // a fresh copy; the old node was released
    EXPECT_EQ(g.tipp.str(), "____");
    EXPECT_EQ(g.rossz.str(), "x");
    EXPECT_EQ(g.jo.str(), "");
    EXPECT_EQ(g.hibak, 1);
}

TEST(LetterStep, EveryCandidateLackingTheLetterKeepsThemAll)
{
    Game g({"sell", "tell", "bell"}, 4);
    EXPECT_EQ(g.step('q'), (Words{"sell", "tell", "bell"}));
    EXPECT_EQ(g.tipp.str(), "____");
    EXPECT_EQ(g.rossz.str(), "q");
    EXPECT_EQ(g.hibak, 1);
}

TEST(LetterStep, RevealedPositionFollowsTheFamilyNotTheInput)
{
    // Over the whole input position 0 would lead (4 words to 2), but the
    // words with two a's are not in the family, where position 1 leads.
    Game g({"axa", "axa", "axa", "bac", "bad", "abc"}, 3);
    EXPECT_EQ(g.step('a'), (Words{"bac", "bad", "abc"}));
    EXPECT_EQ(g.tipp.str(), "_a_");
}

TEST(Duplicates, EqualWordsAreTwoCandidatesUntilRemoved)
{
    // Counted twice, the two 'ba' lift position 1 over position 0.
    Game g({"ba", "ba", "ab"}, 2);
    EXPECT_EQ(g.step('a'), (Words{"ba", "ba", "ab"}));
    EXPECT_EQ(g.tipp.str(), "_a");
    // A pair never becomes a single candidate: no fill-in of the whole word.
    EXPECT_EQ(g.narrow(), (Words{"ba", "ba"}));
    EXPECT_EQ(g.step('b'), (Words{"ba", "ba"}));
    EXPECT_EQ(g.tipp.str(), "ba");
    EXPECT_EQ(g.jo.str(), "ab");

    Game dropped({"bell", "bell", "tell"}, 4);
    EXPECT_EQ(dropped.step('b'), Words{"tell"});
    Game kept({"bell", "bell", "tell"}, 4);
    EXPECT_EQ(kept.step('t'), (Words{"bell", "bell"}));
    EXPECT_EQ(kept.tipp.str(), "____");
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
}

TEST(Duplicates, LargeListAgreesWithASet)
{
    Words words;
    unsigned x = 12345;
    for (int i = 0; i < 70000; ++i) {
        x = x * 1103515245u + 12345u;
        words.push_back("w" + std::to_string((x >> 8) % 30000));
    }
    Words expected;
    std::set<std::string> seen;
    for (const auto &w : words)
        if (seen.insert(w).second) expected.push_back(w);
    Lista *lis = list_of(words);
    Lista *once = Lista_ismetles_nelkul(lis);
    EXPECT_EQ(words_of(once), expected);
    Lista_felszab(once);
    Lista_felszab(lis);
}

// --- Calls that break the caller's guarantees ---------------------------------
// The buffers are exactly sized heap blocks: under AddressSanitizer a single
// byte touched outside them fails the test.

TEST(BrokenGuarantees, EmptyListChangesNothing)
{
    Str tipp("_e__"), rossz("s", ROSSZ_BETUK_MERET), jo("e", JO_BETUK_MERET);
    int hibak = 3;
    EXPECT_EQ(Lista_szur_beture(nullptr, 'x', tipp.get(), &hibak, rossz.get(), jo.get()),
              nullptr);
    EXPECT_EQ(tipp.str(), "_e__");
    EXPECT_EQ(rossz.str(), "s");
    EXPECT_EQ(jo.str(), "e");
    EXPECT_EQ(hibak, 3);
}

TEST(BrokenGuarantees, FullLetterStringsStayTerminated)
{
    Game wrong({"bell"}, 4);
    strcpy(wrong.rossz.get(), "acdfghijkm");
    wrong.step('x');
    EXPECT_EQ(wrong.hibak, 1);
    EXPECT_EQ(wrong.rossz.str(), "acdfghijkm");

    Game right({"bell"}, 4);
    std::string full(JO_BETUK_MERET - 1, 'q');
    strcpy(right.jo.get(), full.c_str());
    right.step('b');
    EXPECT_EQ(right.tipp.str(), "b___");
    EXPECT_EQ(right.jo.str(), full);
}

TEST(BrokenGuarantees, PatternShorterOrLongerThanTheWords)
{
    Game shorter({"aaaaaa"}, 2);
    EXPECT_EQ(shorter.step('a'), Words{"aaaaaa"});
    EXPECT_EQ(shorter.tipp.str(), "aa");

    Game longer({"ab", "ab"}, 5);
    longer.step('b');
    EXPECT_EQ(longer.tipp.str(), "_b___");
    EXPECT_EQ(longer.step('q'), (Words{"ab", "ab"}));
    EXPECT_EQ(longer.hibak, 1);
}

TEST(BrokenGuarantees, WordsOfDifferentLengths)
{
    // The long word's 'b' lies past the pattern and is not counted.
    Game g({"ab", "cb", std::string(34, 'x') + "b", "b"}, 2);
    EXPECT_EQ(g.step('b').size(), 4u);
    EXPECT_EQ(g.tipp.str(), "_b");
    Game first_long({std::string(35, 'z'), "z"}, 1);
    EXPECT_EQ(first_long.step('z'), Words{"z"});
    EXPECT_EQ(first_long.tipp.str(), "z");
    EXPECT_EQ(first_long.hibak, 0);
}

TEST(BrokenGuarantees, LetterAlreadyShownOrNothingHidden)
{
    Game shown({"bell"}, 4);
    strcpy(shown.tipp.get(), "_el_");
    shown.step('l');
    EXPECT_EQ(shown.tipp.str(), "_ell");

    Game full({"bell", "tell"}, 4);
    strcpy(full.tipp.get(), "bell");
    EXPECT_EQ(full.step('l'), (Words{"bell", "tell"}));
    EXPECT_EQ(full.tipp.str(), "bell");
    EXPECT_EQ(full.hibak, 0);
}

TEST(BrokenGuarantees, FillInWithAShorterWord)
{
    Str tipp("e_____");
    betuk_kitolt(tipp.get(), "eye");
    EXPECT_EQ(tipp.str(), "e_e___");
    // An underscore in the word does not hide a shown letter again.
    Str shown("e_e");
    betuk_kitolt(shown.get(), "___");
    EXPECT_EQ(shown.str(), "e_e");
}

// --- Memory -------------------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif

#ifndef UNDER_SANITIZER
// Caps the address space at what the program uses now and a few megabytes,
// then makes nodes until one cannot be had.
[[noreturn]] static void exhaust_memory()
{
    long pages = 0;
    if (FILE *f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld", &pages) != 1) pages = 0;
        fclose(f);
    }
    rlim_t limit = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (16 << 20);
    struct rlimit rl = {limit, limit};
    setrlimit(RLIMIT_AS, &rl);
    Lista *lis = nullptr;
    for (;;) lis = Lista_elejere_beszur(lis, "memory");
}
#endif

TEST(OutOfMemory, EndsWithOneLineAndStatusThree)
{
#ifdef UNDER_SANITIZER
    GTEST_SKIP() << "the sanitizer's allocator does not report exhaustion as NULL";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exhaust_memory(), testing::ExitedWithCode(3), "^Nincs eleg memoria!\n$");
#endif
}

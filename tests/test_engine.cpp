// The word list and the guessing engine, in memory.
#include <sys/resource.h>
#include <cstring>
#include <memory>
#include <string>

#include "fixture.h"

namespace {

// A string in a heap block of exactly its size, so that AddressSanitizer sees
// any byte touched past it.
struct Str : std::unique_ptr<char[]> {
    Str(const std::string &s, size_t size = 0) : unique_ptr(new char[size ? size : s.size() + 1]())
    {
        memcpy(get(), s.data(), s.size());
    }
    operator char *() const { return get(); }
};

// A letter step on the words, from the pattern and letter strings given:
// the family kept, and the state after it, "_el_ s/el 1": the pattern, the
// wrong and good letters, the errors.
struct Step {
    Words family;
    std::string state;
    Step(const Words &w, const char *pattern, char letter, const char *wrong = "", const char *good = "")
    {
        Str tipp(pattern), rossz(wrong, ROSSZ_BETUK_MERET), jo(good, JO_BETUK_MERET);
        int hibak = 0;
        Lista *lis = Lista_szur_beture(list_of(w), letter, tipp, &hibak, rossz, jo);
        family = words_of(lis);
        Lista_felszab(lis);
        state = std::string(tipp) + " " + rossz.get() + "/" + jo.get() + " " + std::to_string(hibak);
    }
};

}  // namespace

// The longest word also shows the cut: all three pieces of a node's word count.
TEST(List, InsertionsCopyTheWordCutTo35)
{
    Lista *lis = Lista_elejere_beszur(Lista_elejere_beszur(nullptr, "pear"), std::string(60, 'a').c_str());
    Lista_vegere_beszur(Lista_vegere_beszur(lis->kov, "fig"), "plum");
    EXPECT_EQ(words_of(lis), W(std::string(35, 'a') + " pear fig plum"));
    EXPECT_EQ(leghosszabb_szo(lis), 35);
    EXPECT_EQ(leghosszabb_szo(nullptr), 0);
    Lista_felszab(lis);
}

// Only 'A'..'Z' and 'a'..'z' are letters, and only 'A'..'Z' are lower-cased.
TEST(List, LettersAreAToZInEitherCase)
{
    for (const char *s : {"", "azAZ"}) EXPECT_EQ(tartalmaz_specialis_karaktert(s), 0) << s;
    for (const char *s : {"x-ray", "k\xc3\xb6rte", "abc1", "@", "[", "`", "{", "a b"})
        EXPECT_EQ(tartalmaz_specialis_karaktert(s), 1) << s;
    Lista *lis = list_of({"pEAr", "@Z[`a{", "\xc9T"});
    kisbetusit(lis);
    EXPECT_EQ(words_of(lis), (Words{"pear", "@z[`a{", "\xc9t"}));
    Lista_felszab(lis);
}

TEST(List, ConsoleAidsCountAndPrint)
{
    Lista *lis = list_of(W("fig kiwi"));
    EXPECT_EQ(Lista_hossz(lis), 2);
    testing::internal::CaptureStdout();
    Lista_kiir(lis);
    szamoz(12);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "fig\nkiwi\n123456789012\n");
    Lista_felszab(lis);
}

// Bytes compared unsigned.
TEST(List, SortedInsertionGoesInFrontOfTheFirstWordNotSortingBefore)
{
    const char *cases[][3] = {{"apple pear", "fig", "apple fig pear"},
                              {"apple pear", "aa", "aa apple pear"},
                              {"apple pear", "zebra", "apple pear zebra"},
                              {"", "kiwi", "kiwi"},
                              {"bells", "bell", "bell bells"},
                              {"zebra", "\xe9t", "zebra \xe9t"},
                              {"b z a c", "m", "b m z a c"}};
    for (const auto &c : cases) {
        Lista *lis = list_of(W(c[0])), *head = Lista_rendezetten_beszur(lis, c[1]);
        EXPECT_EQ(words_of(head), W(c[2])) << c[1] << " into " << c[0];
        Lista_felszab(head);
    }
    Lista *lis = list_of(W("apple pear plum")), *old_pear = lis->kov;
    Lista_rendezetten_beszur(lis, "pear");
    EXPECT_EQ(lis->kov->kov, old_pear) << "an equal word goes in front of the old copy";
    Lista_felszab(lis);
}

// Places from the seventeenth on count as much as the first ones; a word
// shorter than the pattern is matched over its own length.
TEST(Filters, ByLengthAndByPattern)
{
    const std::string w26 = "abcdefghijklmnopqrstuvwxyz", at16 = std::string(16, '_') + "q___u_____";
    const std::string words = "sell at bees bell " + w26.substr(0, 17) + " tell " + w26;
    const std::string cases[][3] = {{"4", "", "sell bees bell tell"},
                                    {"17", "", w26.substr(0, 17)},
                                    {"7", "", ""},
                                    {"-1", "", ""},
                                    {"4", "_el_", "sell bell tell"},
                                    {"4", "x___", ""},
                                    {"26", at16, w26},
                                    {"26", std::string(16, '_') + "x___u_____", ""},
                                    {"", at16, words}};
    Lista *full = list_of(W(words));
    for (const auto &c : cases) {
        Lista *lis = c[0].empty() ? list_of(W(words)) : Lista_szur_hosszra(full, std::stoi(c[0]));
        if (!c[1].empty()) lis = Lista_szur_karakterekre(lis, c[1].c_str());
        EXPECT_EQ(words_of(lis), W(c[2])) << "length " << c[0] << ", pattern " << c[1];
        Lista_felszab(lis);
    }
    Lista_felszab(full);
}

TEST(Filters, AWordMatchesWhereThePatternShowsItsLetterOrABlank)
{
    EXPECT_EQ(egyezik("bell", "_el_"), 1);
    EXPECT_EQ(egyezik("ball", "_el_"), 0);
    EXPECT_EQ(egyezik("bell", Str("be")), 0) << "a pattern shorter than the word";
}

TEST(Filters, CountsOfALetter)
{
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 2), 1);
    EXPECT_EQ(ennyiszer_szerepel("level", 'l', 1), 0);
    EXPECT_EQ(minimum_ahanyszor_szoban_szerepel(nullptr, 'a'), -1) << "over no word";
}

TEST(Filters, RefusesAnythingButAnUntriedLetterAToZ)
{
    for (char c : {'_', 'A', '`', '{', '\0', 's', 'l'})
        EXPECT_EQ(volt_mar_vagy_ertelmetlen(c, "st", "el"), 1) << int(c);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('a', "st", "el"), 0);
    EXPECT_EQ(volt_mar_vagy_ertelmetlen('z', "", ""), 0);
}

// Also past the end of a shorter word; '_' is no letter shown, also in the word.
TEST(Filters, FillShowsEveryPlaceOfTheLettersShown)
{
    Str shorter("e_____"), blanks("e_e");
    betuk_kitolt(shorter, "eye");
    betuk_kitolt(blanks, "___");
    EXPECT_STREQ(shorter, "e_e___");
    EXPECT_STREQ(blanks, "e_e");
}

// The game's own steps are checked further against the solver's, on random
// lists, in test_solver.cpp.
TEST(LetterStep, FamiliesPlacesEqualWordsAndBrokenGuarantees)
{
    const std::string long2 = "abcdefghijklmnopzqrt bcdefghijklmnopqzrst", blank20(20, '_'),
                      mixed = "ab cb " + std::string(34, 'x') + "b b";
    const std::string cases[][5] = {
        {"level", "_____", "l", "level", "l___l /l 0"},
        {"sell tell bell", "____", "l", "sell tell bell", "__l_ /l 0"},  // 2 and 3 tie: the leftmost shows
        // Counted twice, equal words lift their place; a pair is no single candidate.
        {"ba ba ab", "__", "a", "ba ba ab", "_a /a 0"},
        {"bell bell tell", "____", "b", "tell", "____ b/ 1"},
        {long2, blank20, "z", long2, std::string(16, '_') + "z___ /z 0"},
        // Calls the game never makes stay inside the strings and lists.
        {"", "_e__", "x", "", "_e__ / 0"},
        {"bell tell", "bell", "l", "bell tell", "bell /l 0"},
        {mixed, "__", "b", mixed, "_b /b 0"},
    };
    for (const auto &c : cases) {
        const Step step(W(c[0]), c[1].c_str(), c[2][0]);
        EXPECT_EQ(step.family, W(c[3])) << c[0] << ", " << c[1] << ", letter " << c[2];
        EXPECT_EQ(step.state, c[4]) << c[0] << ", " << c[1] << ", letter " << c[2];
    }
}

TEST(LetterStep, FullLetterStringsTakeNoMoreLetters)
{
    const std::string good(JO_BETUK_MERET - 1, 'q'), letters = " acdfghijkm/" + good;
    EXPECT_EQ(Step({"bell"}, "____", 'x', "acdfghijkm", good.c_str()).state, "____" + letters + " 1");
    EXPECT_EQ(Step({"bell"}, "____", 'b', "acdfghijkm", good.c_str()).state, "b___" + letters + " 0");
}

// Far more nodes than a slab of the node store holds: from the 17,577th on
// the words repeat the first ones.
TEST(ManyNodes, RepeatedWordsAreKeptOnce)
{
    Words words;
    for (int i = 0; i < 20000; ++i)
        words.push_back({char('a' + i % 26), char('a' + i / 26 % 26), char('a' + i / 676 % 26), 'e'});
    Lista *lis = list_of(words), *once = Lista_ismetles_nelkul(lis);
    EXPECT_EQ(words_of(once), Words(words.begin(), words.begin() + 26 * 26 * 26));
    Lista_felszab(once), Lista_felszab(lis);
}

// Under AddressSanitizer every node is a block of its own, whose allocator
// does not report exhaustion as NULL.
#if !defined(__SANITIZE_ADDRESS__)
TEST(OutOfMemory, EndsWithOneLineAndStatusThree)
{
    const struct rlimit small = {256u << 20, 256u << 20};
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto fill_memory = [&small] {
        setrlimit(RLIMIT_AS, &small);
        for (Lista *lis = nullptr;;) lis = Lista_elejere_beszur(lis, "memory");
    };
    EXPECT_EXIT(fill_memory(), testing::ExitedWithCode(3), "^Nincs eleg memoria!\n$");
}
#endif

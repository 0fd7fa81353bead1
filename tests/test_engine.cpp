// The word list and the guessing engine, in memory.
#include <sys/resource.h>
#include <cstring>
#include <memory>
#include <thread>
#include <tuple>

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

// The game's state over a run of letter steps.
struct Game {
    Lista *lista;
    Str tipp, rossz{"", ROSSZ_BETUK_MERET}, jo{"", JO_BETUK_MERET};
    int hibak = 0;
    Game(const Words &words, const std::string &pattern) : lista(list_of(words)), tipp(pattern) {}
    ~Game() { Lista_felszab(lista); }
    Words step(char betu)
    {
        return words_of(lista = Lista_szur_beture(lista, betu, tipp, &hibak, rossz, jo));
    }
    // The pattern, the wrong and good letters and the errors: "_el_ s/el 1".
    std::string state()
    {
        return std::string(tipp) + " " + rossz.get() + "/" + jo.get() + " " + std::to_string(hibak);
    }
};

}  // namespace

TEST(List, InsertReleaseAndLetterTests)
{
    Lista *lis = Lista_elejere_beszur(Lista_elejere_beszur(nullptr, "pEar"), std::string(60, 'A').c_str());
    Lista_vegere_beszur(Lista_vegere_beszur(lis->kov, "@Z[`a{"), "\xc9t");
    kisbetusit(lis);
    EXPECT_EQ(words_of(lis), (Words{std::string(35, 'a'), "pear", "@z[`a{", "\xc9t"}));
    EXPECT_EQ(std::make_tuple(Lista_hossz(lis), leghosszabb_szo(lis), leghosszabb_szo(nullptr)),
              std::make_tuple(4, 35, 0));
    EXPECT_EQ(Lista_felszab(lis), Lista_felszab(nullptr));
    EXPECT_EQ(words_of(lis = Lista_vegere_beszur(nullptr, "fig")), W("fig"));
    testing::internal::CaptureStdout();
    Lista_kiir(lis);
    szamoz(12);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "fig\n123456789012\n");
    Lista_felszab(lis);
    EXPECT_EQ(std::make_pair(tartalmaz_specialis_karaktert(""), tartalmaz_specialis_karaktert("azAZ")),
              std::make_pair(0, 0));
    for (const char *s : {"x-ray", "k\xc3\xb6rte", "abc1", "@", "[", "`", "{", "a b"})
        EXPECT_EQ(tartalmaz_specialis_karaktert(s), 1) << s;
}

// In front of the first word that does not sort before it, bytes compared unsigned.
TEST(List, SortedInsertion)
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
        EXPECT_EQ(words_of(head), W(c[2])) << c[1];
        EXPECT_EQ(head == lis, lis && strcmp(c[1], lis->szo) > 0) << c[1];
        Lista_felszab(head);
    }
    Lista *lis = list_of(W("apple pear plum")), *old_pear = lis->kov;
    Lista_rendezetten_beszur(lis, "pear");
    EXPECT_EQ(lis->kov->kov, old_pear);  // an equal word goes in front of the old copy
    Lista_felszab(lis);
}

// Places from the seventeenth on count as much as the first ones; a word
// shorter than the pattern is matched over its own length.
TEST(Filters, LengthPatternCountsRefusalsAndFill)
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
        EXPECT_EQ(words_of(lis), W(c[2])) << c[0] << " " << c[1];
        Lista_felszab(lis);
    }
    EXPECT_EQ(words_of(full), W(words));
    EXPECT_EQ(std::make_tuple(minimum_ahanyszor_szoban_szerepel(full, 'e'),
                              minimum_ahanyszor_szoban_szerepel(full->kov->kov, 'e'),
                              minimum_ahanyszor_szoban_szerepel(nullptr, 'a')),
              std::make_tuple(0, 1, -1));
    EXPECT_EQ(std::make_tuple(egyezik("bell", Str("be")), egyezik("bell", "_el_"), egyezik("ball", "_el_"),
                              ennyiszer_szerepel("level", 'l', 2), ennyiszer_szerepel("level", 'l', 1)),
              std::make_tuple(0, 1, 0, 1, 0));
    Lista_felszab(full);
    for (char c : {'_', 'A', '`', '{', '\0', 's', 'l'})
        EXPECT_EQ(volt_mar_vagy_ertelmetlen(c, "st", "el"), 1) << c;
    EXPECT_EQ(
        std::make_pair(volt_mar_vagy_ertelmetlen('a', "st", "el"), volt_mar_vagy_ertelmetlen('z', "", "")),
        std::make_pair(0, 0));
    const char *fills[][3] = {{"e___", "eyes", "e_e_"},
                              {"____", "eyes", "____"},
                              {"e_____", "eye", "e_e___"},
                              {"e_e", "___", "e_e"}};
    for (const auto &f : fills) {
        Str tipp(f[0]);
        betuk_kitolt(tipp, f[1]);
        EXPECT_STREQ(tipp, f[2]) << f[0] << " " << f[1];
    }
}

// Each row: the candidates after the turn's pattern filter, the letter, the
// family kept, and the state after the step (and the single candidate's fill).
TEST(LetterStep, WorkedExampleRowByRow)
{
    const char *rows[][4] = {
        {"sell tell bell bees seen teen stem step", "e", "sell tell bell stem step", "_e__ /e 0"},
        {"sell tell bell", "l", "sell tell bell", "_el_ /el 0"},  // 2 and 3 tie: the leftmost shows
        {"sell tell bell", "s", "tell bell", "_el_ s/el 1"},
        {"tell bell", "t", "bell", "_el_ st/el 2"},
        {"bell", "b", "bell", "bell st/elb 2"}};
    Game g(W(rows[0][0]), "____");
    for (const auto &row : rows) {
        EXPECT_EQ(words_of(g.lista = Lista_szur_karakterekre(g.lista, g.tipp)), W(row[0])) << row[1];
        EXPECT_EQ(g.step(row[1][0]), W(row[2])) << row[1];
        EXPECT_EQ(g.state(), row[3]);
        if (!g.lista->kov) betuk_kitolt(g.tipp, g.lista->szo);
    }
}

TEST(LetterStep, FamiliesPlacesEqualWordsAndBrokenGuarantees)
{
    const std::string long2 = "abcdefghijklmnopzqrt bcdefghijklmnopqzrst", blank20(20, '_'),
                      mixed = "ab cb " + std::string(34, 'x') + "b b";
    const std::string cases[][5] = {
        {"level", "_____", "l", "level", "l___l /l 0"},
        {"sell tell", "____", "q", "sell tell", "____ q/ 1"},
        // Over the whole list place 0 would lead, but only the family counts.
        {"axa axa axa bac bad abc", "___", "a", "bac bad abc", "_a_ /a 0"},
        {"xaxa axxa xxaa", "____", "a", "xaxa axxa xxaa", "___a /a 0"},  // each word's second 'a' counts
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
        Game g(W(c[0]), c[1]);
        EXPECT_EQ(g.step(c[2][0]), W(c[3])) << c[4];
        EXPECT_EQ(g.state(), c[4]);
    }
    Game full({"bell"}, "____");
    const std::string many(JO_BETUK_MERET - 1, 'q');
    strcpy(full.rossz, "acdfghijkm");
    strcpy(full.jo, many.c_str());
    full.step('x'), full.step('b');
    EXPECT_EQ(full.state(), "b___ acdfghijkm/" + many + " 1");
}

// Far more nodes than a slab of the node store holds: the words from the
// 17,577th on repeat the first ones, and are kept once. Two threads, each on
// lists of its own at once, get what each gets alone.
TEST(ManyNodes, DuplicatesAndThreads)
{
    Words words;
    for (int i = 0; i < 20000; ++i)
        words.push_back({char('a' + i % 26), char('a' + i / 26 % 26), char('a' + i / 676 % 26), 'e'});
    Lista *lis = list_of(words), *once = Lista_ismetles_nelkul(lis);
    EXPECT_EQ(words_of(once), Words(words.begin(), words.begin() + 26 * 26 * 26));
    Lista_felszab(once), Lista_felszab(lis);
    auto play = [&words](const char *letters) {
        std::string states;
        for (int game = 0; game < 20; ++game) {
            Game g(words, "____");
            for (const char *c = letters; *c && g.hibak < 10; ++c)
                states +=
                    std::to_string(words_of(g.lista = Lista_szur_karakterekre(g.lista, g.tipp)).size()) +
                    g.state(),
                    g.step(*c);
        }
        return states;
    };
    const std::string alone[] = {play("etaoinshrdlu"), play("ulrdhsnioate")};
    std::string first, second;
    std::thread a([&] { first = play("etaoinshrdlu"); }), b([&] { second = play("ulrdhsnioate"); });
    a.join(), b.join();
    EXPECT_TRUE(first == alone[0] && second == alone[1]);
}

TEST(OutOfMemory, EndsWithOneLineAndStatusThree)
{
#if !defined(__SANITIZE_ADDRESS__)  // whose allocator does not report exhaustion as NULL
    const struct rlimit small = {256u << 20, 256u << 20};
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((setrlimit(RLIMIT_AS, &small),
                 [] {
                     for (Lista *lis = nullptr;;) lis = Lista_elejere_beszur(lis, "memory");
                 }()),
                testing::ExitedWithCode(3), "^Nincs eleg memoria!\n$");
#endif
}

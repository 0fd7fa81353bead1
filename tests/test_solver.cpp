// Perfect play: the solver's step against the engine's, its fewest wrong
// letters against a brute force over every order of letters, and its plays
// replayed through the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "jatek.h"
#include "solver.h"

namespace {
using Strings = std::vector<std::string>;

// count distinct random words of the given length over the first letters letters.
Strings random_words(std::mt19937 &rng, int length, int letters, int count)
{
    Strings out;
    std::uniform_int_distribution<int> pick(0, letters - 1);
    for (int tries = 0; static_cast<int>(out.size()) < count && tries < 20 * count; ++tries) {
        std::string word;
        for (int i = 0; i < length; ++i) word += static_cast<char>('a' + pick(rng));
        if (std::find(out.begin(), out.end(), word) == out.end()) out.push_back(word);
    }
    return out;
}

Lista *list_of(const Strings &words)
{
    Lista *head = nullptr, *end = nullptr;
    for (const std::string &w : words) end = Lista_vegere_beszur(end, w.c_str()), head = head ? head : end;
    return head;
}

Strings words_of(const Lista *l)
{
    Strings out;
    for (; l; l = l->kov) out.push_back(l->szo);
    return out;
}

// The solver's position holding the given words of w, which are in w's order.
Position position_of(const Words &w, const Strings &cands, const std::string &pattern)
{
    Position p;
    p.pattern = pattern;
    for (const std::string &word : cands) {
        const auto x = static_cast<uint32_t>(std::find(w.text.begin(), w.text.end(), word) - w.text.begin());
        if (p.block.empty() || p.block.back() != x / 64) p.block.push_back(x / 64), p.in.push_back(0);
        p.in.back() |= uint64_t(1) << (x % 64);
    }
    return p;
}

// One turn of the game on the engine: the letter step, the fill of a single
// candidate and the next pattern filter. Releases cands; returns the next.
Lista *engine_turn(Lista *cands, char letter, std::string &pattern, int &wrong)
{
    char rossz[ROSSZ_BETUK_MERET] = {0}, jo[JO_BETUK_MERET] = {0};
    cands = Lista_szur_beture(cands, letter, &pattern[0], &wrong, rossz, jo);
    if (!cands->kov) betuk_kitolt(&pattern[0], cands->szo);
    return Lista_szur_karakterekre(cands, pattern.c_str());
}

// The fewest wrong letters that bring the candidates down to one (or
// LOSING_WRONG), trying every order of the untried letters among the first
// letters letters.
int brute_force(const Lista *cands, const std::string &pattern, const std::string &tried, int letters)
{
    if (!cands->kov) return 0;
    int best = LOSING_WRONG;
    for (char c = 'a'; c < 'a' + letters; ++c) {
        if (tried.find(c) != std::string::npos) continue;
        std::string next_pattern = pattern;
        int wrong = 0;
        Lista *next =
            engine_turn(Lista_szur_hosszra(cands, static_cast<int>(pattern.size())), c, next_pattern, wrong);
        best = std::min(best, wrong + brute_force(next, next_pattern, tried + c, letters));
        Lista_felszab(next);
    }
    return best;
}

// The solver's fewest wrong letters for the words, over the first letters
// letters, against the brute force, and its play replayed.
void agrees_with_brute_force(const Strings &all, int letters)
{
    Lista *start = list_of(all);
    const int fewest = brute_force(start, std::string(all[0].size(), '_'), "", letters);
    Lista_felszab(start);
    Solution s = solve(words_of_length(all), 60);
    ASSERT_TRUE(s.proven);
    ASSERT_EQ(s.fewest_wrong, fewest);
    ASSERT_EQ(replay(all, s.letters), fewest < LOSING_WRONG ? fewest : -1) << s.letters;
}

// The word and each word one letter away from it (only at place at, when given).
Strings with_changes(const std::string &word, size_t at = std::string::npos)
{
    Strings out = {word};
    for (size_t i = 0; i < word.size(); ++i)
        for (char c = 'a'; c <= 'z'; ++c)
            if (c != word[i] && (at == i || at == std::string::npos))
                out.push_back(word.substr(0, i) + c + word.substr(i + 1));
    return out;
}

// Every word of the length over the first letters letters, the first place changing fastest.
Strings every_word(int length, int letters)
{
    if (length == 0) return {""};
    Strings out;
    for (const std::string &rest : every_word(length - 1, letters))
        for (char c = 'a'; c < 'a' + letters; ++c) out.push_back(c + rest);
    return out;
}
}  // namespace

TEST(Step, AgreesWithTheEngineOnRandomListsPatternsAndLetters)
{
    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        const int length = 1 + static_cast<int>(rng() % 20), letters = 2 + static_cast<int>(rng() % 5);
        const Strings all = random_words(rng, length, letters, 1 + static_cast<int>(rng() % 70));
        const Words w = words_of_length(all);
        // A pattern some word matches, showing each of its places at random.
        std::string pattern = all[rng() % all.size()];
        for (char &ch : pattern)
            if (rng() % 2) ch = '_';
        // Any letter not shown, also one that no word holds.
        char letter = static_cast<char>('a' + rng() % (letters + 1));
        if (pattern.find(letter) != std::string::npos) continue;

        Lista *cands = Lista_szur_karakterekre(list_of(all), pattern.c_str());
        Position from = position_of(w, words_of(cands), pattern), next;
        int wrong = 0;
        cands = engine_turn(cands, letter, pattern, wrong);
        ASSERT_EQ(step(w, from, letter, next), wrong) << trial;
        ASSERT_EQ(next.pattern, pattern) << trial;
        Strings at_next;
        for (uint32_t x : candidates(next)) at_next.push_back(w.text[x]);
        ASSERT_EQ(at_next, words_of(cands)) << trial;
        Lista_felszab(cands);
    }
}

// On random lists, and then where the bound decides most: on words that a
// right letter tells apart only by where, or how often, it stands in them.
TEST(Search, AgreesWithBruteForceAndItsPlaysWin)
{
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        const int length = 2 + static_cast<int>(rng() % 5), letters = 3 + static_cast<int>(rng() % 6);
        agrees_with_brute_force(random_words(rng, length, letters, 2 + static_cast<int>(rng() % 120)),
                                letters);
    }
    rng.seed(5);
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE("words alike, " + std::to_string(trial));
        const int length = 3 + static_cast<int>(rng() % 3), letters = 5 + static_cast<int>(rng() % 4);
        Strings all = random_words(rng, length, letters, 1);
        for (int n = 1 + static_cast<int>(rng() % 40); n > 0; --n) {
            std::string word = all[0];
            for (int changes = 1 + static_cast<int>(rng() % 2); changes > 0; --changes)
                word[rng() % word.size()] = static_cast<char>('a' + rng() % letters);
            if (std::find(all.begin(), all.end(), word) == all.end()) all.push_back(word);
        }
        agrees_with_brute_force(all, letters);
    }
}

// Lists whose fewest wrong letters are known, proven: a win replays with
// them, and a loss the bound finds at the start, one position for each budget.
TEST(Search, ProvesTheFewestWrongLettersOfListsMadeToBeHard)
{
    const struct {
        const char *name;
        Strings words;
        int fewest;
    } rows[] = {
        // Each letter takes away only its own word: nine wrong letters leave
        // one of ten words, but eleven words need the losing tenth.
        {"10", {"aaa", "bbb", "ccc", "ddd", "eee", "fff", "ggg", "hhh", "iii", "jjj"}, 9},
        {"11", {"aaa", "bbb", "ccc", "ddd", "eee", "fff", "ggg", "hhh", "iii", "jjj", "kkk"}, LOSING_WRONG},
        {"level", {"level"}, 0},  // won at once by its own letters
        // The last word shows each of its letters somewhere but not everywhere:
        // a repeated key, which the game refuses, lets it fill the word in.
        {"aaab aaba", {"aaab", "aaba"}, 0},
        // Words alike but for one place, where a wrong letter takes away one
        // word and a right one at most the word that holds it twice.
        {"?at", with_changes("xat", 0), LOSING_WRONG},
        {"?a", with_changes("xa", 0), LOSING_WRONG},
        // a to s each take the word holding them twice; 6 of t to z leave one.
        {"abcdefghijklmnopqrs?", with_changes("abcdefghijklmnopqrsx", 19), 6},
        {"aaaaaaaaaa?aaaaaaaaa", with_changes("aaaaaaaaaaxaaaaaaaaa", 10), LOSING_WRONG},
        {"cat and its changes", with_changes("cat"), LOSING_WRONG},
        {"crane and its changes", with_changes("crane"), LOSING_WRONG},
        {"abcdefgh and its changes", with_changes("abcdefgh"), LOSING_WRONG},
        // A letter is right only once all the others are gone, so 7 wrong
        // letters: found where the possible last words are checked until one
        // may end the play, the rest passed down.
        {"every word of 5 letters over a to h", every_word(5, 8), 7},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Solution s = solve(words_of_length(row.words), 60);
        EXPECT_TRUE(s.proven);
        EXPECT_EQ(s.fewest_wrong, row.fewest);
        EXPECT_EQ(replay(row.words, s.letters), row.fewest < LOSING_WRONG ? row.fewest : -1) << s.letters;
        if (row.fewest == LOSING_WRONG) {
            EXPECT_EQ(s.positions, LOSING_WRONG) << "not ruled out at the start";
        }
    }
}

// When the time runs out, the search gives the quick play and what is proven
// by then: its least wrong letters, counted from when it began.
TEST(Search, OutOfTimeGivesTheQuickPlayAndTheBoundReached)
{
    std::mt19937 rng(3);
    const Strings all = random_words(rng, 5, 12, 400);
    const Solution s = solve(words_of_length(all), 1e-9);
    EXPECT_FALSE(s.proven);
    EXPECT_EQ(s.lower_bound, 0);
    EXPECT_EQ(replay(all, s.letters), s.fewest_wrong);
    // Its preparation of the words included.
    const Solution late =
        solve(words_of_length(all), 1, std::chrono::steady_clock::now() - std::chrono::seconds(2));
    EXPECT_FALSE(late.proven);
    EXPECT_GE(late.seconds, 2);
    // Two words that no letter tells apart once a and b are shown: the quick play stops there.
    const Solution stuck = solve(words_of_length({"abab", "abba"}), 1e-9);
    EXPECT_EQ(stuck.letters, "");
    EXPECT_EQ(stuck.fewest_wrong, LOSING_WRONG);
}

TEST(Replay, RefusesPlaysThatDoNotWinAsClaimed)
{
    const Strings words = {"sell", "tell", "bell", "bees", "seen", "teen", "stem", "step"};
    // The worked example: e and l right, s and t wrong, then b wins.
    EXPECT_EQ(replay(words, "elstb"), 2);
    EXPECT_EQ(replay(words, "elst"), -1);        // one word left, not yet shown whole
    EXPECT_EQ(replay(words, "elstbx"), -1);      // a key after the win
    EXPECT_EQ(replay(words, "xyzqwjkvpo"), -1);  // the tenth wrong letter
    EXPECT_EQ(replay({}, "a"), -1);
}

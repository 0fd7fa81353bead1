// Perfect play: the solver's step against the engine's, its fewest wrong
// letters against a brute force over every order of letters, and its plays
// replayed through the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <random>
#include <set>

#include "jatek.h"
#include "solver.h"

namespace {
using Strings = std::vector<std::string>;

// count distinct random words of the given length over the first letters letters.
Strings random_words(std::mt19937 &rng, int length, int letters, int count)
{
    std::set<std::string> seen;
    Strings out;
    std::uniform_int_distribution<int> pick(0, letters - 1);
    for (int tries = 0; static_cast<int>(out.size()) < count && tries < 20 * count; ++tries) {
        std::string word;
        for (int i = 0; i < length; ++i) word += static_cast<char>('a' + pick(rng));
        if (seen.insert(word).second) out.push_back(word);
    }
    return out;
}

Lista *list_of(const Strings &words)
{
    Lista *head = nullptr, *end = nullptr;
    for (const std::string &w : words) {
        end = Lista_vegere_beszur(end, w.c_str());
        if (!head) head = end;
    }
    return head;
}

Strings words_of(const Lista *l)
{
    Strings out;
    for (; l; l = l->kov) out.push_back(l->szo);
    return out;
}

// The solver's position holding the given words of w.
Position position_of(const Words &w, const Strings &cands, const std::string &pattern)
{
    Position p;
    p.pattern = pattern;
    for (uint32_t x = 0; x < w.text.size(); ++x) {
        if (std::find(cands.begin(), cands.end(), w.text[x]) == cands.end()) continue;
        if (p.block.empty() || p.block.back() != x / 64) {
            p.block.push_back(x / 64);
            p.in.push_back(0);
        }
        p.in.back() |= uint64_t(1) << (x % 64);
    }
    return p;
}

Strings words_at(const Words &w, const Position &p)
{
    Strings out;
    for (uint32_t x : candidates(p)) out.push_back(w.text[x]);
    return out;
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

// The fewest wrong letters that bring the candidates down to one, trying
// every order of the untried letters among the first letters letters.
int brute_force(const Lista *cands, const std::string &pattern, const std::string &tried, int letters)
{
    if (!cands->kov) return 0;
    int best = INT_MAX;
    for (char c = 'a'; c < 'a' + letters; ++c) {
        if (tried.find(c) != std::string::npos) continue;
        std::string next_pattern = pattern;
        int wrong = 0;
        Lista *next =
            engine_turn(Lista_szur_hosszra(cands, static_cast<int>(pattern.size())), c, next_pattern, wrong);
        int rest = brute_force(next, next_pattern, tried + c, letters);
        if (rest != INT_MAX) best = std::min(best, wrong + rest);
        Lista_felszab(next);
    }
    return best;
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
        ASSERT_EQ(words_at(w, next), words_of(cands)) << trial;
        Lista_felszab(cands);
    }
}

// The solver's fewest wrong letters for the words, over the first letters
// letters, against the brute force, and its play replayed.
void agrees_with_brute_force(const Strings &all, int letters)
{
    Lista *start = list_of(all);
    const int fewest =
        std::min<int>(brute_force(start, std::string(all[0].size(), '_'), "", letters), LOSING_WRONG);
    Lista_felszab(start);
    Solution s = solve(words_of_length(all), 60);
    ASSERT_TRUE(s.proven);
    ASSERT_EQ(s.fewest_wrong, fewest);
    ASSERT_EQ(s.candidates, static_cast<int>(all.size()));
    if (fewest < LOSING_WRONG) {
        ASSERT_EQ(replay(all, s.letters), fewest) << s.letters;
    }
}

TEST(Search, AgreesWithBruteForceAndItsPlaysWin)
{
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        const int length = 2 + static_cast<int>(rng() % 5), letters = 3 + static_cast<int>(rng() % 6);
        agrees_with_brute_force(random_words(rng, length, letters, 2 + static_cast<int>(rng() % 120)),
                                letters);
    }
}

TEST(Search, AgreesWithBruteForceOnWordsAlikeButForAPlaceOrTwo)
{
    // Where the bound decides most: words that a right letter tells apart
    // only by where, or how often, it stands in them.
    std::mt19937 rng(5);
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE(trial);
        const int length = 3 + static_cast<int>(rng() % 3), letters = 5 + static_cast<int>(rng() % 4);
        const std::string base = random_words(rng, length, letters, 1)[0];
        std::set<std::string> seen;
        Strings all;
        for (int n = 2 + static_cast<int>(rng() % 40); n > 0; --n) {
            std::string word = base;
            for (int changes = 1 + static_cast<int>(rng() % 2); changes > 0; --changes)
                word[rng() % word.size()] = static_cast<char>('a' + rng() % letters);
            if (seen.insert(word).second) all.push_back(word);
        }
        agrees_with_brute_force(all, letters);
    }
}

TEST(Search, LostAtTheTenthWonAtOnceAndFilledIn)
{
    // Each letter guessed takes away only its own word: nine wrong letters
    // leave one of ten words, but eleven words need the losing tenth.
    const Strings ten = {"aaa", "bbb", "ccc", "ddd", "eee", "fff", "ggg", "hhh", "iii", "jjj"};
    Strings eleven = ten;
    eleven.push_back("kkk");
    Solution won = solve(words_of_length(ten), 60), lost = solve(words_of_length(eleven), 60);
    EXPECT_EQ(won.fewest_wrong, 9);
    EXPECT_EQ(replay(ten, won.letters), 9);
    EXPECT_TRUE(lost.proven);
    EXPECT_EQ(lost.fewest_wrong, LOSING_WRONG);
    // No letter can become right before ten wrong ones: the bound rules out
    // every word at the start, one position for each budget.
    EXPECT_EQ(lost.positions, LOSING_WRONG);
    EXPECT_EQ(lost.letters, "");
    // A single word is won at once by its own letters.
    Solution one = solve(words_of_length({"level"}), 60);
    EXPECT_EQ(one.letters, "lev");
    EXPECT_EQ(replay({"level"}, "lev"), 0);
    // The last word shows each of its letters somewhere but not everywhere:
    // a repeated key, which the game refuses, lets it fill the word in.
    EXPECT_EQ(solve(words_of_length({"aaab", "aaba"}), 60).letters, "aba");
    EXPECT_EQ(replay({"aaab", "aaba"}, "aba"), 0);
}

TEST(Search, OutOfTimeGivesAPlayAndWhatIsProven)
{
    std::mt19937 rng(3);
    const Strings all = random_words(rng, 5, 12, 400);
    Solution s = solve(words_of_length(all), 1e-9);
    EXPECT_FALSE(s.proven);
    EXPECT_EQ(s.lower_bound, 0);
    ASSERT_LT(s.fewest_wrong, LOSING_WRONG);
    EXPECT_EQ(replay(all, s.letters), s.fewest_wrong);
    // The time counts from when it began, the words' preparation included.
    const auto began = std::chrono::steady_clock::now() - std::chrono::seconds(2);
    const Solution late = solve(words_of_length(all), 1, began);
    EXPECT_FALSE(late.proven);
    EXPECT_GE(late.seconds, 2);
    // Two words that no letter tells apart once a and b are shown: the
    // quick play stops there, and the search proves the game lost.
    Solution dead = solve(words_of_length({"abab", "abba"}), 1e-9);
    EXPECT_EQ(dead.letters, "");
    EXPECT_EQ(dead.fewest_wrong, LOSING_WRONG);
    EXPECT_TRUE(solve(words_of_length({"abab", "abba"}), 60).proven);
    // The same list with time enough proves the least.
    Solution full = solve(words_of_length(all), 60);
    EXPECT_TRUE(full.proven);
    EXPECT_LE(full.fewest_wrong, s.fewest_wrong);
    EXPECT_EQ(replay(all, full.letters), full.fewest_wrong);
}

// The words made by putting each letter at place at of base.
Strings each_letter_at(const std::string &base, size_t at)
{
    Strings out;
    for (char c = 'a'; c <= 'z'; ++c) {
        std::string word = base;
        word[at] = c;
        out.push_back(word);
    }
    return out;
}

// The word and each word one letter away from it.
Strings with_changes(const std::string &word)
{
    Strings out = {word};
    for (size_t at = 0; at < word.size(); ++at)
        for (const std::string &changed : each_letter_at(word, at))
            if (changed != word) out.push_back(changed);
    return out;
}

TEST(Search, ProvesListsWhoseWrongLettersEachTakeAWordOrTwo)
{
    // Words alike but for one place, where a wrong letter takes away one
    // word and a right one at most the word that holds it twice.
    const struct {
        const char *name;
        Strings words;
        int fewest;
    } rows[] = {
        {"?at", each_letter_at("xat", 0), LOSING_WRONG},
        {"?a", each_letter_at("xa", 0), LOSING_WRONG},
        // a to s each take the word holding them twice; 6 of t to z leave one.
        {"abcdefghijklmnopqrs?", each_letter_at("abcdefghijklmnopqrsx", 19), 6},
        {"aaaaaaaaaa?aaaaaaaaa", each_letter_at("aaaaaaaaaaxaaaaaaaaa", 10), LOSING_WRONG},
        {"cat and its changes", with_changes("cat"), LOSING_WRONG},
        {"crane and its changes", with_changes("crane"), LOSING_WRONG},
        {"abcdefgh and its changes", with_changes("abcdefgh"), LOSING_WRONG},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Solution s = solve(words_of_length(row.words), 60);
        EXPECT_TRUE(s.proven);
        EXPECT_EQ(s.fewest_wrong, row.fewest);
        if (row.fewest < LOSING_WRONG) {
            EXPECT_EQ(replay(row.words, s.letters), row.fewest);
        } else {
            // The bound rules out every word at the start: one position
            // for each budget.
            EXPECT_EQ(s.positions, LOSING_WRONG);
        }
    }
}

TEST(Search, ProvesAListTooBigToCheckEveryLastWordAtOnce)
{
    // Every word of 5 letters over a to h: a letter is right only once all
    // the others are gone, so 7 wrong letters, found where the possible last
    // words are checked until one may end the play, the rest passed down.
    Strings all;
    for (int x = 0; x < 8 * 8 * 8 * 8 * 8; ++x) {
        std::string word;
        for (int n = x, i = 0; i < 5; ++i, n /= 8) word += static_cast<char>('a' + n % 8);
        all.push_back(word);
    }
    const Solution s = solve(words_of_length(all), 60);
    EXPECT_TRUE(s.proven);
    EXPECT_EQ(s.fewest_wrong, 7);
    EXPECT_EQ(replay(all, s.letters), 7);
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

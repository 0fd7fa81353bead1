// Perfect play against the letter step. The engine's answers follow from the
// word list and the letters guessed, so for each word length there is a
// least number of wrong letters with which a player can win, and a letter
// order that does it. Knows nothing of the screen.
//
// Candidates are kept as bit sets over the words of one length: word x is
// bit x % 64 of block x / 64, and a set lists only its blocks that hold a
// word. Everything here is owned by value; nothing is shared between calls
// but the Words they are given, which they only read.
#ifndef SOLVER_H
#define SOLVER_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The game is lost at this many wrong letters.
enum { LOSING_WRONG = 10, ALPHABET = 26 };

// The distinct words of one length, the game's candidates at the start,
// taken apart for the search. Built once; only read after that.
struct Words {
    int length = 0;
    size_t blocks = 0;              // blocks of 64 words in a full bit set
    std::vector<std::string> text;  // the words, in word-file order
    std::vector<uint32_t> letters;  // per word: bit c for each letter 'a' + c in it
    std::vector<uint32_t> places;   // per word and letter: bit i when the letter is at i
    // Full bit sets, each `blocks` long: per letter, the words holding it
    // (has); per letter and place, the words holding it there (at); per
    // letter and count 0..length, the words holding it that many times.
    std::vector<uint64_t> has, at, times;
};

// Takes the words of one length, each once, in file order, all of
// 'a'..'z'; returns them taken apart.
Words words_of_length(const std::vector<std::string> &words);

// A position of the game: the candidates left by the last pattern filter
// and the pattern they all match.
struct Position {
    std::vector<uint32_t> block;  // the blocks that hold a candidate, ascending
    std::vector<uint64_t> in;     // for each of those, its candidates
    std::string pattern;
};

// The number of words in a block of a bit set, without a branch or a
// library call (the baseline x86-64 has no instruction for it).
inline int ones(uint64_t m)
{
    m -= (m >> 1) & 0x5555555555555555u;
    m = (m & 0x3333333333333333u) + ((m >> 2) & 0x3333333333333333u);
    m = (m + (m >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<int>((m * 0x0101010101010101u) >> 56);
}

// The starting position: every word a candidate, every letter hidden.
Position start_position(const Words &w);
// The candidates of p, as word indices, ascending.
std::vector<uint32_t> candidates(const Position &p);
// The number of candidates of p.
size_t count(const Position &p);

// The letter step and the pattern filter after it, as the game makes them:
// the family where the letter is rarest, the one revealed place, the fill of
// a single candidate. Takes a position and a letter 'a'..'z' not shown in
// its pattern; writes the next position into next (which may not be from);
// returns 1 for a wrong letter, 0 for a right one.
int step(const Words &w, const Position &from, char letter, Position &next);

// What the search found for one length.
struct Solution {
    int length = 0;
    int candidates = 0;
    int fewest_wrong = LOSING_WRONG;  // of the best play found; LOSING_WRONG: no win found
    int lower_bound = 0;              // no play wins with fewer wrong letters
    bool proven = false;              // lower_bound == fewest_wrong
    std::string letters;              // the best play's keys, to the won game; "" when none
    double seconds = 0;
    long long positions = 0;  // positions searched
};

// Takes the words of one length, a time limit in seconds and when the time
// began (before the words were taken apart, say; now unless given); returns
// the fewest wrong letters that win, proven when the search ends in time,
// else the best play and the lower bound reached by then.
Solution solve(const Words &w, double budget_seconds,
               std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now());

// Plays the keys through the engine's own functions exactly as a game does,
// on the words given (one length, each once, in file order). Returns the
// wrong letters of the won game, or -1 when the keys do not win it, or win it
// before the last key.
int replay(const std::vector<std::string> &words, const std::string &keys);

#endif

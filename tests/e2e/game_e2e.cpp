// Whole games: won, lost, the y/z exchange, the candidate display, and the
// word files that hold nothing to play.
#include "e2e_fixture.h"

namespace e2e {
namespace {

class Game : public E2e {};

// Every candidate is four letters long; the engine keeps the family with the
// fewest occurrences of each letter, so e, l, s, t, b play out as:
// e -> _e__, l -> _el_, s wrong, t wrong (bell is left: _ell), b -> bell.
const char BELL_WORDS[] = "sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n";

TEST_F(Game, AWonGameRaisesTheGallowsOnlyForWrongLetters)
{
    ASSERT_TRUE(start_game({{"angol.txt", BELL_WORDS}}));
    ASSERT_TRUE(pick_language(ENGLISH));
    choose(menu_buttons(ENGLISH)[PLAY]);
    ASSERT_TRUE(shows("an empty board of four letters", board("____", 0, "", "")));
    key("e");
    ASSERT_TRUE(shows("e at the second place", board("_#__", 0, "e", "")));
    key("l");
    ASSERT_TRUE(shows("one l revealed", board("_##_", 0, "el", "")));
    key("s");
    ASSERT_TRUE(shows("s wrong, the ground drawn", board("_##_", 1, "el", "s")));
    key("t");
    ASSERT_TRUE(shows("t wrong, the upright drawn, bell's second l filled in",
                      board("_###", 2, "el", "st")));
    key("b");
    ASSERT_TRUE(shows("the end screen of a win", [](const Image &img) {
        return board("####", 2, "elb", "st")(img) && shows_message(img, GOOD) &&
               !shows_message(img, WRONG) && boxes(end_buttons(ENGLISH))(img);
    }));
    snapshot("won");

    choose(end_buttons(ENGLISH)[0]);
    ASSERT_TRUE(shows("the menu again", boxes(menu_buttons(ENGLISH))));
    choose(menu_buttons(ENGLISH)[EXIT]);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Game, TheTenthWrongLetterLosesAndClosingTheEndScreenReturnsToTheMenu)
{
    ASSERT_TRUE(start_game({{"magyar.txt", "fox\n"}}));
    ASSERT_TRUE(pick_language(HUNGARIAN));
    choose(menu_buttons(HUNGARIAN)[PLAY]);
    ASSERT_TRUE(shows("an empty board of three letters", board("___", 0, "", "")));
    keys("abcdeghij");
    ASSERT_TRUE(shows("nine wrong letters", board("___", 9, "", "abcdeghij")));
    keys("bk");  // a repeated letter costs nothing; the tenth new one loses
    ASSERT_TRUE(shows("the end screen of a loss", [](const Image &img) {
        return board("___", 10, "", "abcdeghijk")(img) && shows_message(img, WRONG) &&
               !shows_message(img, GOOD) && boxes(end_buttons(HUNGARIAN))(img);
    }));
    snapshot("lost");

    close_window(window_);
    ASSERT_TRUE(shows("the menu again", boxes(menu_buttons(HUNGARIAN))));
    choose(menu_buttons(HUNGARIAN)[EXIT]);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Game, KeyZGuessesYAndKeyYGuessesZAndClosingMidGameEndsWithStatusZero)
{
    ASSERT_TRUE(start_game({{"angol.txt", "yes\n"}}));
    ASSERT_TRUE(pick_language(ENGLISH));
    choose(menu_buttons(ENGLISH)[PLAY]);
    ASSERT_TRUE(shows("an empty board", board("___", 0, "", "")));
    key("z");
    ASSERT_TRUE(shows("y guessed right", board("#__", 0, "y", "")));
    key("y");
    ASSERT_TRUE(shows("z guessed wrong", board("#__", 1, "y", "z")));
    close_window(window_);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Game, KeypadPlusShowsTheCandidatesAndKeypadMinusHidesThem)
{
    ASSERT_TRUE(start_game({{"angol.txt", BELL_WORDS}}));
    ASSERT_TRUE(shows("the language chooser", boxes(language_buttons())));
    key("KP_Add");
    ASSERT_TRUE(pick_language(ENGLISH));
    choose(menu_buttons(ENGLISH)[PLAY]);
    ASSERT_TRUE(shows("the candidates over an empty board", [](const Image &img) {
        return board("____", 0, "", "")(img) && shows_candidates(img);
    }));
    keys("es");
    ASSERT_TRUE(shows("the candidates after e and s", [](const Image &img) {
        return board("_#__", 1, "e", "s")(img) && shows_candidates(img);
    }));
    snapshot("game");
    keys("ltb");
    ASSERT_TRUE(shows("the end screen, without candidates", [](const Image &img) {
        return shows_message(img, GOOD) && !shows_candidates(img);
    }));
    choose(end_buttons(ENGLISH)[0]);
    ASSERT_TRUE(shows("the menu again", boxes(menu_buttons(ENGLISH))));

    choose(menu_buttons(ENGLISH)[CHOOSE_LANGUAGE]);
    ASSERT_TRUE(shows("the language chooser", boxes(language_buttons())));
    key("KP_Subtract");
    ASSERT_TRUE(pick_language(ENGLISH));
    choose(menu_buttons(ENGLISH)[PLAY]);
    ASSERT_TRUE(shows("an empty board", board("____", 0, "", "")));
    // The board is drawn after the candidates, so once it shows, they would too.
    EXPECT_FALSE(shows_candidates(grab(window_)));
    close_window(window_);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Game, AWordFileWithoutAWordOfThreeToTwentyLettersEndsWithStatusTwo)
{
    // Too short, not letters only (a hyphen, an accented letter), too long.
    const std::vector<std::pair<Language, std::string>> files = {
        {HUNGARIAN, "ab\ncd\nx-ray\nk\xc3\xb6rte\n"},
        {ENGLISH, "abcdefghijklmnopqrstuvwxy\n"}};
    for (const auto &[lang, words] : files) {
        SCOPED_TRACE(words);
        ASSERT_TRUE(start_game({{lang == ENGLISH ? "angol.txt" : "magyar.txt", words}}));
        ASSERT_TRUE(pick_language(lang));
        choose(menu_buttons(lang)[PLAY]);
        EXPECT_TRUE(exits_with(2));
    }
}

}  // namespace
}  // namespace e2e

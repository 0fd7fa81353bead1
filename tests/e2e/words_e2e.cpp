// The add-word screen and the word file it rewrites.
#include <sstream>

#include "e2e_fixture.h"

namespace e2e {
namespace {

class Words : public E2e {};

std::vector<std::string> tokens_of(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

TEST_F(Words, AWordAddedInHungarianGoesInSortedPlaceAndAccentedWordsSurvive)
{
    const std::string korte = "k\xc3\xb6rte";  // "körte" in UTF-8
    ASSERT_TRUE(start_game({{"magyar.txt", "alma\n" + korte + "\nszilva\n"},
                            {"angol.txt", "apple\n"}}));
    ASSERT_TRUE(pick_language(HUNGARIAN));
    choose(menu_buttons(HUNGARIAN)[ADD_WORD]);
    ASSERT_TRUE(shows("the add-word screen with an empty line", [](const Image &img) {
        return boxes(add_word_buttons(HUNGARIAN))(img) && boxes({input_line("")})(img);
    }));
    keys("barackx");
    key("BackSpace");
    // The line's box grows with each letter, so its edge tells six from seven.
    ASSERT_TRUE(shows("\"barack\" typed", [](const Image &img) {
        return boxes(add_word_buttons(HUNGARIAN))(img) && boxes({input_line("barack")})(img);
    }));
    snapshot("add-word");

    choose(add_word_buttons(HUNGARIAN)[0]);
    ASSERT_TRUE(shows("the menu again", boxes(menu_buttons(HUNGARIAN))));
    choose(menu_buttons(HUNGARIAN)[EXIT]);
    ASSERT_TRUE(exits_with(0));

    std::vector<std::string> playable, others;
    for (const auto &t : tokens_of(file("magyar.txt")))
        (t.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos ? playable : others)
            .push_back(t);
    EXPECT_EQ((std::vector<std::string>{"alma", "barack", "szilva"}), playable);
    EXPECT_EQ(std::vector<std::string>{korte}, others);
    EXPECT_EQ("apple\n", file("angol.txt"));
}

}  // namespace
}  // namespace e2e

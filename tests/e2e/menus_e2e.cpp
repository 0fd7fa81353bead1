// The language chooser and the main menu, driven with the mouse.
#include <sys/stat.h>

#include "e2e_fixture.h"

namespace e2e {
namespace {

class Menus : public E2e {};

TEST_F(Menus, PressMarksReleaseDecidesAndBothLanguagesShowTheirMenu)
{
    ASSERT_TRUE(start_game({}));
    ASSERT_TRUE(shows("the language chooser", boxes(language_buttons())));
    Image first = grab(window_);
    EXPECT_EQ(800, first.width);
    EXPECT_EQ(480, first.height);
    snapshot("language");

    const Caption magyar = language_buttons()[0], english = language_buttons()[1];
    press(window_, centre_x(magyar), centre_y(magyar));
    ASSERT_TRUE(shows("\"Magyar\" pressed", [=](const Image &img) {
        return boxes({magyar}, PRESSED)(img) && boxes({english})(img);
    }));
    release(window_, 600, 420);
    ASSERT_TRUE(shows("the chooser unmarked after a release on no button",
                      boxes(language_buttons())));

    // The release alone decides: pressed on "Magyar", released on "English".
    press(window_, centre_x(magyar), centre_y(magyar));
    release(window_, centre_x(english), centre_y(english));
    ASSERT_TRUE(shows("the English menu", boxes(menu_buttons(ENGLISH))));
    snapshot("menu-en");

    choose(menu_buttons(ENGLISH)[CHOOSE_LANGUAGE]);
    ASSERT_TRUE(shows("the language chooser, unmarked", boxes(language_buttons())));
    choose(magyar);
    ASSERT_TRUE(shows("the Hungarian menu", boxes(menu_buttons(HUNGARIAN))));
    snapshot("menu-hu");

    choose(menu_buttons(HUNGARIAN)[EXIT]);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Menus, ClosingTheWindowOnTheChooserOrTheMenuEndsWithStatusZero)
{
    ASSERT_TRUE(start_game({}));
    ASSERT_TRUE(shows("the language chooser", boxes(language_buttons())));
    close_window(window_);
    EXPECT_TRUE(exits_with(0));

    ASSERT_TRUE(start_game({}));
    ASSERT_TRUE(pick_language(HUNGARIAN));
    close_window(window_);
    EXPECT_TRUE(exits_with(0));
}

// A display number that no server on this machine uses.
std::string absent_display()
{
    struct stat st;
    for (int n = 4000;; ++n) {
        std::string num = std::to_string(n);
        if (stat(("/tmp/.X11-unix/X" + num).c_str(), &st) != 0 &&
            stat(("/tmp/.X" + num + "-lock").c_str(), &st) != 0)
            return ":" + num;
    }
}

TEST(Startup, WithoutADisplayTheGameEndsWithStatusOneAndItsMessage)
{
    Output o = run({HANGMAN_BINARY},
                   {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", absent_display()}});
    EXPECT_EQ(1, o.status);
    EXPECT_EQ("Nem sikerult megnyitni az ablakot!\n", o.err);
}

}  // namespace
}  // namespace e2e

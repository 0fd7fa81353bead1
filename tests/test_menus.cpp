// The language chooser and the main menu, driven by scripted events, and the
// program's start-up failure.
#include <cstring>
#include <sys/wait.h>

#include "menus.h"
#include "screens.h"
#include "test_util.h"
#include "widgets.h"

namespace {

// Inside the chooser's faces, left of the captions, where no glyph reaches.
const int MAGYAR_FACE_X = 35, MAGYAR_FACE_Y = 200, ENGLISH_FACE_X = 35, ENGLISH_FACE_Y = 300;
// Points inside each button, whatever the language.
const int MAGYAR_X = 100, MAGYAR_Y = 190, ENGLISH_X = 100, ENGLISH_Y = 290;
const int MENU_X = 60, MENU_ROW_Y[] = {90, 190, 290, 390};

class Menus : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = open_test_screen();
        ASSERT_NE(screen, nullptr);
        drain_events();
        cheat = 0;
    }
    void TearDown() override { drain_events(); }
    Rgb magyar_face() { return pixel(screen, MAGYAR_FACE_X, MAGYAR_FACE_Y); }

    TempDir dir;
    SDL_Surface *screen = nullptr;
    SDL_Event ev;
};

TEST_F(Menus, ChooserPressMarksAndReleaseDecides)
{
    int lang = 0;
    // A release outside every button clears the marks and stays.
    push_mouse(SDL_MOUSEBUTTONDOWN, MAGYAR_X, MAGYAR_Y);
    push_mouse(SDL_MOUSEBUTTONUP, 600, 50);
    push_mouse(SDL_MOUSEBUTTONUP, ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(lang, 2);
    EXPECT_EQ(magyar_face(), rgb_of(FACE_COLOUR));

    // Press on "Magyar", release on "English": the press alone marked "Magyar".
    lang = 1;
    push_mouse(SDL_MOUSEBUTTONDOWN, MAGYAR_X, MAGYAR_Y);
    push_mouse(SDL_MOUSEBUTTONUP, ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(lang, 2);
    EXPECT_EQ(magyar_face(), rgb_of(PRESSED_FACE_COLOUR));
    EXPECT_EQ(pixel(screen, ENGLISH_FACE_X, ENGLISH_FACE_Y), rgb_of(FACE_COLOUR));  // release not drawn

    // The next visit starts without the marks of the last.
    push_mouse(SDL_MOUSEBUTTONUP, ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(magyar_face(), rgb_of(FACE_COLOUR));
    EXPECT_EQ(pixel(screen, 700, 450), rgb_of(BACKGROUND_COLOUR));
}

TEST_F(Menus, AWheelStepChooses)
{
    int lang = 2;
    push_mouse(SDL_MOUSEBUTTONDOWN, MAGYAR_X, MAGYAR_Y, SDL_BUTTON_WHEELDOWN);
    push_mouse(SDL_MOUSEBUTTONUP, MAGYAR_X, MAGYAR_Y, SDL_BUTTON_WHEELDOWN);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 1);
    EXPECT_EQ(lang, 1);

    push_mouse(SDL_MOUSEBUTTONDOWN, MENU_X, MENU_ROW_Y[3], SDL_BUTTON_WHEELUP);
    push_mouse(SDL_MOUSEBUTTONUP, MENU_X, MENU_ROW_Y[3], SDL_BUTTON_WHEELUP);
    EXPECT_EQ(mainmenu(1, screen, &ev), 4);
}

// Only the keypad's plus and minus switch, and only on the chooser.
TEST_F(Menus, KeypadPlusAndMinusSwitchTheCandidateDisplayOnTheChooserOnly)
{
    const struct {
        SDLKey key;
        bool on_menu;
        int cheat_after;
    } steps[] = {{SDLK_KP_PLUS, false, 1}, {SDLK_MINUS, false, 1}, {SDLK_KP_MINUS, false, 0},
                 {SDLK_PLUS, false, 0}, {SDLK_KP_PLUS, true, 0}};
    int lang = 0;
    for (const auto &s : steps) {
        SCOPED_TRACE(s.key);
        push_key(s.key);
        push_click(MENU_X, MENU_ROW_Y[2]);  // inside "English" and the menu's third entry
        EXPECT_EQ(s.on_menu ? mainmenu(1, screen, &ev) : languageselect(&lang, screen, &ev), s.on_menu ? 3 : 2);
        EXPECT_EQ(cheat, s.cheat_after);
    }
}

// English captions for code 2, Hungarian ones for any other; each entry
// returns its number.
TEST_F(Menus, MainMenuCaptionsAndEntries)
{
    const char *const hungarian[] = {"Jatek inditasa", "Sajat szo hozzaadasa", "Nyelvvalasztas", "Kilepes"};
    const char *const english[] = {"Play game", "Add your own word", "Choose language", "Exit"};
    const int codes[] = {2, 1, 0, 7};
    for (int entry = 1; entry <= 4; ++entry) {
        const int code = codes[entry - 1];
        SCOPED_TRACE(code);
        push_click(MENU_X, MENU_ROW_Y[entry - 1]);
        ASSERT_EQ(mainmenu(code, screen, &ev), entry);
        const char *const *captions = code == 2 ? english : hungarian;
        for (int row = 0; row < 4; ++row) {
            int top = 50 + 100 * row;
            EXPECT_EQ(right_edge_over(screen, top + 1, rgb_of(BACKGROUND_COLOUR)),
                      box_geometry(40, top, 70, (int)strlen(captions[row])).right)
                << captions[row];
        }
    }
}

using MenusDeathTest = Menus;

TEST_F(MenusDeathTest, ClosingTheWindowExitsWithStatusZero)
{
    int lang = 0;
    EXPECT_EXIT({
        push_quit();
        languageselect(&lang, screen, &ev);
    }, ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT({
        push_mouse(SDL_MOUSEBUTTONDOWN, MENU_X, MENU_ROW_Y[0]);
        push_quit();
        mainmenu(1, screen, &ev);
    }, ::testing::ExitedWithCode(0), "");
}

TEST(StartUp, WithoutAWindowTheProgramSaysSoAndExitsOne)
{
    TempDir dir;
    std::string cmd = std::string("SDL_VIDEODRIVER=x11 DISPLAY=:9999 '") + HANGMAN_BINARY +
                      "' >/dev/null 2>stderr.txt";
    int status = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(read_file("stderr.txt"), "Nem sikerult megnyitni az ablakot!\n");
}

}  // namespace

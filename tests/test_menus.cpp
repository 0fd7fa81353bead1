// The language chooser and the main menu, driven by scripted events, and the
// program's start-up failure.
#include <cstring>
#include <sys/wait.h>

#include "menus.h"
#include "screens.h"
#include "test_util.h"
#include "widgets.h"

namespace {

const Rgb BACKGROUND = {3, 37, 54};
const Rgb FACE = {17, 60, 81};
const Rgb PRESSED = {110, 146, 161};

// Inside the chooser's faces, left of the captions, where no glyph reaches.
const int MAGYAR_FACE_X = 35, MAGYAR_FACE_Y = 200;
const int ENGLISH_FACE_X = 35, ENGLISH_FACE_Y = 300;
// Points inside each button, whatever the language.
const int MAGYAR_X = 100, MAGYAR_Y = 190, ENGLISH_X = 100, ENGLISH_Y = 290;
const int MENU_X = 60, MENU_ROW_Y[] = {90, 190, 290, 390};

// The last pixel of row y that is not background, -1 when there is none.
int painted_right_edge(SDL_Surface *s, int y)
{
    for (int x = s->w - 1; x >= 0; --x)
        if (pixel(s, x, y) != BACKGROUND) return x;
    return -1;
}

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

    TempDir dir;
    SDL_Surface *screen = nullptr;
    SDL_Event ev;
};

TEST_F(Menus, ReleaseOutsideEveryButtonClearsTheMarksAndStays)
{
    int lang = 0;
    push_mouse(SDL_MOUSEBUTTONDOWN, MAGYAR_X, MAGYAR_Y);
    push_mouse(SDL_MOUSEBUTTONUP, 600, 50);
    push_mouse(SDL_MOUSEBUTTONUP, ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(lang, 2);
    EXPECT_EQ(pixel(screen, MAGYAR_FACE_X, MAGYAR_FACE_Y), FACE);
}

TEST_F(Menus, PressOnMagyarAndReleaseOnEnglishChoosesEnglish)
{
    int lang = 1;
    push_mouse(SDL_MOUSEBUTTONDOWN, MAGYAR_X, MAGYAR_Y);
    push_mouse(SDL_MOUSEBUTTONUP, ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(lang, 2);
    // The press alone marked "Magyar"; only a release outside takes it back.
    EXPECT_EQ(pixel(screen, MAGYAR_FACE_X, MAGYAR_FACE_Y), PRESSED);
}

TEST_F(Menus, EveryVisitStartsWithoutTheMarksOfTheLast)
{
    int lang = 0;
    push_click(ENGLISH_X, ENGLISH_Y);
    ASSERT_EQ(languageselect(&lang, screen, &ev), 2);
    push_mouse(SDL_MOUSEBUTTONUP, MAGYAR_X, MAGYAR_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 1);
    EXPECT_EQ(lang, 1);
    EXPECT_EQ(pixel(screen, ENGLISH_FACE_X, ENGLISH_FACE_Y), FACE);
    EXPECT_EQ(pixel(screen, 700, 450), BACKGROUND);
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

TEST_F(Menus, KeypadPlusAndMinusSwitchTheCandidateDisplayOnTheChooserOnly)
{
    int lang = 0;
    push_key(SDLK_KP_PLUS);
    push_click(ENGLISH_X, ENGLISH_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 2);
    EXPECT_EQ(cheat, 1);

    push_key(SDLK_a);
    push_key(SDLK_MINUS);  // the main keyboard's minus is not the keypad's
    push_click(MAGYAR_X, MAGYAR_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 1);
    EXPECT_EQ(cheat, 1);

    push_key(SDLK_KP_MINUS);
    push_click(MAGYAR_X, MAGYAR_Y);
    EXPECT_EQ(languageselect(&lang, screen, &ev), 1);
    EXPECT_EQ(cheat, 0);

    push_key(SDLK_KP_PLUS);
    push_click(MENU_X, MENU_ROW_Y[3]);
    EXPECT_EQ(mainmenu(1, screen, &ev), 4);
    EXPECT_EQ(cheat, 0);
}

TEST_F(Menus, EachMenuEntryReturnsItsNumber)
{
    for (int entry = 1; entry <= 4; ++entry) {
        push_click(MENU_X, MENU_ROW_Y[entry - 1]);
        EXPECT_EQ(mainmenu(2, screen, &ev), entry);
    }
}

TEST_F(Menus, MainMenuIsEnglishForCodeTwoAndHungarianForAnyOther)
{
    const char *const hungarian[] = {"Jatek inditasa", "Sajat szo hozzaadasa", "Nyelvvalasztas",
                                     "Kilepes"};
    const char *const english[] = {"Play game", "Add your own word", "Choose language", "Exit"};
    for (int code : {2, 1, 0, 7}) {
        SCOPED_TRACE(code);
        push_click(MENU_X, MENU_ROW_Y[3]);
        ASSERT_EQ(mainmenu(code, screen, &ev), 4);
        const char *const *captions = code == 2 ? english : hungarian;
        for (int row = 0; row < 4; ++row) {
            int top = 50 + 100 * row;
            int expected = box_geometry(40, top, 70, (int)strlen(captions[row])).right;
            EXPECT_EQ(painted_right_edge(screen, top + 1), expected) << captions[row];
        }
    }
}

using MenusDeathTest = Menus;

TEST_F(MenusDeathTest, ClosingTheWindowExitsWithStatusZero)
{
    int lang = 0;
    EXPECT_EXIT(
        {
            push_quit();
            languageselect(&lang, screen, &ev);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            push_mouse(SDL_MOUSEBUTTONDOWN, MENU_X, MENU_ROW_Y[0]);
            push_quit();
            mainmenu(1, screen, &ev);
        },
        ::testing::ExitedWithCode(0), "");
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

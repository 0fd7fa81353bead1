// The add-word screen, driven by scripted events against real word files in a
// temporary folder.
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

#include "screens.h"
#include "test_util.h"
#include "widgets.h"

namespace {

// Points inside the two buttons, whatever the language.
const int BUTTON_X = 100, SAVE_Y = 300, BACK_Y = 400;
// Inside the save face, left of its caption, where no glyph reaches.
const int SAVE_FACE_X = 35, SAVE_FACE_Y = 330;

void push_save() { push_click(BUTTON_X, SAVE_Y); }
void push_back() { push_click(BUTTON_X, BACK_Y); }
// Keys that stand for no letter and must leave the line as it is.
void push_no_letters()
{
    for (SDLKey sym : {SDLK_KP_ENTER, SDLK_KP_PLUS, SDLK_LSHIFT, SDLK_UP}) push_key(sym);
}

class AddWord : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = open_test_screen();
        ASSERT_NE(screen, nullptr);
        drain_events();
    }
    void TearDown() override { drain_events(); }

    // Types the keys (ASCII key codes: '\b' is backspace, '\r' Return), then
    // releases on the given button of the screen of lang.
    void run(int lang, const char *keys, void (*leave)())
    {
        push_keys(keys);
        leave();
        szo_hozzaad(lang, screen, &ev);
    }
    Rgb at(int x, int y) { return pixel(screen, x, y); }

    TempDir dir;
    SDL_Surface *screen = nullptr;
    SDL_Event ev;
};

TEST_F(AddWord, SaveInsertsTheTypedLineInSortedPlace)
{
    const char *const cases[][2] = {
        {"barack", "alma\nbarack\nkorte\n"},
        {"yz", "alma\nkorte\nzy\n"},  // the keys y and z are exchanged
        {"bcdefghijklmnopqrstuvw\bx", "alma\nbcdefghijklmnopqrstx\nkorte\n"},  // 20 letters at most
        {"\b\bab\bc", "ac\nalma\nkorte\n"},
        {"k1 \r\x7fo", "alma\nko\nkorte\n"},
        {"korte", "alma\nkorte\nkorte\n"},
        {"", "\nalma\nkorte\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        write_file("magyar.txt", "alma\nkorte\n");
        push_no_letters();
        run(1, c[0], push_save);
        EXPECT_EQ(read_file("magyar.txt"), c[1]);
    }
    // The empty first line is skipped by the next load.
    Lista *lis = Lista_epit_fajlbol("magyar.txt");
    EXPECT_EQ(words_of(lis), (std::vector<std::string>{"alma", "korte"}));
    Lista_felszab(lis);
}

TEST_F(AddWord, OnlyTheSaveButtonSaves)
{
    write_file("magyar.txt", "alma\n");
    push_no_letters();
    run(1, "szilva\r", push_back);
    EXPECT_EQ(read_file("magyar.txt"), "alma\n");
}

TEST_F(AddWord, BackRewritesTheFileUnchanged)
{
    const std::string words = "alma\nbarack\nkorte\nzab\n";
    write_file("magyar.txt", words);
    run(1, "szilva", push_back);
    EXPECT_EQ(read_file("magyar.txt"), words);

    // Back writes too, so the file comes back in the loader's lower case.
    write_file("magyar.txt", "Alma korte");
    run(1, "", push_back);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
}

// The words the loader skips follow the list's words, in their file order.
TEST_F(AddWord, WordsTheLoaderSkipsSurviveSaveAndBack)
{
    const std::string words = "alma\nk\xc3\xb6rte\nx-ray\nszilva\n";
    write_file("magyar.txt", words);
    run(1, "", push_back);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nszilva\nk\xc3\xb6rte\nx-ray\n");

    write_file("magyar.txt", words);
    run(1, "barack", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nbarack\nszilva\nk\xc3\xb6rte\nx-ray\n");
}

// A press on Save released outside saves nothing and clears the mark; released
// on Back it acts as Back.
TEST_F(AddWord, PressOnSaveThenReleaseElsewhere)
{
    for (bool outside : {true, false}) {
        SCOPED_TRACE(outside ? "outside" : "on Back");
        write_file("magyar.txt", "alma\nkorte\n");
        push_keys("barack");
        push_mouse(SDL_MOUSEBUTTONDOWN, BUTTON_X, SAVE_Y);
        push_mouse(SDL_MOUSEBUTTONUP, outside ? 600 : BUTTON_X, outside ? 50 : BACK_Y);
        if (outside) push_back();
        szo_hozzaad(1, screen, &ev);
        EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
        EXPECT_EQ(at(SAVE_FACE_X, SAVE_FACE_Y), rgb_of(outside ? FACE_COLOUR : PRESSED_FACE_COLOUR));
    }
}

TEST_F(AddWord, TheInputLineIsDrawnEvenWhenEmptyAndRedrawnAfterEachKey)
{
    write_file("magyar.txt", "alma\n");
    // An empty line still has its box, 12 pixels wide at size 70.
    run(1, "", push_back);
    EXPECT_EQ(at(40, 160), rgb_of(FACE_COLOUR));
    EXPECT_EQ(at(70, 122), rgb_of(BACKGROUND_COLOUR));
    run(1, "m", push_back);
    EXPECT_EQ(at(70, 122), rgb_of(FACE_COLOUR));
    run(1, "m\b", push_back);
    EXPECT_EQ(at(70, 122), rgb_of(BACKGROUND_COLOUR));
    EXPECT_EQ(at(40, 160), rgb_of(FACE_COLOUR));
}

// English captions and "angol.txt" for code 2, Hungarian ones and
// "magyar.txt" only for code 1.
TEST_F(AddWord, CaptionsAndWordFileFollowTheLanguageCode)
{
    for (int code : {1, 2, 3}) {
        SCOPED_TRACE(code);
        write_file("magyar.txt", "alma\n");
        write_file("angol.txt", "apple\n");
        run(code, "fig", push_save);
        EXPECT_EQ(read_file("magyar.txt"), code == 1 ? "alma\nfig\n" : "alma\n");
        EXPECT_EQ(read_file("angol.txt"), code == 1 ? "apple\n" : "apple\nfig\n");
        const char *save = code == 2 ? "Save" : "Mentes";
        const char *back = code == 2 ? "Back" : "Vissza";
        const Rgb bg = rgb_of(BACKGROUND_COLOUR);
        EXPECT_EQ(right_edge_over(screen, 261, bg), box_geometry(40, 260, 70, (int)strlen(save)).right);
        EXPECT_EQ(right_edge_over(screen, 361, bg), box_geometry(40, 360, 70, (int)strlen(back)).right);
    }
    // A missing file is created with the saved word.
    ASSERT_EQ(remove("angol.txt"), 0);
    run(2, "fig", push_save);
    EXPECT_EQ(read_file("angol.txt"), "fig\n");
}

TEST_F(AddWord, AFullDiskKeepsTheOldFile)
{
    std::string words;
    for (int i = 0; i < 100; ++i) words += "szilva\n";
    write_file("magyar.txt", words);

    // A file size limit fails the write the way a full disk does, even for root.
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    run(1, "barack", push_save);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(read_file("magyar.txt"), words);
}

TEST_F(AddWord, AReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string words = "alma\nkorte\n";
    write_file("magyar.txt", words);
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    run(1, "barack", push_save);
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(read_file("magyar.txt"), words);
}

using AddWordDeathTest = AddWord;

TEST_F(AddWordDeathTest, ClosingTheWindowExitsZeroAndLeavesTheFile)
{
    write_file("magyar.txt", "alma\nkorte\n");
    EXPECT_EXIT({
        push_keys("barack");
        push_mouse(SDL_MOUSEBUTTONDOWN, BUTTON_X, SAVE_Y);
        push_quit();
        szo_hozzaad(1, screen, &ev);
    }, ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
}

}  // namespace

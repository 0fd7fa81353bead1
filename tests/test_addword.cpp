// The add-word screen, driven by scripted events against real word files in a
// temporary folder.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "screens.h"
#include "test_util.h"
#include "widgets.h"

namespace {

const Rgb BACKGROUND = {3, 37, 54};
const Rgb FACE = {17, 60, 81};
const Rgb PRESSED = {110, 146, 161};

// Points inside the two buttons, whatever the language.
const int BUTTON_X = 100, SAVE_Y = 300, BACK_Y = 400;
// Inside the save face, left of its caption, where no glyph reaches.
const int SAVE_FACE_X = 35, SAVE_FACE_Y = 330;

void push_save() { push_click(BUTTON_X, SAVE_Y); }
void push_back() { push_click(BUTTON_X, BACK_Y); }

int painted_right_edge(SDL_Surface *s, int y)
{
    for (int x = s->w - 1; x >= 0; --x)
        if (pixel(s, x, y) != BACKGROUND) return x;
    return -1;
}

std::vector<std::string> sorted_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> folder_entries()
{
    std::vector<std::string> names;
    DIR *d = opendir(".");
    if (!d) return names;
    while (dirent *e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
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

    // Types the keys, then releases on the given button of the screen of lang.
    void run(int lang, const char *keys, void (*leave)())
    {
        push_keys(keys);
        leave();
        szo_hozzaad(lang, screen, &ev);
    }

    TempDir dir;
    SDL_Surface *screen = nullptr;
    SDL_Event ev;
};

TEST_F(AddWord, SaveInsertsTheTypedWordInSortedPlace)
{
    write_file("magyar.txt", "alma\nkorte\n");
    run(1, "barack", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nbarack\nkorte\n");
}

TEST_F(AddWord, KeyYTypesZAndKeyZTypesY)
{
    write_file("magyar.txt", "alma\nkorte\n");
    run(1, "yz", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\nzy\n");
}

TEST_F(AddWord, TheLineHoldsTwentyLettersAndBackspaceMakesRoom)
{
    write_file("magyar.txt", "alma\n");
    push_keys("bcdefghijklmnopqrstuvw");  // 22 letters, the last two ignored
    push_key(SDLK_BACKSPACE);
    run(1, "x", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nbcdefghijklmnopqrstx\n");
}

TEST_F(AddWord, BackspaceOnAnEmptyLineDoesNothing)
{
    write_file("magyar.txt", "alma\n");
    push_key(SDLK_BACKSPACE);
    push_key(SDLK_BACKSPACE);
    push_keys("ab");
    push_key(SDLK_BACKSPACE);
    run(1, "c", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "ac\nalma\n");
}

TEST_F(AddWord, KeysOtherThanLettersAndBackspaceChangeNothing)
{
    write_file("magyar.txt", "alma\n");
    push_keys("k1 ");
    for (SDLKey sym : {SDLK_RETURN, SDLK_KP_ENTER, SDLK_KP_PLUS, SDLK_LSHIFT, SDLK_DELETE})
        push_key(sym);
    run(1, "o", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nko\n");

    // Return does not save: only the save button does.
    push_keys("szilva");
    push_key(SDLK_RETURN);
    run(1, "", push_back);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nko\n");
}

TEST_F(AddWord, BackLeavesALowerCaseOneWordALineFileByteForByte)
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

TEST_F(AddWord, SavingAWordAlreadyThereAddsItASecondTime)
{
    write_file("magyar.txt", "alma\nkorte\n");
    run(1, "korte", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\nkorte\n");
}

TEST_F(AddWord, SavingAnEmptyLineWritesAnEmptyFirstLineThatLoadingSkips)
{
    write_file("magyar.txt", "alma\nkorte\n");
    run(1, "", push_save);
    EXPECT_EQ(read_file("magyar.txt"), "\nalma\nkorte\n");
    Lista *lis = Lista_epit_fajlbol("magyar.txt");
    EXPECT_EQ(words_of(lis), (std::vector<std::string>{"alma", "korte"}));
    Lista_felszab(lis);
}

TEST_F(AddWord, WordsTheLoaderSkipsSurviveSaveAndBack)
{
    const std::string words = "alma\nk\xc3\xb6rte\nx-ray\nszilva\n";
    write_file("magyar.txt", words);
    run(1, "", push_back);
    EXPECT_EQ(sorted_lines(read_file("magyar.txt")), sorted_lines(words));

    write_file("magyar.txt", words);
    run(1, "barack", push_save);
    EXPECT_EQ(sorted_lines(read_file("magyar.txt")), sorted_lines(words + "barack\n"));
    Lista *lis = Lista_epit_fajlbol("magyar.txt");
    EXPECT_EQ(words_of(lis), (std::vector<std::string>{"alma", "barack", "szilva"}));
    Lista_felszab(lis);
}

TEST_F(AddWord, PressOnSaveAndReleaseOutsideSavesNothingAndClearsTheMark)
{
    write_file("magyar.txt", "alma\nkorte\n");
    push_keys("barack");
    push_mouse(SDL_MOUSEBUTTONDOWN, BUTTON_X, SAVE_Y);
    push_mouse(SDL_MOUSEBUTTONUP, 600, 50);
    run(1, "", push_back);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
    EXPECT_EQ(pixel(screen, SAVE_FACE_X, SAVE_FACE_Y), FACE);
}

TEST_F(AddWord, PressOnSaveAndReleaseOnBackActsAsBack)
{
    write_file("magyar.txt", "alma\nkorte\n");
    push_keys("barack");
    push_mouse(SDL_MOUSEBUTTONDOWN, BUTTON_X, SAVE_Y);
    push_mouse(SDL_MOUSEBUTTONUP, BUTTON_X, BACK_Y);
    szo_hozzaad(1, screen, &ev);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
    EXPECT_EQ(pixel(screen, SAVE_FACE_X, SAVE_FACE_Y), PRESSED);
}

TEST_F(AddWord, TheInputLineIsDrawnEvenWhenEmptyAndRedrawnAfterEachKey)
{
    write_file("magyar.txt", "alma\n");
    // An empty line still has its box, 12 pixels wide at size 70.
    run(1, "", push_back);
    EXPECT_EQ(pixel(screen, 40, 160), FACE);
    EXPECT_EQ(pixel(screen, 70, 122), BACKGROUND);

    run(1, "m", push_back);
    EXPECT_EQ(pixel(screen, 70, 122), FACE);

    push_keys("m");
    push_key(SDLK_BACKSPACE);
    run(1, "", push_back);
    EXPECT_EQ(pixel(screen, 70, 122), BACKGROUND);
    EXPECT_EQ(pixel(screen, 40, 160), FACE);
}

TEST_F(AddWord, CaptionsAreEnglishForCodeTwoAndHungarianOtherwise)
{
    for (int code : {2, 1, 3}) {
        SCOPED_TRACE(code);
        run(code, "", push_back);
        const char *save = code == 2 ? "Save" : "Mentes";
        const char *back = code == 2 ? "Back" : "Vissza";
        EXPECT_EQ(painted_right_edge(screen, 261), box_geometry(40, 260, 70, (int)strlen(save)).right);
        EXPECT_EQ(painted_right_edge(screen, 361), box_geometry(40, 360, 70, (int)strlen(back)).right);
    }
}

TEST_F(AddWord, TheWordFileIsMagyarOnlyForCodeOne)
{
    for (int code : {1, 2, 3}) {
        SCOPED_TRACE(code);
        write_file("magyar.txt", "alma\n");
        write_file("angol.txt", "apple\n");
        run(code, "fig", push_save);
        EXPECT_EQ(read_file("magyar.txt"), code == 1 ? "alma\nfig\n" : "alma\n");
        EXPECT_EQ(read_file("angol.txt"), code == 1 ? "apple\n" : "apple\nfig\n");
    }
}

TEST_F(AddWord, AMissingFileIsCreatedWithTheSavedWord)
{
    run(2, "fig", push_save);
    EXPECT_EQ(read_file("angol.txt"), "fig\n");
}

TEST_F(AddWord, AReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    write_file("magyar.txt", "alma\nkorte\n");
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    run(1, "barack", push_save);
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
}

TEST_F(AddWord, AWordFileThatIsAFolderStaysAsItIs)
{
    ASSERT_EQ(mkdir("magyar.txt", 0755), 0);
    const auto before = folder_entries();
    run(1, "barack", push_save);
    struct stat st;
    ASSERT_EQ(stat("magyar.txt", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(folder_entries(), before);
}

TEST_F(AddWord, AFullDiskKeepsTheOldFile)
{
    std::string words;
    for (int i = 0; i < 100; ++i) words += "szilva\n";
    write_file("magyar.txt", words);
    const auto before = folder_entries();

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
    EXPECT_EQ(folder_entries(), before);
}

using AddWordDeathTest = AddWord;

TEST_F(AddWordDeathTest, ClosingTheWindowExitsZeroAndLeavesTheFile)
{
    write_file("magyar.txt", "alma\nkorte\n");
    EXPECT_EXIT(
        {
            push_keys("barack");
            push_mouse(SDL_MOUSEBUTTONDOWN, BUTTON_X, SAVE_Y);
            push_quit();
            szo_hozzaad(1, screen, &ev);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file("magyar.txt"), "alma\nkorte\n");
}

}  // namespace

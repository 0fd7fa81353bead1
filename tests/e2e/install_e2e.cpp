// The installed game: cmake --install into a temporary prefix, then the
// launcher as a player starts it, with a home folder of its own.
#include <sys/stat.h>

#include "e2e_fixture.h"

namespace e2e {
namespace {

class Install : public E2e {};

bool is_executable(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

TEST_F(Install, TheLauncherMakesThePlayersFolderOnceAndKeepsTheirWordFiles)
{
    TempFolder root;
    const std::string prefix = root / "prefix", home = root / "home";
    Output installed = run({HANGMAN_CMAKE, "--install", HANGMAN_BUILD_DIR, "--prefix", prefix}, {}, 60);
    ASSERT_EQ(0, installed.status) << installed.out << installed.err;

    const std::string launcher = prefix + "/bin/hangman";
    ASSERT_TRUE(is_executable(launcher));
    std::string entry = read_file(prefix + "/share/applications/hangman.desktop");
    EXPECT_NE(std::string::npos, entry.find("[Desktop Entry]"));
    EXPECT_NE(std::string::npos, entry.find("\nExec=" + launcher + "\n")) << entry;

    // First start, with the data folder left to its default under HOME.
    ASSERT_TRUE(start({launcher}, {{"HOME", home}, {"XDG_DATA_HOME", std::nullopt}}, root.path()));
    ASSERT_TRUE(shows("the language chooser, captions drawn", boxes(language_buttons())));
    close_window(window_);
    ASSERT_TRUE(exits_with(0));
    const std::string play = home + "/.local/share/hangman";
    for (const char *name : {"angol.txt", "magyar.txt"})
        EXPECT_EQ(read_file(std::string(HANGMAN_BUILD_DIR "/data/") + name), read_file(play + "/" + name))
            << name;
    EXPECT_EQ(read_file(HANGMAN_FONT_PATH), read_file(play + "/Inconsolata.otf"));

    // Second start, the same folder named through XDG_DATA_HOME: the edited
    // word file is kept, and it is the one the game plays.
    write_file(play + "/angol.txt", "custom\n");
    ASSERT_TRUE(start({launcher}, {{"HOME", home}, {"XDG_DATA_HOME", home + "/.local/share"}},
                      root.path()));
    ASSERT_TRUE(pick_language(ENGLISH));
    choose(menu_buttons(ENGLISH)[PLAY]);
    ASSERT_TRUE(shows("a board of six letters", board("______", 0, "", "")));
    close_window(window_);
    ASSERT_TRUE(exits_with(0));
    EXPECT_EQ("custom\n", read_file(play + "/angol.txt"));
}

}  // namespace
}  // namespace e2e

// The fixture of the end-to-end tests: one Xvfb server per test suite, and
// the game (or its launcher) running on it in a working folder of its own.
#ifndef E2E_FIXTURE_H
#define E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game_view.h"
#include "x_harness.h"

namespace e2e {

class E2e : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // The server's display name; throws when the server did not start.
    static const std::string &display();

    // Starts the game binary in a fresh working folder holding the font and
    // the given files (name, content), and waits for its window.
    ::testing::AssertionResult start_game(const std::map<std::string, std::string> &files);
    // Starts argv with the given environment changes (the display is set) in
    // folder cwd, and waits for the game's window.
    ::testing::AssertionResult start(const std::vector<std::string> &argv,
                                     EnvChanges env, const std::string &cwd);

    // Polls the window until check holds, at most seconds long; fails when
    // the time runs out or the game ends first.
    ::testing::AssertionResult shows(const std::string &what, const Check &check,
                                     double seconds = 10);
    // Waits at most seconds for the game to end, and checks its exit status.
    ::testing::AssertionResult exits_with(int status, double seconds = 10);

    // Presses and releases the mouse in the middle of a button.
    void choose(const Caption &button);
    void key(const std::string &keysym);
    // Presses each letter of letters in turn.
    void keys(const std::string &letters);
    // From the language chooser to the main menu of lang.
    ::testing::AssertionResult pick_language(Language lang);
    // Keeps the window's picture as name.xwd when HANGMAN_SCREENSHOTS names a
    // folder; scripts/screenshots.sh makes the README's pictures this way.
    void snapshot(const std::string &name);
    // The content of a file in the game's working folder.
    std::string file(const std::string &name) const;

    Window window_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<Process> game_;

private:
    static std::unique_ptr<XServer> server_;
};

// The board of a game in progress: the pattern's shape ('#' shown, '_'
// hidden), the gallows stage, and the letters marked good and wrong on the
// letter board, every other letter being marked neither.
Check board(const std::string &shape, int stage, const std::string &good,
            const std::string &wrong);

}  // namespace e2e

#endif

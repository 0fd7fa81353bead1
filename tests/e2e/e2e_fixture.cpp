#include "e2e_fixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace e2e {

std::unique_ptr<XServer> E2e::server_;

void E2e::SetUpTestSuite() { server_ = std::make_unique<XServer>(); }

void E2e::TearDownTestSuite() { server_.reset(); }

const std::string &E2e::display()
{
    if (!server_) throw std::runtime_error("no X server");
    return server_->display();
}

::testing::AssertionResult E2e::start_game(const std::map<std::string, std::string> &files)
{
    game_.reset();
    folder_ = std::make_unique<TempFolder>();
    std::filesystem::copy_file(HANGMAN_FONT_PATH, *folder_ / "Inconsolata.otf");
    for (const auto &[name, content] : files) write_file(*folder_ / name, content);
    return start({HANGMAN_BINARY}, {}, folder_->path());
}

::testing::AssertionResult E2e::start(const std::vector<std::string> &argv, EnvChanges env,
                                      const std::string &cwd)
{
    env["DISPLAY"] = display();
    env["SDL_VIDEODRIVER"] = "x11";
    const char *lsan = std::getenv("LSAN_OPTIONS");
    env["LSAN_OPTIONS"] = std::string(lsan ? lsan : "") + ":suppressions=" HANGMAN_E2E_DIR "/lsan.supp";
    game_ = std::make_unique<Process>(argv, env, cwd);
    window_ = find_window(display(), TITLE, 10);
    if (window_.id.empty())
        return ::testing::AssertionFailure() << "no window titled \"" << TITLE << "\" came up; "
                                             << game_->stderr_text();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2e::shows(const std::string &what, const Check &check, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds((int)(seconds * 1000));
    for (;;) {
        int status = game_->wait(0);
        if (status >= 0)
            return ::testing::AssertionFailure() << "the game ended with status " << status
                                                 << " instead of showing " << what;
        Image img = grab(window_);
        if (img.width > 0 && check(img)) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ::testing::AssertionFailure() << "the window did not show " << what << " within "
                                         << seconds << " s";
}

::testing::AssertionResult E2e::exits_with(int status, double seconds)
{
    int got = game_->wait(seconds);
    if (got == status) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (got < 0) failure << "the game still runs after " << seconds << " s";
    else failure << "the game ended with status " << got;
    return failure << " (expected " << status << "); stderr: " << game_->stderr_text();
}

void E2e::choose(const Caption &button) { click(window_, centre_x(button), centre_y(button)); }

void E2e::key(const std::string &keysym) { e2e::key(window_, keysym); }

void E2e::keys(const std::string &letters)
{
    for (char c : letters) key(std::string(1, c));
}

::testing::AssertionResult E2e::pick_language(Language lang)
{
    auto chooser = shows("the language chooser", boxes(language_buttons()));
    if (!chooser) return chooser;
    choose(language_buttons()[lang - 1]);
    return shows(lang == ENGLISH ? "the English menu" : "the Hungarian menu",
                 boxes(menu_buttons(lang)));
}

void E2e::snapshot(const std::string &name)
{
    if (const char *dir = std::getenv("HANGMAN_SCREENSHOTS"))
        save_xwd(window_, std::string(dir) + "/" + name + ".xwd");
}

std::string E2e::file(const std::string &name) const { return read_file(*folder_ / name); }

Check board(const std::string &shape, int stage, const std::string &good, const std::string &wrong)
{
    return [=](const Image &img) {
        if (pattern_shape(img, (int)shape.size()) != shape || gallows_stage(img) != stage)
            return false;
        for (char c = 'a'; c <= 'z'; ++c) {
            bool is_good = good.find(c) != std::string::npos;
            bool is_wrong = wrong.find(c) != std::string::npos;
            if (letter_marked(img, c, GOOD) != is_good || letter_marked(img, c, WRONG) != is_wrong)
                return false;
        }
        return true;
    };
}

}  // namespace e2e

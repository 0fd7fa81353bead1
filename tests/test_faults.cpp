// The rewrite of a word file under failure: whatever step fails (making the
// temporary file, reading the old file, writing, syncing, closing, renaming),
// the old file stays byte for byte, nothing is left beside it, no descriptor
// leaks, and the next rewrite works. Then the odd kinds of word file (a
// folder, symbolic links, an unreadable file), and a rewrite killed at random
// moments, which must leave the old or the new file whole.
#include "test_util.h"

#include "faults/fault_injection.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace {

const char WORD_FILE[] = "angol.txt";
// Two words the loader takes, two it skips (an accented one, one with a mark).
const std::string OLD = "Alma\nk\xc3\xb6rte\nbanan\nx-ray\n";
const std::vector<std::string> NEW_WORDS = {"alma", "banan", "citrom"};
// The list, then the old file's skipped tokens in their order.
const std::string NEW = "alma\nbanan\ncitrom\nk\xc3\xb6rte\nx-ray\n";

std::vector<std::string> entries(const std::string &dir)
{
    std::vector<std::string> out;
    DIR *d = opendir(dir.c_str());
    if (!d) return out;
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") out.push_back(name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

int open_descriptors() { return (int)entries("/proc/self/fd").size(); }

bool is_link(const std::string &name)
{
    struct stat st;
    return lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string link_text(const std::string &name)
{
    char buf[4096];
    ssize_t n = readlink(name.c_str(), buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, (size_t)n);
}

// Each test starts in a folder of its own holding the old word file alone.
class RewriteFault : public ::testing::Test {
protected:
    RewriteFault() : dir_(false) {}
    void SetUp() override
    {
        fault_plan() = FaultPlan();
        write_file(WORD_FILE, OLD);
        list_ = list_of(NEW_WORDS);
        fds_ = open_descriptors();
    }
    void TearDown() override
    {
        fault_disarm();
        Lista_felszab(list_);
    }

    void rewrite(const char *name = WORD_FILE) { Lista_visszair_fajlba(list_, name); }
    void rewrite_failing(FaultStep step, int nth, bool every)
    {
        fault_arm(step, nth, every);
        rewrite();
        fault_disarm();
    }

    // The failed rewrite changed nothing and left nothing behind.
    void expect_old_kept(const std::string &why)
    {
        EXPECT_EQ(read_file(WORD_FILE), OLD) << why;
        EXPECT_FALSE(fault_plan().renamed_after_failure) << why << ": renamed all the same";
        EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE}) << why;
        EXPECT_EQ(open_descriptors(), fds_) << why;
        EXPECT_EQ(words_of(list_), NEW_WORDS) << why;
    }
    // With the fault gone, the same rewrite succeeds.
    void expect_goes_on(const std::string &why)
    {
        rewrite();
        EXPECT_EQ(read_file(WORD_FILE), NEW) << why;
        EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE}) << why;
        EXPECT_EQ(open_descriptors(), fds_) << why;
    }

    TempDir dir_;
    Lista *list_ = nullptr;
    int fds_ = 0;
};

TEST_F(RewriteFault, SucceedsWithoutFaultsKeepingSkippedTokens)
{
    rewrite();
    EXPECT_EQ(read_file(WORD_FILE), NEW);
    EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE});
    EXPECT_EQ(open_descriptors(), fds_);
}

TEST_F(RewriteFault, TemporaryFileCannotBeCreated)
{
    rewrite_failing(FAULT_CREATE, 1, true);
    ASSERT_GT(fault_plan().failed[FAULT_CREATE], 0) << "the rewrite opened nothing to write";
    expect_old_kept("no file can be created");
    expect_goes_on("after a failed creation");
}

// Without the old file's contents the skipped tokens cannot be carried over,
// so writing anyway would lose them.
TEST_F(RewriteFault, OldFileCannotBeRead)
{
    rewrite_failing(FAULT_READ, 1, true);
    ASSERT_GT(fault_plan().failed[FAULT_READ], 0) << "the rewrite never read the old file";
    expect_old_kept("the old file cannot be read");
    expect_goes_on("after a failed read");
}

TEST_F(RewriteFault, DiskFull)
{
    {
        FileSizeLimit full(0);
        rewrite();
    }
    expect_old_kept("no byte can be written");
    expect_goes_on("after a full disk");
}

// The limit cuts the new file short at several places: the first byte, the
// middle, and the very last byte, which is only noticed by a caller that
// checks the final flush.
TEST_F(RewriteFault, ShortWrites)
{
    for (size_t limit : {(size_t)1, NEW.size() / 2, NEW.size() - 1}) {
        {
            FileSizeLimit cut(limit);
            rewrite();
        }
        expect_old_kept("writes stop after " + std::to_string(limit) + " bytes");
    }
    expect_goes_on("after short writes");
}

// Far longer than any stdio buffer, so the failure comes in the middle of the
// writing and not at the closing flush.
TEST_F(RewriteFault, ShortWriteOfALargeList)
{
    std::vector<std::string> many;
    for (int i = 0; i < 20000; ++i) many.push_back("szo" + std::to_string(100000 + i));
    Lista *big = list_of(many);
    {
        FileSizeLimit cut(64 * 1024);
        Lista_visszair_fajlba(big, WORD_FILE);
    }
    Lista_felszab(big);
    expect_old_kept("writes stop after 64 KiB of about 180 KiB");
    expect_goes_on("after a short write of a large list");
}

// A rewrite that renames an unsynced file over the old one can leave an empty
// file after a power loss, so the temporary file must be synced first.
TEST_F(RewriteFault, SyncFails)
{
    rewrite_failing(FAULT_SYNC, 1, true);
    ASSERT_GT(fault_plan().failed[FAULT_SYNC], 0)
        << "the rewrite never syncs the new file before renaming it";
    expect_old_kept("fsync fails");
    expect_goes_on("after a failed fsync");
}

TEST_F(RewriteFault, FlushOrCloseFails)
{
    rewrite_failing(FAULT_FINISH, 1, true);
    ASSERT_GT(fault_plan().failed[FAULT_FINISH], 0) << "the rewrite closed nothing it wrote";
    expect_old_kept("closing the new file fails");
    expect_goes_on("after a failed close");
}

TEST_F(RewriteFault, RenameRefused)
{
    rewrite_failing(FAULT_RENAME, 1, true);
    ASSERT_GT(fault_plan().failed[FAULT_RENAME], 0) << "the rewrite renamed nothing";
    expect_old_kept("the rename is refused");
    expect_goes_on("after a refused rename");
}

// Every call of every step fails in its turn, alone. The rewrite must give up
// at the failure: no file is renamed into place after it, so a fault before
// the rename keeps the old file, and only one after it (the folder's sync,
// say) may leave the new one; never anything in between, nor a stray file.
TEST_F(RewriteFault, EachCallFailingInTurn)
{
    fault_count_only();
    rewrite();
    fault_disarm();
    const FaultPlan dry = fault_plan();
    ASSERT_EQ(read_file(WORD_FILE), NEW);
    std::cout << "calls in one rewrite: create " << dry.calls[FAULT_CREATE] << ", read "
              << dry.calls[FAULT_READ] << ", sync " << dry.calls[FAULT_SYNC] << ", flush/close "
              << dry.calls[FAULT_FINISH] << ", rename " << dry.calls[FAULT_RENAME] << "\n";

    int runs = 0;
    for (int step = 0; step < FAULT_STEPS; ++step) {
        for (int n = 1; n <= dry.calls[step]; ++n, ++runs) {
            write_file(WORD_FILE, OLD);
            rewrite_failing((FaultStep)step, n, false);
            const std::string why =
                "step " + std::to_string(step) + ", call " + std::to_string(n) + " fails";
            EXPECT_EQ(fault_plan().failed[step], 1) << why;
            EXPECT_FALSE(fault_plan().renamed_after_failure) << why << ": renamed all the same";
            const std::string now = read_file(WORD_FILE);
            EXPECT_TRUE(now == OLD || now == NEW) << why << "; the file holds:\n" << now;
            EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE}) << why;
            EXPECT_EQ(open_descriptors(), fds_) << why;
        }
    }
    EXPECT_GE(runs, 3) << "a rewrite makes, writes and renames a file at the least";
    write_file(WORD_FILE, OLD);
    expect_goes_on("after the faults in turn");
}

// Every size limit from nothing to the whole new file: only a whole new file
// may replace the old one.
TEST_F(RewriteFault, EachByteLimit)
{
    for (size_t limit = 0; limit <= NEW.size(); ++limit) {
        write_file(WORD_FILE, OLD);
        {
            FileSizeLimit cut(limit);
            rewrite();
        }
        const std::string why = "writes stop after " + std::to_string(limit) + " bytes";
        EXPECT_EQ(read_file(WORD_FILE), limit < NEW.size() ? OLD : NEW) << why;
        EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE}) << why;
        EXPECT_EQ(open_descriptors(), fds_) << why;
    }
}

// A player's word file may be private or shared; the rewrite must not widen
// or narrow who can read it.
TEST_F(RewriteFault, KeepsPermissionBits)
{
    for (mode_t mode : {(mode_t)0600, (mode_t)0640, (mode_t)0664}) {
        ASSERT_EQ(chmod(WORD_FILE, mode), 0);
        rewrite();
        struct stat st;
        ASSERT_EQ(stat(WORD_FILE, &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(read_file(WORD_FILE), NEW);
    }
}

TEST_F(RewriteFault, WordFileIsAFolder)
{
    ASSERT_EQ(remove(WORD_FILE), 0);
    ASSERT_EQ(mkdir(WORD_FILE, 0755), 0);
    write_file(std::string(WORD_FILE) + "/inside.txt", OLD);

    Lista *loaded = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_EQ(loaded, nullptr);
    Lista_felszab(loaded);
    rewrite();

    struct stat st;
    ASSERT_EQ(stat(WORD_FILE, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(entries(WORD_FILE), std::vector<std::string>{"inside.txt"});
    EXPECT_EQ(read_file(std::string(WORD_FILE) + "/inside.txt"), OLD);
    EXPECT_EQ(entries("."), std::vector<std::string>{WORD_FILE});
    EXPECT_EQ(open_descriptors(), fds_);
}

// The link stays a link with the same text; the file it leads to gets the new
// words. The link's text is relative to the link's own folder, not to the
// working directory, and the temporary file must not be left in either.
TEST_F(RewriteFault, SymbolicLinkKeptAndItsTargetRewritten)
{
    ASSERT_EQ(remove(WORD_FILE), 0);
    ASSERT_EQ(mkdir("real", 0755), 0);
    ASSERT_EQ(mkdir("sub", 0755), 0);
    write_file("real/words.txt", OLD);
    ASSERT_EQ(symlink("../real/words.txt", "sub/angol.txt"), 0);

    Lista_visszair_fajlba(list_, "sub/angol.txt");

    EXPECT_TRUE(is_link("sub/angol.txt"));
    EXPECT_EQ(link_text("sub/angol.txt"), "../real/words.txt");
    EXPECT_EQ(read_file("real/words.txt"), NEW);
    EXPECT_EQ(entries("real"), std::vector<std::string>{"words.txt"});
    EXPECT_EQ(entries("sub"), std::vector<std::string>{"angol.txt"});
    EXPECT_EQ(entries("."), (std::vector<std::string>{"real", "sub"}));
}

TEST_F(RewriteFault, ChainOfLinks)
{
    ASSERT_EQ(rename(WORD_FILE, "words.txt"), 0);
    ASSERT_EQ(symlink("words.txt", "middle.txt"), 0);
    ASSERT_EQ(symlink("middle.txt", WORD_FILE), 0);

    rewrite();

    EXPECT_EQ(link_text(WORD_FILE), "middle.txt");
    EXPECT_EQ(link_text("middle.txt"), "words.txt");
    EXPECT_EQ(read_file("words.txt"), NEW);
    EXPECT_EQ(entries("."), (std::vector<std::string>{WORD_FILE, "middle.txt", "words.txt"}));
}

TEST_F(RewriteFault, FailureThroughALinkKeepsLinkAndTarget)
{
    ASSERT_EQ(rename(WORD_FILE, "words.txt"), 0);
    ASSERT_EQ(symlink("words.txt", WORD_FILE), 0);

    rewrite_failing(FAULT_RENAME, 1, true);

    EXPECT_EQ(link_text(WORD_FILE), "words.txt");
    EXPECT_EQ(read_file("words.txt"), OLD);
    EXPECT_EQ(entries("."), (std::vector<std::string>{WORD_FILE, "words.txt"}));
}

TEST_F(RewriteFault, FileWithoutReadPermission)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file; OldFileCannotBeRead covers it";
    ASSERT_EQ(chmod(WORD_FILE, 0200), 0);
    rewrite();
    ASSERT_EQ(chmod(WORD_FILE, 0644), 0);
    expect_old_kept("the old file is not readable");
}

// ---- Killed while rewriting ------------------------------------------------

std::vector<std::string> numbered_words(const std::string &stem, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        std::string w = stem;
        for (int v = i, d = 0; d < 4; ++d, v /= 26) w += (char)('a' + v % 26);
        out.push_back(w);
    }
    return out;
}

std::string lines_of(const std::vector<std::string> &words, const std::string &tail)
{
    std::string out;
    for (const auto &w : words) out += w + "\n";
    return out + tail;
}

// A child rewrites the file over and over with two lists in turn, telling the
// parent through a pipe after each rewrite; the parent waits for a random
// number of them and kills the child a random part of one rewrite's time
// later. Expected after every kill: the word file holds either whole content,
// and beside it at most the one temporary file the killed rewrite was
// writing (removed before the next run), so finished rewrites leave nothing.
TEST(RewriteKilled, LeavesTheOldOrTheNewFileWhole)
{
    TempDir dir(false);
    const std::string skipped = "\xc3\xa1rv\xc3\xadzt\xc5\xb1r\xc5\x91\n";
    const std::vector<std::string> a = numbered_words("alfa", 3000);
    const std::vector<std::string> b = numbered_words("beta", 3500);
    const std::string content_a = lines_of(a, skipped), content_b = lines_of(b, skipped);
    Lista *list_a = list_of(a), *list_b = list_of(b);
    write_file(WORD_FILE, content_a);

    const auto start = std::chrono::steady_clock::now();
    Lista_visszair_fajlba(list_a, WORD_FILE);
    const auto one_rewrite = std::chrono::steady_clock::now() - start;
    const long span_us =
        std::max(1L, (long)std::chrono::duration_cast<std::chrono::microseconds>(one_rewrite).count());
    ASSERT_EQ(read_file(WORD_FILE), content_a);

    std::mt19937 rng(20240607);
    int interrupted = 0, saw_b = 0;
    const int RUNS = 200;
    for (int run = 0; run < RUNS; ++run) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(done[0]);
            for (;;) {
                Lista_visszair_fajlba(list_b, WORD_FILE);
                if (write(done[1], "b", 1) != 1) _exit(1);
                Lista_visszair_fajlba(list_a, WORD_FILE);
                if (write(done[1], "a", 1) != 1) _exit(1);
            }
        }
        close(done[1]);
        const int wait_for = (int)(rng() % 3);
        for (int i = 0; i < wait_for; ++i) {
            char c;
            ASSERT_EQ(read(done[0], &c, 1), 1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (span_us + 1)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(done[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the rewriting child ended by itself";

        const std::string now = read_file(WORD_FILE);
        ASSERT_TRUE(now == content_a || now == content_b)
            << "run " << run << ": the file is neither list whole (" << now.size() << " bytes)";
        saw_b += now == content_b;
        std::vector<std::string> left = entries(".");
        left.erase(std::remove(left.begin(), left.end(), WORD_FILE), left.end());
        ASSERT_LE(left.size(), 1u) << "run " << run << ": temporary files pile up";
        for (const auto &stray : left) {
            ++interrupted;
            remove(stray.c_str());
        }
    }
    std::cout << RUNS << " kills, " << interrupted << " inside a rewrite (a temporary file left), "
              << saw_b << " with the second list in place\n";
    Lista_felszab(list_b);
    Lista_felszab(list_a);
}

}  // namespace

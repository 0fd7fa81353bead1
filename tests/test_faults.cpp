// The rewrite of a word file under failure: whatever step fails, the old file
// stays byte for byte, nothing is left beside it, no descriptor leaks, and the
// next rewrite works. Then the odd kinds of word file (a folder, symbolic
// links, an unreadable file), and a rewrite killed at random moments.
#include "test_util.h"

#include "faults/fault_injection.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace {

using Names = std::vector<std::string>;

const char WORD_FILE[] = "angol.txt";
// Two words the loader takes, two it skips (an accented one, one with a mark).
const std::string OLD = "Alma\nk\xc3\xb6rte\nbanan\nx-ray\n";
const Names NEW_WORDS = {"alma", "banan", "citrom"};
// The list, then the old file's skipped tokens in their order.
const std::string NEW = "alma\nbanan\ncitrom\nk\xc3\xb6rte\nx-ray\n";

Names entries(const std::string &dir)
{
    Names out;
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

// "" when name is not a symbolic link.
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

    void rewrite(const Lista *lis = nullptr)
    {
        Lista_visszair_fajlba(lis ? lis : list_, WORD_FILE);
    }
    // A full disk, made by the kernel: no file may grow past limit bytes, and
    // the write crossing it writes what fits and fails. The SIGXFSZ that would
    // end the process is ignored meanwhile.
    void rewrite_limited(rlim_t limit, const Lista *lis = nullptr)
    {
        struct rlimit old, cut;
        getrlimit(RLIMIT_FSIZE, &old);
        cut = old;
        cut.rlim_cur = limit;
        const sighandler_t handler = signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &cut);
        rewrite(lis);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, handler);
    }

    // The word file holds content, alone in its folder, and no descriptor
    // was left open.
    void expect_only(const std::string &content)
    {
        EXPECT_EQ(read_file(WORD_FILE), content);
        EXPECT_EQ(entries("."), Names{WORD_FILE});
        EXPECT_EQ(open_descriptors(), fds_);
    }
    // The failed rewrite kept the old file, or where may_be_new the new one.
    void expect_kept(bool may_be_new = false)
    {
        expect_only(may_be_new && read_file(WORD_FILE) == NEW ? NEW : OLD);
        EXPECT_FALSE(fault_plan().renamed_after_failure) << "renamed all the same";
        EXPECT_EQ(words_of(list_), NEW_WORDS);
    }
    void expect_goes_on()
    {
        rewrite();
        expect_only(NEW);
    }

    TempDir dir_;
    Lista *list_ = nullptr;
    int fds_ = 0;
};

// Each step failing from its first call on must keep the old file: unread,
// its skipped tokens would be lost; unsynced, the new one can be empty after
// a power loss. Any one call failing may leave the new file only when it comes
// after the rename (the folder's sync); never anything in between.
TEST_F(RewriteFault, EachStepAndEachCallFailing)
{
    fault_arm(FAULT_CREATE, 0);
    rewrite();
    const FaultPlan dry = fault_plan();
    for (int step = 0; step < FAULT_STEPS; ++step) {
        for (int n = 0; n <= dry.calls[step]; ++n) {
            SCOPED_TRACE("step " + std::to_string(step) + ", call " +
                         (n ? std::to_string(n) : "every"));
            write_file(WORD_FILE, OLD);
            fault_arm((FaultStep)step, n ? n : 1, n == 0);
            rewrite();
            fault_disarm();
            if (n) EXPECT_EQ(fault_plan().failed[step], 1);
            else EXPECT_GT(fault_plan().failed[step], 0) << "the rewrite never takes this step";
            expect_kept(n > 0);
        }
    }
    write_file(WORD_FILE, OLD);
    expect_goes_on();
}

// A full disk at every byte: only a whole new file may replace the old one.
// The last byte is noticed only by a caller that checks the final flush.
TEST_F(RewriteFault, DiskFullAtEachByte)
{
    for (size_t limit = 0; limit <= NEW.size(); ++limit) {
        SCOPED_TRACE("writes stop after " + std::to_string(limit) + " bytes");
        write_file(WORD_FILE, OLD);
        rewrite_limited(limit);
        if (limit < NEW.size()) expect_kept();
        else expect_only(NEW);
    }
    // Far longer than any stdio buffer, so that the failure comes in the
    // middle of the writing, not at the closing flush.
    Names many;
    for (int i = 0; i < 20000; ++i) many.push_back("szo" + std::to_string(100000 + i));
    Lista *big = list_of(many);
    write_file(WORD_FILE, OLD);
    rewrite_limited(64 * 1024, big);
    Lista_felszab(big);
    expect_kept();
    expect_goes_on();
}

// A private or shared word file stays so.
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
    const std::string inside = std::string(WORD_FILE) + "/inside.txt";
    write_file(inside, OLD);

    Lista *loaded = Lista_epit_fajlbol(WORD_FILE);
    EXPECT_EQ(loaded, nullptr);
    Lista_felszab(loaded);
    rewrite();

    EXPECT_EQ(entries(WORD_FILE), Names{"inside.txt"});
    EXPECT_EQ(read_file(inside), OLD);
    EXPECT_EQ(entries("."), Names{WORD_FILE});
    EXPECT_EQ(open_descriptors(), fds_);
}

// A chain of links, each relative to its own folder, not to the working
// directory: the links stay as they are, a failed rewrite keeps the file they
// lead to, and a rewrite replaces it, leaving no temporary file anywhere.
TEST_F(RewriteFault, SymbolicLinksKeptAndTheirTargetRewritten)
{
    ASSERT_EQ(mkdir("real", 0755), 0);
    ASSERT_EQ(mkdir("sub", 0755), 0);
    ASSERT_EQ(rename(WORD_FILE, "real/words.txt"), 0);
    ASSERT_EQ(symlink("words.txt", "real/middle.txt"), 0);
    ASSERT_EQ(symlink("../real/middle.txt", "sub/angol.txt"), 0);

    for (const std::string &expected : {OLD, NEW}) {
        if (expected == OLD) fault_arm(FAULT_RENAME, 1, true);
        Lista_visszair_fajlba(list_, "sub/angol.txt");
        fault_disarm();
        EXPECT_EQ(link_text("sub/angol.txt"), "../real/middle.txt");
        EXPECT_EQ(link_text("real/middle.txt"), "words.txt");
        EXPECT_EQ(read_file("real/words.txt"), expected);
        EXPECT_EQ(entries("real"), (Names{"middle.txt", "words.txt"}));
        EXPECT_EQ(entries("sub"), Names{"angol.txt"});
        EXPECT_EQ(entries("."), (Names{"real", "sub"}));
    }
}

TEST_F(RewriteFault, FileWithoutReadPermission)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file; EachStepAndEachCallFailing covers it";
    ASSERT_EQ(chmod(WORD_FILE, 0200), 0);
    rewrite();
    ASSERT_EQ(chmod(WORD_FILE, 0644), 0);
    expect_kept();
}

// ---- Killed while rewriting ------------------------------------------------

const char SKIPPED[] = "\xc3\xa1rv\xc3\xadzt\xc5\xb1r\xc5\x91\n";

// A list of n distinct words starting with stem, and the file that a
// rewrite of it over a file holding the skipped token gives.
Lista *numbered_words(const std::string &stem, int n, std::string *file)
{
    Names words;
    for (int i = 0; i < n; ++i) {
        std::string w = stem;
        for (int v = i, d = 0; d < 4; ++d, v /= 26) w += (char)('a' + v % 26);
        words.push_back(w);
        *file += w + "\n";
    }
    *file += SKIPPED;
    return list_of(words);
}

// A child rewrites the file with two lists in turn, telling the parent through
// a pipe after each rewrite; the parent waits for a random number of them and
// kills the child a random part of one rewrite's time later. The file must
// hold either list whole, and beside it at most the temporary file the killed
// rewrite was writing.
TEST(RewriteKilled, LeavesTheOldOrTheNewFileWhole)
{
    TempDir dir(false);
    std::string content_a, content_b;
    Lista *list_a = numbered_words("alfa", 3000, &content_a);
    Lista *list_b = numbered_words("beta", 3500, &content_b);
    write_file(WORD_FILE, content_a);

    const auto start = std::chrono::steady_clock::now();
    Lista_visszair_fajlba(list_a, WORD_FILE);
    const long span_us = std::max(1L, (long)std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
    ASSERT_EQ(read_file(WORD_FILE), content_a);

    std::mt19937 rng(20240607);
    for (int run = 0; run < 200; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                Lista_visszair_fajlba(i % 2 ? list_a : list_b, WORD_FILE);
                if (write(done[1], "x", 1) != 1) _exit(1);
            }
        }
        close(done[1]);
        char c;
        for (int i = (int)(rng() % 3); i > 0; --i) ASSERT_EQ(read(done[0], &c, 1), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (span_us + 1)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(done[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the rewriting child ended by itself";

        const std::string now = read_file(WORD_FILE);
        ASSERT_TRUE(now == content_a || now == content_b)
            << "neither list whole (" << now.size() << " bytes)";
        ASSERT_LE(entries(".").size(), 2u) << "temporary files pile up";
        for (const auto &name : entries("."))
            if (name != WORD_FILE) remove(name.c_str());
    }
    Lista_felszab(list_b);
    Lista_felszab(list_a);
}

}  // namespace

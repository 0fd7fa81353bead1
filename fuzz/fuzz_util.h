// What the fuzz targets share: a scratch folder for word files, whole-file
// reads and writes, and an independent tokenizer of the word-file format to
// judge the loader and the rewrite against.
#ifndef FUZZ_UTIL_H
#define FUZZ_UTIL_H

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jatek.h"

// Stops the run with a message libFuzzer keeps beside the crashing input.
#define FUZZ_CHECK(cond, what)                                                   \
    do {                                                                         \
        if (!(cond)) {                                                           \
            fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, \
                    #cond, what);                                                \
            abort();                                                             \
        }                                                                        \
    } while (0)

// A folder of this process's own, made on first use and removed at a normal
// exit (kept after a crash, to look into): every input's word file lives in
// it, so the rewrite's temporary file lands there too and strays can be seen.
inline const std::string &scratch_dir();
inline std::string scratch_file() { return scratch_dir() + "/words.txt"; }

inline void remove_scratch()
{
    remove(scratch_file().c_str());
    rmdir(scratch_dir().c_str());
}

inline const std::string &scratch_dir()
{
    // In memory where there is a tmpfs, so that the rewrite's fsync costs
    // nothing and the fuzzer runs hundreds of times faster.
    static const std::string dir = [] {
        for (const char *base : {"/dev/shm", "/tmp"}) {
            std::string tmpl = std::string(base) + "/hangman-fuzz-XXXXXX";
            if (mkdtemp(&tmpl[0])) return tmpl;
        }
        abort();
    }();
    static const bool cleaned_at_exit = atexit(remove_scratch) == 0;
    (void)cleaned_at_exit;
    return dir;
}

inline void put_file(const std::string &name, const std::string &bytes)
{
    FILE *f = fopen(name.c_str(), "wb");
    if (!f) abort();
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
    if (fclose(f) != 0) abort();
}

inline std::string get_file(const std::string &name)
{
    std::string out;
    FILE *f = fopen(name.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

// Names in the scratch folder other than "." and "..": after a finished
// rewrite only the word file may be there.
inline std::vector<std::string> scratch_entries()
{
    std::vector<std::string> out;
    DIR *d = opendir(scratch_dir().c_str());
    if (!d) abort();
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") out.push_back(name);
    }
    closedir(d);
    return out;
}

// White space as the C locale's isspace sees it; nothing else separates.
inline bool is_blank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool is_ascii_letter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The maximal runs of non-blank bytes, NUL bytes included, in file order.
inline std::vector<std::string> tokens_of(const std::string &bytes)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < bytes.size()) {
        while (i < bytes.size() && is_blank((unsigned char)bytes[i])) ++i;
        size_t start = i;
        while (i < bytes.size() && !is_blank((unsigned char)bytes[i])) ++i;
        if (i > start) out.push_back(bytes.substr(start, i - start));
    }
    return out;
}

// A token the loader takes: 1 to 30 bytes, every one an ASCII letter.
inline bool is_word(const std::string &token)
{
    if (token.empty() || token.size() > BE_MAX) return false;
    for (unsigned char c : token)
        if (!is_ascii_letter(c)) return false;
    return true;
}

inline std::string lowered(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// What the loader must give for these bytes, and the tokens it must skip.
inline void split_tokens(const std::string &bytes, std::vector<std::string> &words,
                         std::vector<std::string> &skipped)
{
    for (const std::string &t : tokens_of(bytes)) {
        if (is_word(t)) words.push_back(lowered(t));
        else skipped.push_back(t);
    }
}

inline std::vector<std::string> words_in(const Lista *lis)
{
    std::vector<std::string> out;
    for (; lis; lis = lis->kov) {
        // A node's word must end inside the node.
        size_t n = 0;
        while (n < SZO_MERET && lis->szo[n]) ++n;
        FUZZ_CHECK(n < SZO_MERET, "unterminated word in a node");
        out.push_back(std::string(lis->szo, n));
    }
    return out;
}

// A list of these words in this order, built the way the loader builds one.
inline Lista *build_list(const std::vector<std::string> &words)
{
    Lista *head = nullptr, *end = nullptr;
    for (const std::string &w : words) {
        if (!head) head = end = Lista_elejere_beszur(nullptr, w.c_str());
        else end = Lista_vegere_beszur(end, w.c_str());
    }
    return head;
}

inline std::string one_per_line(const std::vector<std::string> &a,
                                const std::vector<std::string> &b = {})
{
    std::string out;
    for (const std::string &w : a) out += w + "\n";
    for (const std::string &w : b) out += w + "\n";
    return out;
}

// Rewrites the scratch word file with lis and checks that the rewrite left
// nothing but the word file behind.
inline void rewrite_scratch(const Lista *lis)
{
    Lista_visszair_fajlba(lis, scratch_file().c_str());
    std::vector<std::string> left = scratch_entries();
    FUZZ_CHECK(left.size() == 1 && left[0] == "words.txt",
               "the rewrite left a file behind in its folder");
}

#endif

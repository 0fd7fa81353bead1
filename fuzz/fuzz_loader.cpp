// Arbitrary bytes as a word file: the loader must take exactly the tokens of
// 1 to 30 ASCII letters, lower-cased, in file order; the rewrite must put the
// list back and keep every token the loader skipped, after the words, in file
// order, one a line, so that loading again gives the same list.
#include <cstddef>
#include <cstdint>

#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes((const char *)data, size);
    put_file(scratch_file(), bytes);

    std::vector<std::string> words, skipped;
    split_tokens(bytes, words, skipped);

    Lista *lis = Lista_epit_fajlbol(scratch_file().c_str());
    FUZZ_CHECK(words_in(lis) == words, "the loaded list differs from the file's words");

    rewrite_scratch(lis);
    const std::string rewritten = get_file(scratch_file());
    FUZZ_CHECK(rewritten == one_per_line(words, skipped),
               "the rewrite is not the words then the skipped tokens, one a line");

    Lista *again = Lista_epit_fajlbol(scratch_file().c_str());
    FUZZ_CHECK(words_in(again) == words, "loading the rewritten file gives another list");

    // A second rewrite of the same list must find nothing new to keep.
    rewrite_scratch(again);
    FUZZ_CHECK(get_file(scratch_file()) == rewritten, "a second rewrite changed the file");

    Lista_felszab(again);
    Lista_felszab(lis);
    return 0;
}

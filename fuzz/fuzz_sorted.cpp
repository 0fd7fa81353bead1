// Sorted insertion and the rewrite. Arbitrary words go into an arbitrary list
// and into a sorted one: each must land in front of the first word that does
// not sort before it (bytes compared unsigned, a prefix first), which keeps a
// sorted list sorted. A sorted list of letter words written to a fresh file
// and loaded again is the same list, less the empty words it may hold.
//
// Input: the first byte says how many of the words start the arbitrary list;
// the words follow, separated by '\n' (NUL bytes dropped, cut to 35 bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_util.h"

namespace {

std::vector<std::string> pieces_of(const uint8_t *data, size_t size)
{
    std::vector<std::string> out(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') out.emplace_back();
        else if (data[i] != 0 && out.back().size() < SZO_MERET - 1) out.back() += (char)data[i];
    }
    return out;
}

std::string as_letters(const std::string &piece)
{
    std::string out;
    for (unsigned char c : piece)
        if (out.size() < BE_MAX) out += (char)('a' + c % 26);
    return out;
}

// Inserts each word into lis and into the model beside it, checking the
// engine's list against the model after every insertion.
Lista *insert_all(Lista *lis, std::vector<std::string> &model,
                  const std::vector<std::string> &words)
{
    for (const std::string &w : words) {
        auto at = std::find_if(model.begin(), model.end(),
                               [&](const std::string &o) { return !(o < w); });
        const bool goes_first = at == model.begin();
        model.insert(at, w);
        const Lista *old_head = lis;
        lis = Lista_rendezetten_beszur(lis, w.c_str());
        FUZZ_CHECK(words_in(lis) == model, "the word landed elsewhere");
        FUZZ_CHECK(goes_first == (lis != old_head), "the head is not the first word");
    }
    return lis;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    const std::vector<std::string> pieces = pieces_of(data + 1, size - 1);
    const size_t nstart = data[0] % (pieces.size() + 1);
    const std::vector<std::string> start(pieces.begin(), pieces.begin() + nstart);
    const std::vector<std::string> rest(pieces.begin() + nstart, pieces.end());

    // Any list: the rule of the landing place holds whether or not it is sorted.
    std::vector<std::string> model = start;
    Lista *any = insert_all(build_list(start), model, rest);
    Lista_felszab(any);

    // A sorted list stays sorted.
    std::vector<std::string> sorted = start;
    std::sort(sorted.begin(), sorted.end());
    Lista *lis = insert_all(build_list(sorted), sorted, rest);
    FUZZ_CHECK(std::is_sorted(sorted.begin(), sorted.end()), "the sorted list lost its order");
    Lista_felszab(lis);

    // Letter words, sorted, through a fresh file and back.
    std::vector<std::string> letters, inserted;
    for (const std::string &p : pieces) letters.push_back(as_letters(p));
    lis = insert_all(nullptr, inserted, letters);
    remove(scratch_file().c_str());
    rewrite_scratch(lis);
    FUZZ_CHECK(get_file(scratch_file()) == one_per_line(inserted),
               "a fresh file does not hold the list one word a line");
    std::vector<std::string> nonempty;
    for (const std::string &w : inserted)
        if (!w.empty()) nonempty.push_back(w);
    Lista *again = Lista_epit_fajlbol(scratch_file().c_str());
    FUZZ_CHECK(words_in(again) == nonempty, "the written list comes back changed");
    Lista_felszab(again);
    Lista_felszab(lis);
    return 0;
}

// Any bytes as a word file, then a NUL and one key a byte. The loader must
// take exactly the tokens of 1 to 30 ASCII letters, lower-cased, in file
// order, and the rewrite put them back one a line followed by every token it
// skipped. Then the game on the words as long as the first (20 at most): the
// candidates never run out and all fit the pattern, a refused key changes
// nothing and a taken one something, and the errors are the wrong letters.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "jatek.h"

extern "C" int LLVMFuzzerTestOneInput(const char *data, size_t size)
{
    const char *end = data + size, *keys = (const char *)memchr(data, 0, size);
    const std::string file = "/dev/shm/hangman-fuzz-" + std::to_string(getpid()),
                      text(data, keys ? keys : end);
    std::ofstream(file, std::ios::binary) << text;
    std::string words, skipped, loaded;  // what the loader must take, and what it must skip
    std::istringstream in(text);
    for (std::string t; in >> t;) {
        bool word = t.size() <= BE_MAX;
        for (char c : t) word = word && (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        for (char &c : t) c = word ? c | 0x20 : c;
        (word ? words : skipped) += t + "\n";
    }
    Lista *all = Lista_epit_fajlbol(file.c_str());
    for (const Lista *w = all; w; w = w->kov) loaded += std::string(w->szo) + "\n";
    Lista_visszair_fajlba(all, file.c_str());
    std::ostringstream rewritten;
    rewritten << std::ifstream(file, std::ios::binary).rdbuf();
    if (remove(file.c_str()) || loaded != words || rewritten.str() != words + skipped) abort();

    const size_t hossz = all ? std::min<size_t>(strlen(all->szo), 20) : 0;
    Lista *cand = Lista_szur_hosszra(all, (int)hossz);
    Lista_felszab(all);
    char tipp[21] = {}, rossz[ROSSZ_BETUK_MERET] = {}, jo[JO_BETUK_MERET] = {};
    int hibak = 0;
    for (const char *key = (memset(tipp, '_', hossz), keys ? keys + 1 : end); cand && key < end && hibak < 10;
         ++key) {
        if (!(cand = Lista_szur_karakterekre(cand, tipp))) abort();
        for (const Lista *w = cand; w; w = w->kov)
            if (strlen(w->szo) != hossz || !egyezik(w->szo, tipp)) abort();
        const std::string before = std::string(tipp) + rossz + "/" + jo;
        const bool fresh = *key >= 'a' && *key <= 'z' && !strchr(rossz, *key) && !strchr(jo, *key);
        if (volt_mar_vagy_ertelmetlen(*key, rossz, jo) == fresh) abort();
        if (fresh) cand = Lista_szur_beture(cand, *key, tipp, &hibak, rossz, jo);
        if (fresh == (before == std::string(tipp) + rossz + "/" + jo) || (size_t)hibak != strlen(rossz))
            abort();
        if (!cand->kov) betuk_kitolt(tipp, cand->szo);
    }
    Lista_felszab(cand);
    return 0;
}

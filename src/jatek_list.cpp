// The word list's own operations: the three insertions, lower-casing, the
// letters-only test and the console aids.
#include <cstdio>

#include "jatek_internal.h"

// A node holding a copy of szo (NULL as ""), cut to 35 characters. The bytes
// after the terminator are zero in every node, so a node can be copied whole.
static Lista *csomopont_uj(const char *szo, Lista *kov)
{
    Lista *uj = csomopont_foglal();
    size_t n = szo ? strnlen(szo, SZO_MERET - 1) : 0;
    if (n) memcpy(uj->szo, szo, n);
    memset(uj->szo + n, 0, SZO_MERET - n);
    uj->kov = kov;
    return uj;
}

Lista *Lista_elejere_beszur(Lista *lis, const char *szo) { return csomopont_uj(szo, lis); }

Lista *Lista_vegere_beszur(Lista *veg, const char *szo)
{
    Lista *uj = csomopont_uj(szo, nullptr);
    if (veg) veg->kov = uj;
    return uj;
}

Lista *Lista_rendezetten_beszur(Lista *lis, const char *szo)
{
    Lista *uj = csomopont_uj(szo, nullptr);
    Lista *lemarado = nullptr, *mozgo = lis;
    // strcmp orders bytes as unsigned char, and a prefix before the longer word.
    while (mozgo && strcmp(uj->szo, mozgo->szo) > 0) {
        lemarado = mozgo;
        mozgo = mozgo->kov;
    }
    uj->kov = mozgo;
    if (!lemarado) return uj;
    lemarado->kov = uj;
    return lis;
}

static bool nagybetu(unsigned char c) { return c >= 'A' && c <= 'Z'; }

static void szot_kisbetusit(char *szo)
{
    for (; *szo; ++szo)
        if (nagybetu(*szo)) *szo = static_cast<char>(*szo + ('a' - 'A'));
}

void kisbetusit(Lista *lis)
{
    for (; lis; lis = lis->kov) szot_kisbetusit(lis->szo);
}

int tartalmaz_specialis_karaktert(const char *s)
{
    for (; *s; ++s)
        if (!ascii_betu(*s)) return 1;
    return 0;
}

// --- Console aids ----------------------------------------------------------

int Lista_hossz(const Lista *lis)
{
    int n = 0;
    for (; lis; lis = lis->kov) ++n;
    return n;
}

void Lista_kiir(const Lista *lis)
{
    for (; lis; lis = lis->kov) puts(lis->szo);
}

void szamoz(int n)
{
    for (int i = 1; i <= n; ++i) putchar('0' + i % 10);
    putchar('\n');
}

// The node store: where every node comes from and where Lista_felszab puts
// it back (see jatek_internal.h for why nodes are not plain malloc blocks).
#include <cstdio>
#include <mutex>

#include "jatek_internal.h"

void elfogyott()
{
    fputs("Nincs eleg memoria!\n", stderr);
    exit(3);
}

namespace {

// 4096 nodes of 48 bytes: few slabs for a big list, little left unused by a
// small one.
constexpr size_t TOMB_CSOMOPONT = 4096;

// What the threads share, behind one lock taken only for a new slab and when
// a thread ends: the slabs, each chained through its first node, so that they
// stay reachable to the end of the process; and the free chains that ended
// threads left behind, waiting as in a thread's varo.
struct Kozos {
    std::mutex zar;
    Lista *tombok = nullptr;
    Lista *arvak = nullptr;
} kozos;

// A stack of chains keeps the next chain's head in the word of its own head.
Lista *kovetkezo_lanc(const Lista *fej)
{
    Lista *kov;
    memcpy(&kov, fej->szo, sizeof kov);
    return kov;
}

void lancot_rak(Lista **verem, Lista *lanc)
{
    static_assert(sizeof lanc <= SZO_MERET, "a word array must hold a pointer");
    memcpy(lanc->szo, verem, sizeof lanc);
    *verem = lanc;
}

// When a thread ends, its free nodes go to the threads still running.
struct Orokseg {
    ~Orokseg()
    {
        std::lock_guard<std::mutex> z(kozos.zar);
        if (tar.szabad) lancot_rak(&kozos.arvak, tar.szabad);
        while (Lista *lanc = tar.varo) {
            tar.varo = kovetkezo_lanc(lanc);
            lancot_rak(&kozos.arvak, lanc);
        }
        tar = {};
    }
};
thread_local Orokseg orokseg;

// Whoever keeps free nodes, from a slab or from a list it released, hands
// them on at its end; touching the object is what registers its end.
void orokoljon() { (void)&orokseg; }

// A chain an ended thread left, or a new slab chained up, as szabad. The
// lock is not held while memory is sought: running out of it ends the
// program, whose end hands this thread's nodes on under the same lock.
void tomb_uj()
{
    orokoljon();
    {
        std::lock_guard<std::mutex> z(kozos.zar);
        if ((tar.szabad = kozos.arvak)) {
            kozos.arvak = kovetkezo_lanc(tar.szabad);
            return;
        }
    }
    Lista *tomb = static_cast<Lista *>(malloc((TOMB_CSOMOPONT + 1) * sizeof(Lista)));
    if (!tomb) elfogyott();
    for (size_t i = 1; i < TOMB_CSOMOPONT; ++i) tomb[i].kov = &tomb[i + 1];
    tomb[TOMB_CSOMOPONT].kov = nullptr;
    tar.szabad = tomb + 1;
    std::lock_guard<std::mutex> z(kozos.zar);
    tomb->kov = kozos.tombok;
    kozos.tombok = tomb;
}

}  // namespace

void szabad_tolt()
{
    if (!tar.varo) return tomb_uj();
    tar.szabad = tar.varo;
    tar.varo = kovetkezo_lanc(tar.varo);
}

Lista *Lista_felszab(Lista *lis)
{
    if (egyenkent()) {
        while (lis) {
            Lista *kov = lis->kov;
            free(lis);
            lis = kov;
        }
        return nullptr;
    }
    // The list is already a chain of free nodes: it waits whole, so releasing
    // a list of any length costs the same.
    if (!lis) return nullptr;
    orokoljon();
    if (tar.szabad) lancot_rak(&tar.varo, lis);
    else tar.szabad = lis;
    return nullptr;
}

// Word store and guessing engine. Knows nothing of the screen: every
// operation works only on the list, strings and file name it is given.
//
// Ownership: a list is its head pointer, the empty list is NULL. Each node is
// a block of its own, made by one of the three insertions (the filters copy
// through them too) and released only by Lista_felszab; nodes are never shared
// between lists. Whoever holds a list releases it. An operation that can
// change the head returns it, and the caller stores the result. When memory
// for a node cannot be had, the program ends: "Nincs eleg memoria!" on stderr,
// status 3.
//
// Threads: released nodes are kept for the next ones in a store of the
// releasing thread's own, so threads may use the engine at once, each on lists
// of its own. A list may pass from one thread to another, but only one thread
// may work on it at a time.
#ifndef JATEK_H
#define JATEK_H

enum {
    SZO_MERET = 36,          // bytes of a node's word: 35 characters and the NUL
    BE_MAX = 30,             // longest word the loader takes from a file
    ROSSZ_BETUK_MERET = 11,  // the game's wrong letters: 10 and the NUL
    JO_BETUK_MERET = 50      // the game's good letters and the NUL
};

typedef struct lista {
    char szo[SZO_MERET];
    struct lista *kov;
} Lista;

// --- Word list -------------------------------------------------------------

// Takes a list (may be empty) and a word; returns a new node holding a copy of
// the word (cut to 35 characters) in front of lis: the new head.
Lista *Lista_elejere_beszur(Lista *lis, const char *szo);
// Takes the last node of a non-empty list and a word; links a new node holding
// a copy of the word (cut to 35 characters) behind it and returns that node,
// the new last node. Given NULL it links nothing and returns a one-node list.
Lista *Lista_vegere_beszur(Lista *veg, const char *szo);
// Takes a list (may be empty) and a word; inserts a copy in front of the first
// word that does not sort before it (bytes compared unsigned) and returns the
// head, which is the new node when it goes first.
Lista *Lista_rendezetten_beszur(Lista *lis, const char *szo);
// Releases every node of lis (may be empty); returns NULL for storing back.
Lista *Lista_felszab(Lista *lis);
// Turns every 'A'..'Z' of every word into 'a'..'z'; lis may be empty.
void kisbetusit(Lista *lis);
// 1 as soon as a byte of s is not an ASCII letter, else 0 (0 for "").
int tartalmaz_specialis_karaktert(const char *s);

// Reads the file's words (white-space separated; only ASCII letters, 1 to 30
// of them; others skipped whole), lower-cased, in file order. Returns a new
// list the caller releases; NULL when the file has no such word or cannot be
// opened. A regular file is read under a shared lock, so never while a save
// writes it; a copy of the old contents left by a save that was killed while
// it wrote in place is first put back (see Lista_visszair_fajlba). Anything
// else (a pipe, a FIFO: empty without a writer) is read as a stream.
Lista *Lista_epit_fajlbol(const char *fajlnev);
// The same, and through egesz (may be NULL) whether the file was read whole:
// 1 when read to its end or missing, 0 when it exists but could not be opened
// or read to its end, or a left copy could not be put back (the list then
// holds the words read before the failure). Whoever writes the file back must
// know it has all of it.
Lista *Lista_epit_fajlbol_ellenorizve(const char *fajlnev, int *egesz);
// Replaces the file with the list's words, one a line, in list order, followed
// by the tokens of the old file that the loader skips, in their file order, so
// no word of the file is ever lost; for a symbolic link, the file it leads to;
// a missing file is made, 0666 less the umask (which is never changed). All
// under the exclusive lock that every read and save of the file takes: a
// second save waits for it. The old file is read whole first. Where a new
// file can keep all of the old one's identity (its owner and group, its
// permission bits, its being the one link to its contents, no ACL or other
// extended attribute) it is written beside it and renamed over it; else, or
// when the rename is refused, the old file is written over in place, after a
// whole, synced copy of it is made beside it (or in the player's data folder,
// $XDG_DATA_HOME/hangman or ~/.local/share/hangman, when that folder may not
// be written); the copy goes once the file is whole, and a save killed
// meanwhile leaves it for the next read to put back. Refused: anything but a
// regular file, and the player's own read-only file. No signal ends it: a
// write past the file size limit fails like a full disk. Returns 1 when the
// file holds the new contents; 0 when it keeps the old ones (errno says why,
// and one line on stderr names the file). Out of memory: as for a node. The
// list is only read.
int Lista_visszair_fajlba(const Lista *lis, const char *fajlnev);
// What the add-word screen saves with: under the one lock, from the read to
// the end of the write, reads the file (which must be read whole), adds szo
// (when not NULL) at its sorted place as Lista_rendezetten_beszur does, and
// writes it back as Lista_visszair_fajlba does. Returns as that does.
int szofajl_ment(const char *fajlnev, const char *szo);

// Console aids: number of nodes; each word on its own line on stdout; the
// digits of 1..n, each modulo 10, in one line on stdout.
int Lista_hossz(const Lista *lis);
void Lista_kiir(const Lista *lis);
void szamoz(int n);

// --- Candidate filtering and the letter step -------------------------------

// Returns a new list of copies of the words exactly hossz long, in order (NULL
// when none); lis is neither changed nor released.
Lista *Lista_szur_hosszra(const Lista *lis, int hossz);
// 1 when at every position of szo the pattern tipp holds '_' or the same
// letter; only szo's length is walked. Else 0.
int egyezik(const char *szo, const char *tipp);
// Returns a new list of copies of the words matching tipp, in order (NULL when
// none). Releases lis, in every case.
Lista *Lista_szur_karakterekre(Lista *lis, const char *tipp);
// 1 when betu occurs in szo exactly ennyiszer times, else 0.
int ennyiszer_szerepel(const char *szo, char betu, int ennyiszer);
// The least number of times betu occurs in a word of lis; -1 for the empty
// list or when that least number exceeds the first word's length.
int minimum_ahanyszor_szoban_szerepel(const Lista *lis, char betu);
// The letter step. Keeps the family of words in which betu occurs the fewest
// times and returns it as a new list; releases lis. When some word lacks betu,
// adds 1 to *hibak and appends betu to probalt (at most 10 letters); otherwise
// writes betu into tipp at the one hidden position where most family words
// hold it (every position, for a family of one) and appends it to eltalalt (at
// most 49 letters). Given the empty list it changes nothing and returns NULL.
// Words of other lengths, a shorter pattern or one without '_' never make it
// touch a byte outside the words, tipp or the two letter strings.
Lista *Lista_szur_beture(Lista *lis, char betu, char *tipp, int *hibak, char *probalt, char *eltalalt);
// 1 when betu is not 'a'..'z' or stands in tomb1 or tomb2, else 0.
int volt_mar_vagy_ertelmetlen(char betu, const char *tomb1, const char *tomb2);
// Writes into tipp, at every position where szo holds a letter that tipp
// already shows somewhere, that letter. szo is only read.
void betuk_kitolt(char *tipp, const char *szo);
// The length of the longest word of lis; 0 for the empty list.
int leghosszabb_szo(const Lista *lis);

// --- For the game ----------------------------------------------------------

// Returns a new list of copies of lis's words, each word once (its first
// occurrence), order otherwise kept; lis is neither changed nor released.
Lista *Lista_ismetles_nelkul(const Lista *lis);

#endif

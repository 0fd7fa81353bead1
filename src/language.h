// The language codes: the language chooser sets one, and the captions, the
// messages and the word file of every screen follow it.
#ifndef LANGUAGE_H
#define LANGUAGE_H

enum { HUNGARIAN = 1, ENGLISH = 2 };

#endif

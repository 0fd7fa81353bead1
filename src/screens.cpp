// The game screen and the add-word screen.
#include "screens.h"

#include "jatek.h"
#include "widgets.h"

char letter_from_key(SDLKey sym)
{
    unsigned key = (unsigned)sym;
    if (key < 'a' || key > 'z') return 0;
    // The keyboards this game was made for swap the two keys.
    if (key == 'y') return 'z';
    if (key == 'z') return 'y';
    return (char)key;
}

// ---- Game screen -----------------------------------------------------------

// ---- Add-word screen -------------------------------------------------------

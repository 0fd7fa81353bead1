// Word store and guessing engine.
#include "jatek.h"

// The language chooser and the main menu.
#include "menus.h"

#include "screens.h"
#include "widgets.h"

int cheat = 0;

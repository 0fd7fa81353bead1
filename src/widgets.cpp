// Drawing and widgets.
#include "widgets.h"

// The controller classes are header-only apart from their class records, which the
// declaration macro keeps inline; this file anchors the library's object code for them.
#include "game/objects/Controller.h"

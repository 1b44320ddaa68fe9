// Commands of the main window whose work is not written yet. Each one moves to its own unit
// when that feature is built; until then they do nothing.
#include "app/createavi.h"

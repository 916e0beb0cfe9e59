/* The runtime bridge header is C as much as C++: compiled as C here, its
 * layout checks hold for the C compiler's view of the records as well. */
#include "extension/runtime_bridge.h"

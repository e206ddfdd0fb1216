#include "setup.h"

// The build version; the About page shows the same text.
extern "C" const char* getFileVersionString() {
    return "06.00.0064 (b0062, U0054)";
}

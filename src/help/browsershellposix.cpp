// Internet Explorer's windows where there is no Internet Explorer (the
// POSIX build): no window ever shows the help, so the browser is started.
#include "help/browsershell.h"

int navigateHelpWindow(BrowserInfo*, const char*, uint32_t) {
    return -1;
}

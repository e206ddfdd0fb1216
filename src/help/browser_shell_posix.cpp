// Internet Explorer's windows where there is no Internet Explorer (the
// POSIX build): no window ever shows the help, so the browser is started.
#include "help/browser_shell.h"

int navigateHelpWindow(BrowserInfo*, const char*, uint32_t) {
    return -1;
}

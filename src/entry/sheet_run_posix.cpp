// The sheet run where there is no property sheet (the POSIX build): a
// request that needs one cannot be carried out.
#include "entry/sheet_run.h"

int runSetupSheet(SetupContext*) {
    return 0;
}

// The sheet run where there is no property sheet (the POSIX build): a
// request that needs one cannot be carried out.
#include "entry/sheetsetu.h"

int runSetupSheet(SetupContext*) {
    return 0;
}

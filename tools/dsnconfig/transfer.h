// export and import: moving a driver's data sources between machines as
// a text file (dsnfile.h).
#pragma once
#include "cmdline.h"

namespace dsnconfig {

int exportSources(const Command& command);
int importSources(const Command& command);

} // namespace dsnconfig

// export and import: moving a driver's data sources between machines as
// a text file (data_source_file.h).
#pragma once
#include "command_line.h"

namespace dsnconfig {

int exportSources(const Command& command);
int importSources(const Command& command);

} // namespace dsnconfig

// Registering the driver with the installer, and giving the registration
// back.
#pragma once
#include "cmdline.h"

namespace dsnconfig {

// Exit status of remove-driver when other installations still use the
// driver: the caller keeps the files.
constexpr int stillInUse = 3;

int installDriver(const Command& command);
int removeDriver(const Command& command);

} // namespace dsnconfig

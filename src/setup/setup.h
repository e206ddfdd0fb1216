// Exported entry points of the setup library.
#pragma once

extern "C" const char* getFileVersionString();

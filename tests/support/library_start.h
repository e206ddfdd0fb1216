// The library started inside a program of its own, as it starts inside a
// host: the test programs, the fuzz targets and the help URL tool.
#pragma once

// Starts the library as the setup library's entry function does when a
// process loads it (the loading thread's record; on the host, first the
// stand-ins for the files it loads by name on Windows), then loads the
// resource library by its name so that diagnostics have their message
// texts. False, with the reason on stderr, when either fails.
bool startLibrary();
// The same for a fuzz target's one-time set-up, which has no way to report
// a failure: the program stops instead.
void startLibraryOrStop();
// Loads the resource library again when a request gave its use back (an
// interactive request does when it ends); true when it is loaded.
bool reloadResourceLibrary();
// Gives the resource library back and ends the library as process detach
// does.
void stopLibrary();

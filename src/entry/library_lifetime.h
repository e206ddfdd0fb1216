// Library start-up and shut-down.
#pragma once

// Process attach work of the entry function: 1 when the library may load,
// 0 when the loading thread's record cannot be made.
int attachProcess(void* module);
// Process detach work: releases the installer profile binding, empties the
// static error texts and destroys every per-thread record.
void detachProcess();
// Module handle remembered at process attach; the resource library's name
// is derived from it.
extern void* libraryModule;

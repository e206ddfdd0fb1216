// Start-up shared by the fuzz targets: the library started as its entry
// function would, with the resource library for message texts.
#pragma once

// Call once, from LLVMFuzzerInitialize.
void startLibraryForFuzzing();

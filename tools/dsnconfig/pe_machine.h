// The machine a Windows program file is built for, read from its PE
// header: a setup library must match the architecture of the ODBC
// administrator that loads it, which is the architecture of the tool that
// registers it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dsnconfig {

constexpr uint16_t machineI386 = 0x014C;
constexpr uint16_t machineAmd64 = 0x8664;

// How many leading bytes of a file peMachine needs at most: DOS header,
// stub and PE header of any linker in use stay well inside.
constexpr size_t peHeaderBytes = 4096;

// The machine field of the PE header at the start of a file (size bytes
// of it). False when the bytes are not a PE file's header or the header
// lies beyond them.
bool peMachine(const unsigned char* bytes, size_t size, uint16_t* machine);

// The machine this tool itself was built for.
uint16_t toolMachine();

// "32-bit (i386)", "64-bit (x86-64)" or "unknown".
const char* machineName(uint16_t machine);

} // namespace dsnconfig

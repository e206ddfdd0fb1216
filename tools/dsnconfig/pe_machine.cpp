#include "pe_machine.h"

namespace dsnconfig {

namespace {
uint32_t littleEndian(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}
} // namespace

bool peMachine(const unsigned char* bytes, size_t size, uint16_t* machine) {
    // "MZ", and at offset 0x3C the offset of "PE\0\0", which the machine
    // field follows.
    enum : size_t { headerOffsetField = 0x3C, signatureBytes = 4, machineBytes = 2 };
    if (size < headerOffsetField + 4 || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    size_t header = littleEndian(bytes + headerOffsetField, 4);
    if (header > size || size - header < signatureBytes + machineBytes)
        return false;
    const unsigned char* signature = bytes + header;
    if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
        return false;
    *machine = static_cast<uint16_t>(littleEndian(signature + signatureBytes, machineBytes));
    return true;
}

uint16_t toolMachine() {
    return sizeof(void*) == 8 ? machineAmd64 : machineI386;
}

const char* machineName(uint16_t machine) {
    switch (machine) {
    case machineI386:
        return "32-bit (i386)";
    case machineAmd64:
        return "64-bit (x86-64)";
    default:
        return "unknown";
    }
}

} // namespace dsnconfig

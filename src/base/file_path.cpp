#include "base/file_path.h"
#include "base/multibyte_text.h"

const char* pathFileName(const char* path) {
    const char* name = path;
    if (path[0] && path[1] == ':')
        name = path + 2;
    const char* backslash = findLastChar(name, '\\', encodingAnsi);
    const char* slash = findLastChar(name, '/', encodingAnsi);
    const char* last = backslash > slash ? backslash : slash;
    return last ? last + 1 : name;
}

bool joinPath(char* out, size_t capacity, const char* directory, size_t directoryLength,
              const char* name) {
    size_t nameLength = textLength(name);
    if (directoryLength + 1 + nameLength + 1 > capacity)
        return false;
    // The directory may already stand at the start of out.
    if (out != directory)
        copyBytes(out, directory, directoryLength);
    out[directoryLength] = '\\';
    copyBytesZ(out + directoryLength + 1, name, nameLength);
    return true;
}

// In-place scrambling of byte buffers, and the stored form of secret-text
// attribute values built on it.
#pragma once
#include <cstddef>
#include <cstdint>

// Scrambling modes.
enum : uint16_t {
    scrambleInvert = 1,        // every byte complemented
    scrambleInvertNoLines = 2, // complemented except CR, LF and their complements
    scrambleCipher = 3,        // 8-bit TEA rounds over byte pairs, keyed
};

// Transform the n bytes of buf in place. keyText (may be null) replaces the
// start of the cipher's built-in key and is used by the cipher mode only;
// values must be unscrambled with the key they were scrambled with. Modes
// 1 and 2 are their own inverse. Returns 0 for a known mode; an unknown
// mode leaves buf unchanged and returns 1.
int scrambleValue(void* buf, int32_t n, uint16_t mode, const char* keyText);
int unscrambleValue(void* buf, int32_t n, uint16_t mode, const char* keyText);

// The stored form of a secret-text value: the byte 0xFF, then the upper-case
// hexadecimal text of the value scrambled in the cipher mode with the
// built-in key, then a terminator. An empty value is stored empty.
enum : unsigned char { secretMarker = 0xFF };

// Bytes, terminator included, that encodeSecretValue needs for a value of n
// bytes.
size_t secretStoredSize(size_t n);

// Writes the stored form of the valueLength bytes at value to out (outSize
// bytes, terminator included) and its length without the terminator to
// *storedLength. A value that already is a stored form (the marker and an
// even, nonzero number of hexadecimal digits) is copied unchanged, so that
// storing a value twice does not scramble it twice. out may be the same
// buffer as value. Returns 1, with out untouched, when outSize is too small.
int encodeSecretValue(char* out, size_t outSize, const char* value, size_t valueLength,
                      size_t* storedLength);

// Reverses encodeSecretValue: a value that begins with the marker is decoded
// and unscrambled into out (terminated) and its length stored in
// *valueLength; any other value is clear text and is copied as it is. out
// needs storedLength / 2 + 1 bytes for a stored form and storedLength + 1
// for clear text; out may be the same buffer as stored. Returns 1 when out
// is too small (out untouched) and, after posting error 2708, when the
// digits after the marker are not hexadecimal text of whole bytes.
int decodeSecretValue(char* out, size_t outSize, const char* stored, size_t storedLength,
                      size_t* valueLength);

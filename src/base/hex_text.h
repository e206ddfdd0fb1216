// Hexadecimal text of byte buffers: two upper-case digits per byte, high
// nibble first. Used for the stored form of secret-text values and for the
// address that a file data source's caller passes as text.
#pragma once
#include <cstdint>

// Writes the 2n digits of the n bytes at in to out and returns 2n. No
// terminator is written. out may be the same buffer as in (it must then
// hold 2n bytes): the bytes are encoded from the last to the first, so each
// byte is read before its position is overwritten.
uint32_t hexEncode(char* out, const void* in, uint32_t n);

// Reads n hexadecimal digits (either case) from in and writes (n + 1) / 2
// bytes to out; with n odd the last digit becomes a byte of its own with
// that digit as its high nibble. No terminator is written. Returns 0, or 1
// after posting error 2708 when a character is not a digit; the bytes
// completed before it are then written but must not be used. out may be
// the same buffer as in, or start before it: each byte is written after
// the digits it comes from have been read.
int hexDecode(void* out, const char* in, uint32_t n);

// The library's one allocation function. Every allocation of the library,
// object or buffer, goes through rvAlloc/rvRealloc so that a failure is
// always noted in the thread's error list and so that tests can make any
// chosen allocation fail.
#pragma once
#include <cstddef>

// Returns a block of at least size bytes (a request for 0 bytes asks for 1),
// or null after noteOutOfMemory() when the block cannot be had.
void* rvAlloc(size_t size);
// Resizes block (null: a new block). On failure the old block is untouched,
// out of memory is noted and the result is null.
void* rvRealloc(void* block, size_t size);
void rvFree(void* block);
// An owned copy of n bytes of text with a terminator added, or of a
// terminated text; null when memory ran out. Freed with rvFree.
char* rvAllocText(const char* bytes, size_t n);
char* rvAllocText(const char* text);

// Test hooks. rvAllocFailAt(n) makes the n-th allocation from now fail
// (1 = the next one); 0 turns failing off. rvAllocCount() counts the
// allocations attempted since the last rvAllocFailAt call; rvAllocLive()
// is the number of blocks currently held.
void rvAllocFailAt(long n);
long rvAllocCount();
long rvAllocLive();

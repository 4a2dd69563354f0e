#pragma once

#include <cstddef>

namespace kelvista {

// Memory for frames' pixels, taken straight from the system (anonymous pages on POSIX,
// VirtualAlloc on Windows) instead of the C library's heap. A heap allocator adapts its
// thresholds to the sizes it sees: after the first few large frames it serves each new one from
// a heap that cannot shrink while anything small sits above it, and stepping quickly through
// large frames then parks hundreds of megabytes there for good.
//
// Fresh pages cost a fault and a zero fill each, so the most recently released block is kept as
// one spare and handed out again to the next request of the same size: stepping through frames
// of one size then costs no system call and no fault, and the memory held is always the live
// blocks plus at most that one spare, whatever the order of allocations and releases.
//
// Blocks are page aligned (so 64-byte aligned for the row loops). Their content is unspecified:
// a fresh block is zero, a reused one holds the pixels of the frame it last held. Thread safe.

// A block of `bytes`; nullptr when `bytes` is 0 or the memory cannot be had.
void* AllocatePixelBlock(size_t bytes);
// Returns a block from AllocatePixelBlock; `bytes` is the size it was allocated with. The block
// becomes the spare; the previous spare goes back to the system.
void ReleasePixelBlock(void* block, size_t bytes);
// Gives the spare block back to the system, for when no frame of its size is coming soon.
void ReleaseSparePixelBlock();
// The size of the spare block, 0 when there is none (tests, diagnostics).
size_t SparePixelBlockBytes();

// Whether memory for pixels was refused on this thread (the system had none to give) since the
// last ClearPixelMemoryShortage: what tells a machine out of memory from a damaged file, whose
// load fails with the same codes. Thread local, so each worker asks about its own loads.
bool PixelMemoryShortage();
void NotePixelMemoryShortage();
void ClearPixelMemoryShortage();

}  // namespace kelvista

#include "PixelBlock.h"

#include <mutex>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace kelvista {

namespace {

void* MapBlock(size_t bytes) {
#if defined(_WIN32)
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
#else
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
#endif
}

void UnmapBlock(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
#if defined(_WIN32)
    (void)bytes;
    VirtualFree(block, 0, MEM_RELEASE);
#else
    munmap(block, bytes);
#endif
}

struct Spare {
    std::mutex mutex;
    void* block = nullptr;
    size_t bytes = 0;
};

Spare& TheSpare() {
    static Spare spare;
    return spare;
}

thread_local bool t_memoryShortage = false;

}  // namespace

bool PixelMemoryShortage() {
    return t_memoryShortage;
}

void NotePixelMemoryShortage() {
    t_memoryShortage = true;
}

void ClearPixelMemoryShortage() {
    t_memoryShortage = false;
}

void* AllocatePixelBlock(size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    void* stale = nullptr;
    size_t staleBytes = 0;
    {
        Spare& spare = TheSpare();
        std::lock_guard lock(spare.mutex);
        if (spare.block != nullptr && spare.bytes == bytes) {
            spare.bytes = 0;
            return std::exchange(spare.block, nullptr);
        }
        // A spare of another size is unlikely to be asked for again soon: the frames of a
        // recording change size rarely. Give it back before mapping, so the two never coexist.
        stale = std::exchange(spare.block, nullptr);
        staleBytes = std::exchange(spare.bytes, 0);
    }
    UnmapBlock(stale, staleBytes);
    void* block = MapBlock(bytes);
    if (block == nullptr) {
        NotePixelMemoryShortage();
    }
    return block;
}

void ReleasePixelBlock(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
    Spare& spare = TheSpare();
    std::unique_lock lock(spare.mutex);
    void* stale = std::exchange(spare.block, block);
    const size_t staleBytes = std::exchange(spare.bytes, bytes);
    lock.unlock();
    UnmapBlock(stale, staleBytes);
}

void ReleaseSparePixelBlock() {
    Spare& spare = TheSpare();
    std::unique_lock lock(spare.mutex);
    void* stale = std::exchange(spare.block, nullptr);
    const size_t staleBytes = std::exchange(spare.bytes, 0);
    lock.unlock();
    UnmapBlock(stale, staleBytes);
}

size_t SparePixelBlockBytes() {
    Spare& spare = TheSpare();
    std::lock_guard lock(spare.mutex);
    return spare.bytes;
}

}  // namespace kelvista

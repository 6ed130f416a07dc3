// Memory blocks behind handles: GlobalAlloc, GlobalLock/GlobalUnlock with a lock count,
// GlobalFree, GlobalSize. A fixed block's handle is its address; a movable block's handle is a
// separate value, so a freed or made-up handle is refused rather than followed.
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "kernel.h"

namespace plat {
namespace {

// Blocks larger than this are refused as if memory had run out: the caller gets null, and the
// process is never asked for an absurd amount at once.
constexpr SIZE_T MAX_BLOCK = (SIZE_T)1 << 28;
constexpr int MAX_LOCKS = 255;  // the system's lock count saturates here

struct Release {
    void operator()(void *p) const { std::free(p); }
};

struct Block {
    std::unique_ptr<void, Release> data;  // at least one byte; blocks still held at exit are freed then
    SIZE_T size = 0;
    bool fixed = false;
    int locks = 0;
};

struct MemoryState {
    std::unordered_map<HGLOBAL, Block> blocks;
    int fail_next;  // a test's request: this many of the next allocations fail
};
MemoryState state;

Block *find(HGLOBAL h) {
    if (!obj_alive(h, OBJ_GLOBAL)) return nullptr;
    auto it = state.blocks.find(h);
    return it == state.blocks.end() ? nullptr : &it->second;
}

}  // namespace
}  // namespace plat

using namespace plat;

// A block of exactly `bytes` bytes (zeroed with GMEM_ZEROINIT); null when it cannot be had.
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > MAX_BLOCK) return nullptr;
    if (state.fail_next > 0) {
        state.fail_next--;
        return nullptr;
    }
    void *data = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!data) return nullptr;
    bool fixed = !(flags & GMEM_MOVEABLE);
    HGLOBAL h = fixed ? (HGLOBAL)data : (HGLOBAL)handle_new();
    if (!h) {
        std::free(data);
        return nullptr;
    }
    Block &b = state.blocks[h];
    b.data.reset(data);
    b.size = bytes;
    b.fixed = fixed;
    obj_register(h, OBJ_GLOBAL);
    return h;
}

// The block's address, counting one more lock; null for a bad handle (or an empty movable block).
LPVOID WINAPI GlobalLock(HGLOBAL h) {
    Block *b = find(h);
    if (!b) return nullptr;
    if (!b->fixed && b->size == 0) return nullptr;  // as the system: an empty movable block has no memory
    if (!b->fixed && b->locks < MAX_LOCKS) b->locks++;
    return b->data.get();
}

// Counts one lock less; TRUE while the block stays locked.
BOOL WINAPI GlobalUnlock(HGLOBAL h) {
    Block *b = find(h);
    if (!b || b->locks == 0) return FALSE;
    b->locks--;
    return b->locks > 0 ? TRUE : FALSE;
}

// Frees the block (locked or not); null on success, the handle itself when it was not a block.
HGLOBAL WINAPI GlobalFree(HGLOBAL h) {
    if (!h) return nullptr;
    if (!find(h)) return h;
    state.blocks.erase(h);
    obj_unregister(h, OBJ_GLOBAL);
    return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL h) {
    Block *b = find(h);
    return b ? b->size : 0;
}

void plat::memory_fail_next(int count) { plat::state.fail_next = count > 0 ? count : 0; }

/* MovableMemory: handle-based memory blocks with a lock count.
 *
 * The encoder library hands its bitmaps to callers as movable memory blocks: the library
 * allocates a block, returns it locked once together with the locked pointer, and the
 * caller unlocks and frees it when it has copied the bits. Callers written against the
 * classic contract keep working unchanged:
 *
 *     HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n);
 *     void* p = GlobalLock(h);      lock count + 1, pointer to the n bytes
 *     GlobalUnlock(h);              lock count - 1; non-zero while still locked
 *     GlobalSize(h);                n
 *     GlobalFree(h);                NULL on success
 *
 * Blocks never move here (there is no compaction on this platform), so a locked pointer
 * stays valid until the block is freed; the lock count is kept so that the ownership
 * rules stay checkable (a block handed over "locked once" really is locked once).
 *
 * Crossing the shared-library boundary
 * ------------------------------------
 * This header is compiled into every binary that uses it (libstripe32.so and the programs
 * that call it), so there is no single implementation: every copy must agree on how a block
 * is laid out, and a block made by one copy is locked, unlocked, measured and freed by
 * another. Two things make that safe:
 *
 *   1. Every copy gets its memory from the C library's malloc/calloc and returns it with
 *      free. A process has one C library allocator, whichever binary calls it.
 *   2. The block layout below is fixed and is part of the library's binary interface:
 *
 *        offset 0   uint32_t magic       MOVABLE_BLOCK_MAGIC while the block is alive
 *        offset 4   uint32_t lockCount   number of outstanding locks
 *        offset 8   uint64_t size        bytes requested from GlobalAlloc
 *        offset 16  the caller's bytes   (16-byte aligned, as malloc returns 16-aligned)
 *
 *      The handle is the address of the header; GlobalLock returns header + 16.
 *      Fixed-width fields and no padding make the layout the same for every compiler.
 *      Changing the layout means changing MOVABLE_BLOCK_MAGIC too, so that a mismatch
 *      between an old library and a new program is refused (GlobalLock returns NULL)
 *      instead of misread.
 *
 * All functions are static inline: each binary keeps a private copy, none is exported, and
 * no binary can interpose its copy on another's.
 *
 * The header is plain C as well as C++, because the encoder's public C header uses HGLOBAL.
 */
#ifndef KESTREL_PLATFORM_MOVABLEMEMORY_H
#define KESTREL_PLATFORM_MOVABLEMEMORY_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

/* "KMB1": Kestrel movable block, layout 1. */
#define MOVABLE_BLOCK_MAGIC 0x31424D4Bu

typedef struct MovableBlockHeader {
    uint32_t magic;
    uint32_t lockCount;
    uint64_t size;
} MovableBlockHeader;

typedef MovableBlockHeader* HGLOBAL;

#ifdef __cplusplus
static_assert(sizeof(MovableBlockHeader) == 16, "the block layout is shared between binaries");
static_assert(offsetof(MovableBlockHeader, lockCount) == 4, "the block layout is shared between binaries");
static_assert(offsetof(MovableBlockHeader, size) == 8, "the block layout is shared between binaries");
#else
_Static_assert(sizeof(MovableBlockHeader) == 16, "the block layout is shared between binaries");
_Static_assert(offsetof(MovableBlockHeader, lockCount) == 4, "the block layout is shared between binaries");
_Static_assert(offsetof(MovableBlockHeader, size) == 8, "the block layout is shared between binaries");
#endif

/* A handle is only trusted when it carries the magic of a live block of this layout. */
static inline MovableBlockHeader* MovableBlockFromHandle(HGLOBAL handle)
{
    if (handle == NULL || handle->magic != MOVABLE_BLOCK_MAGIC) return NULL;
    return handle;
}

/* Allocates a block of `bytes` bytes. Only GMEM_MOVEABLE and GMEM_ZEROINIT are understood
 * (GMEM_FIXED blocks are handled alike); other flags are refused with NULL. */
static inline HGLOBAL GlobalAlloc(unsigned int flags, size_t bytes)
{
    if ((flags & ~(GMEM_MOVEABLE | GMEM_ZEROINIT)) != 0) return NULL;
    if (bytes > SIZE_MAX - sizeof(MovableBlockHeader)) return NULL;
    const size_t total = sizeof(MovableBlockHeader) + bytes;
    MovableBlockHeader* block
        = (MovableBlockHeader*)((flags & GMEM_ZEROINIT) ? calloc(1, total) : malloc(total));
    if (block == NULL) return NULL;
    block->magic = MOVABLE_BLOCK_MAGIC;
    block->lockCount = 0;
    block->size = (uint64_t)bytes;
    return block;
}

/* Raises the lock count and returns the block's memory, or NULL for a bad handle. */
static inline void* GlobalLock(HGLOBAL handle)
{
    MovableBlockHeader* block = MovableBlockFromHandle(handle);
    if (block == NULL || block->lockCount == UINT32_MAX) return NULL;
    ++block->lockCount;
    return (unsigned char*)block + sizeof(MovableBlockHeader);
}

/* Lowers the lock count. Returns non-zero while the block stays locked, 0 once it is
 * unlocked (or was not locked at all, or the handle is bad). */
static inline int GlobalUnlock(HGLOBAL handle)
{
    MovableBlockHeader* block = MovableBlockFromHandle(handle);
    if (block == NULL || block->lockCount == 0) return 0;
    --block->lockCount;
    return block->lockCount != 0;
}

/* Size in bytes as requested from GlobalAlloc, 0 for a bad handle. */
static inline size_t GlobalSize(HGLOBAL handle)
{
    MovableBlockHeader* block = MovableBlockFromHandle(handle);
    return block == NULL ? 0 : (size_t)block->size;
}

/* Lock count of the block (the classic contract reports it through the block's flags). */
static inline unsigned int GlobalLockCount(HGLOBAL handle)
{
    MovableBlockHeader* block = MovableBlockFromHandle(handle);
    return block == NULL ? 0u : block->lockCount;
}

/* Frees the block, locked or not. Returns NULL on success and the handle itself when it
 * was not a live block. The magic is cleared first so that a stale copy of the handle is
 * refused by any later call that still happens to find the memory intact. */
static inline HGLOBAL GlobalFree(HGLOBAL handle)
{
    MovableBlockHeader* block = MovableBlockFromHandle(handle);
    if (block == NULL) return handle;
    block->magic = 0;
    free(block);
    return NULL;
}

#endif

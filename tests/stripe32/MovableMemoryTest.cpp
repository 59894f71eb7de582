// The movable-memory blocks the encoders hand across the library boundary.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "platform/MovableMemory.h"

namespace {

TEST(MovableMemory, LockCountFollowsTheClassicContract)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 100u);
    EXPECT_EQ(GlobalLockCount(block), 0u);
    EXPECT_EQ(GlobalUnlock(block), 0); // not locked

    auto* first = static_cast<unsigned char*>(GlobalLock(block));
    auto* second = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second); // blocks never move
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 16, 0u);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(first[i], 0) << i;
    EXPECT_EQ(GlobalLockCount(block), 2u);
    EXPECT_NE(GlobalUnlock(block), 0); // still locked once
    EXPECT_EQ(GlobalUnlock(block), 0);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MovableMemory, RefusesWhatItCannotHonour)
{
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_MAX), nullptr);
    EXPECT_EQ(GlobalAlloc(0x0100u, 10), nullptr); // a flag it does not know

    // A handle that is not a live block is refused by every call, and handed back by free.
    auto* stranger = static_cast<MovableBlockHeader*>(std::malloc(sizeof(MovableBlockHeader) + 10));
    ASSERT_NE(stranger, nullptr);
    *stranger = MovableBlockHeader { 0x12345678u, 0, 10 };
    EXPECT_EQ(GlobalLock(stranger), nullptr);
    EXPECT_EQ(GlobalSize(stranger), 0u);
    EXPECT_EQ(GlobalUnlock(stranger), 0);
    EXPECT_EQ(GlobalFree(stranger), stranger);
    std::free(stranger);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

TEST(MovableMemory, FreesLockedAndEmptyBlocks)
{
    HGLOBAL locked = GlobalAlloc(GHND, 16);
    ASSERT_NE(GlobalLock(locked), nullptr);
    EXPECT_EQ(GlobalFree(locked), nullptr);

    HGLOBAL empty = GlobalAlloc(GMEM_FIXED, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_EQ(GlobalFree(empty), nullptr);
}

} // namespace

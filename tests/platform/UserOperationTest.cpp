// The user-abort flag belongs to the operation the user started: an Escape outside one is
// ignored, an Escape inside one stays set through the operations it nests (a write's
// reconnect), and the next operation starts clear.
#include "platform/Host.h"

#include <gtest/gtest.h>

namespace {

TEST(UserOperation, EscapeCountsOnlyInsideTheOperationItEnds)
{
    SetUserAbort(false);
    RequestUserAbort();
    EXPECT_FALSE(UserAbortRequested());
    {
        UserOperation write;
        RequestUserAbort();
        {
            UserOperation reconnect;
            EXPECT_TRUE(UserAbortRequested());
        }
        EXPECT_TRUE(UserAbortRequested());
    }
    EXPECT_FALSE(UserOperationRunning());
    UserOperation next;
    EXPECT_FALSE(UserAbortRequested());
}

} // namespace

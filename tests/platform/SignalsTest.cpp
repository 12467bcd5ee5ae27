// The stop signals turned into the stop event, in this process.
#include "platform/Signals.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace Quillmoren::Libraries::Platform;

TEST(StopSignals, SetTheEventAndKeepTheFirstSignal) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    {
        const CStopSignals signals;
        ASSERT_TRUE(signals.IsValid());
        EXPECT_EQ(signals.Received(), 0);
        EXPECT_FALSE(signals.Event().IsSet());
        // The process goes on: the signals only ask it to stop.
        raise(SIGHUP);
        raise(SIGTERM);
        EXPECT_TRUE(signals.Event().IsSet());
        EXPECT_EQ(signals.Received(), SIGHUP); // what the exit status reports
    }
    // The handling before is back.
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    // A later object starts afresh.
    const CStopSignals again;
    EXPECT_EQ(again.Received(), 0);
    raise(SIGINT);
    EXPECT_EQ(again.Received(), SIGINT);
    EXPECT_TRUE(again.Event().IsSet());
}

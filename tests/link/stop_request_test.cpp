#include "link/stop_request.h"

#include <gtest/gtest.h>

#include "config/host_config.h"
#include "config/log.h"
#include "support/test_env.h"

TEST(StopRequest, EveryCheckThatFindsOneIsLogged) {
    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);

    EXPECT_EQ(IsStopRequested(), 0);
    SetStopRequest(1);
    EXPECT_EQ(IsStopRequested(), 1);
    EXPECT_EQ(IsStopRequested(), 1);
    SetStopRequest(2);
    EXPECT_EQ(IsStopRequested(), 2) << "any non-zero value asks for a stop";
    SetStopRequest(0);
    EXPECT_EQ(IsStopRequested(), 0);
    EXPECT_EQ(CountOf(dir.LogText(), "STOP RUNNING REQUESTED"), 2);
}

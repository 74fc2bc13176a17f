#include "rc_server_fixture.h"

#include <cstdlib>

#include "config/host_config.h"
#include "config/log.h"
#include "remote/rc_server.h"

void RcServerTest::SetUp() {
    HostConfig config{};
    config.loggingLevel = 2;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);
    port_ = FreeTcpPort();
    setenv("TERMBRIDGE_RC_PORT", std::to_string(port_).c_str(), 1);
    ASSERT_EQ(InitRcServer(), 0);
    StartRcServer();
}

void RcServerTest::TearDown() { StopRcServer(); }

std::unique_ptr<WireClient> RcServerTest::Connect() const {
    auto client = std::make_unique<WireClient>(port_);
    EXPECT_TRUE(client->connected());
    return client;
}

bool RcServerTest::WaitForLog(const std::string& text, int times) const {
    return WaitFor([&] { return CountOf(Log(), text) >= times; });
}

void RcServerTest::WriteConfigFile(int loggingLevel) const {
    WriteWholeFile(dir_.File(Program().configFileName),
                   "LOGGING_LEVEL = \"" + std::to_string(loggingLevel) + "\"\r\n\r\n");
}

#pragma once
// A remote-control server on a free loopback port, with a private data directory and the
// log at the detailed level, for one test.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/test_env.h"
#include "wire_client.h"

class RcServerTest : public ::testing::Test {
protected:
    explicit RcServerTest(ProgramKind kind = ProgramKind::Service) : dir_(kind) {}
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<WireClient> Connect() const;
    std::string Log() const { return dir_.LogText(); }
    // Waits until the log holds the text the given number of times.
    bool WaitForLog(const std::string& text, int times = 1) const;
    // A configuration file whose only setting is the log level, so re-reads keep logging.
    void WriteConfigFile(int loggingLevel) const;

    TempDataDir dir_;
    std::uint16_t port_ = 0;
};

class RcDesktopServerTest : public RcServerTest {
protected:
    RcDesktopServerTest() : RcServerTest(ProgramKind::Desktop) {}
};

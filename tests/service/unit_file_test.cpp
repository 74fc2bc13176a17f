// The unit -install writes: every path systemd would misread is escaped or refused.

#include <gtest/gtest.h>

#include <string>

#include "unit_file.h"

namespace {

TEST(UnitFile, PathsAreWrittenAsSystemdReadsThem) {
    const struct {
        const char* name;
        std::string program;
        std::string directory;
        std::string execStart;
        std::string workingDirectory;
    } cases[] = {
        {"plain", "/opt/termbridge/TermbridgeService", "/var/lib/termbridge",
         "ExecStart=/opt/termbridge/TermbridgeService", "WorkingDirectory=/var/lib/termbridge"},
        {"space", "/opt/term bridge/TermbridgeService", "/srv/pos data",
         "ExecStart=\"/opt/term bridge/TermbridgeService\"", "WorkingDirectory=/srv/pos data"},
        {"specifier", "/opt/100%/TermbridgeService", "/data/%h", "ExecStart=/opt/100%%/TermbridgeService",
         "WorkingDirectory=/data/%%h"},
        {"dollar", "/opt/$HOME/TermbridgeService", "/data/$HOME", "ExecStart=/opt/$HOME/TermbridgeService",
         "WorkingDirectory=/data/$HOME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto unit = UnitFileText(c.program, c.directory);
        ASSERT_TRUE(unit.has_value());
        EXPECT_NE(unit->find("\n" + c.execStart + "\n"), std::string::npos) << *unit;
        EXPECT_NE(unit->find("\n" + c.workingDirectory + "\n"), std::string::npos) << *unit;
        EXPECT_EQ(unit->find("@TB_"), std::string::npos) << *unit;
    }
}

TEST(UnitFile, PathsSystemdCannotTakeAreRefused) {
    const struct {
        const char* name;
        std::string program;
        std::string directory;
    } cases[] = {
        {"relative program", "bin/TermbridgeService", "/var/lib/termbridge"},
        {"relative directory", "/opt/TermbridgeService", "data"},
        {"empty directory", "/opt/TermbridgeService", ""},
        {"line break in program", "/opt/x\n[Service]/TermbridgeService", "/var/lib/termbridge"},
        {"line break in directory", "/opt/TermbridgeService", "/var/lib\nExecStartPre=/bin/false"},
        {"quote in program", "/opt/it's/TermbridgeService", "/var/lib/termbridge"},
        {"backslash in program", "/opt/a\\b/TermbridgeService", "/var/lib/termbridge"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(UnitFileText(c.program, c.directory).has_value());
    }
}

}  // namespace

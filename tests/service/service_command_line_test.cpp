// The command line of the built program, with the unit directory and systemctl redirected to a
// private directory and a recording stand-in.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "service_process.h"
#include "support/test_env.h"

namespace {

const std::string kUsage =
    "Parameters:\n"
    " -install  to install the service.\n"
    " -remove   to remove the service.\n";
const std::string kUnitName = "TermbridgeService.service";

// Records each call; "is-active" prints the first line of `states` (dropping it while more
// follow), "stop" replaces them by `after-stop`; a file `fail-<command>` makes that command fail.
const char* kFakeSystemctl = R"sh(#!/bin/sh
dir=$(dirname "$0")
echo "$*" >> "$dir/calls"
[ -e "$dir/fail-$1" ] && exit 1
case "$1" in
is-active)
    state=inactive
    if [ -s "$dir/states" ]; then
        state=$(head -n 1 "$dir/states")
        if [ "$(wc -l < "$dir/states")" -gt 1 ]; then
            tail -n +2 "$dir/states" > "$dir/states.next" && mv "$dir/states.next" "$dir/states"
        fi
    fi
    echo "$state"
    [ "$state" = active ] && exit 0
    exit 3;;
stop)
    [ -e "$dir/after-stop" ] && cp "$dir/after-stop" "$dir/states";;
esac
exit 0
)sh";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// A private data directory, unit directory and systemctl for one run of the program.
class FakeSystem {
public:
    FakeSystem() {
        std::filesystem::create_directory(UnitDirectory());
        WriteWholeFile(Systemctl(), kFakeSystemctl);
        chmod(Systemctl().c_str(), 0755);
    }

    std::string UnitDirectory() const { return dir_.File("units"); }
    std::string UnitFile() const { return UnitDirectory() + "/" + kUnitName; }
    std::string Systemctl() const { return dir_.File("systemctl"); }
    std::vector<std::string> Calls() const { return Lines(ReadWholeFile(dir_.File("calls"))); }
    bool UnitExists() const { return std::filesystem::exists(UnitFile()); }

    // One state per line, as successive "is-active" calls report them.
    void SetStates(const std::string& states) { WriteWholeFile(dir_.File("states"), states); }
    void SetStatesAfterStop(const std::string& states) { WriteWholeFile(dir_.File("after-stop"), states); }
    void FailCommand(const std::string& command) { WriteWholeFile(dir_.File("fail-" + command), ""); }

    ServiceRun Run(const std::vector<std::string>& arguments) {
        return RunServiceProgram(arguments,
                                 {"TERMBRIDGE_UNIT_DIR=" + UnitDirectory(), "TERMBRIDGE_SYSTEMCTL=" + Systemctl()});
    }
    const std::string& DataDirectory() const { return dir_.path(); }

private:
    TempDataDir dir_;
};

// Without systemd there is nothing to run under: the usage, then the dispatcher's failure.
TEST(ServiceCommandLine, FromConsoleShowsUsageAndDispatcherFailure) {
    FakeSystem system;
    const struct {
        const char* name;
        std::vector<std::string> arguments;
    } cases[] = {
        {"no argument", {}},
        {"word without switch character", {"install"}},
        {"empty argument", {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ServiceRun run = system.Run(c.arguments);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, kUsage + "Service failed to run w/err 0x0000006b\n");
        EXPECT_EQ(run.errors, "");
    }
    EXPECT_TRUE(system.Calls().empty());
}

TEST(ServiceCommandLine, UnknownSwitchDoesNothing) {
    FakeSystem system;
    for (const char* argument : {"-bogus", "/x", "-", "/", "-installer", "-remov", "--install"}) {
        SCOPED_TRACE(argument);
        const ServiceRun run = system.Run({argument});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, "");
    }
    EXPECT_TRUE(system.Calls().empty());
    EXPECT_FALSE(system.UnitExists());
}

TEST(ServiceCommandLine, InstallWritesAndEnablesTheUnit) {
    for (const char* argument : {"/INSTALL", "-install", "-InStAlL"}) {
        SCOPED_TRACE(argument);
        FakeSystem system;
        const ServiceRun run = system.Run({argument});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, "TermbridgeService is installed.\nService will be started on next reboot\n");
        EXPECT_EQ(system.Calls(), std::vector<std::string>{"enable " + kUnitName});

        const std::string unit = ReadWholeFile(system.UnitFile());
        const std::string program = std::filesystem::canonical(TB_SERVICE_BINARY).string();
        EXPECT_NE(unit.find("\nExecStart=" + program + "\n"), std::string::npos) << unit;
        EXPECT_NE(unit.find("\nWorkingDirectory=" + system.DataDirectory() + "\n"), std::string::npos) << unit;
        for (const char* line : {"Type=notify", "Restart=on-failure", "WantedBy=multi-user.target"}) {
            EXPECT_NE(unit.find(std::string("\n") + line + "\n"), std::string::npos) << line;
        }
        EXPECT_EQ(unit.find('@'), std::string::npos) << "template field left unfilled";
    }
}

TEST(ServiceCommandLine, InstallOverExistingUnitRemovesItAndTriesAgain) {
    FakeSystem system;
    WriteWholeFile(system.UnitFile(), "[Service]\nExecStart=/old/program\n");
    const ServiceRun run = system.Run({"-install"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output,
              "CreateService failed w/err 0x00000011\n"
              "TermbridgeService is removed.\n"
              "TermbridgeService is installed.\n"
              "Service will be started on next reboot\n");
    EXPECT_EQ(system.Calls(), (std::vector<std::string>{"is-active " + kUnitName, "disable --no-reload " + kUnitName,
                                                 "daemon-reload", "enable " + kUnitName}));
    EXPECT_EQ(ReadWholeFile(system.UnitFile()).find("/old/program"), std::string::npos);
}

// Two failed attempts end the program before the dispatcher.
TEST(ServiceCommandLine, FailedInstallStopsAfterSecondAttempt) {
    const struct {
        const char* name;
        std::function<void(FakeSystem&)> arrange;
        std::string output;
    } cases[] = {
        {"no unit directory", [](FakeSystem& t) { std::filesystem::remove(t.UnitDirectory()); },
         "OpenSCManager failed w/err 0x00000002\nOpenSCManager failed w/err 0x00000002\n"},
        {"enable fails", [](FakeSystem& t) { t.FailCommand("enable"); },
         "CreateService failed w/err 0x00000001\nCreateService failed w/err 0x00000001\n"},
        {"systemctl missing", [](FakeSystem& t) { std::filesystem::remove(t.Systemctl()); },
         "CreateService failed w/err 0x00000002\nCreateService failed w/err 0x00000002\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem system;
        c.arrange(system);
        const ServiceRun run = system.Run({"-install"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, c.output);
        EXPECT_FALSE(system.UnitExists()) << "a unit that is not enabled is taken back";
    }
}

TEST(ServiceCommandLine, RemoveStopsAndDeletesTheUnit) {
    const std::vector<std::string> deleteCalls{"disable --no-reload " + kUnitName, "daemon-reload"};
    const struct {
        const char* name;
        const char* states;
        const char* afterStop;
        std::string output;
        bool stopRequested;
    } cases[] = {
        {"stopped service", "inactive\n", "", "TermbridgeService is removed.\n", false},
        {"failed service", "failed\n", "", "TermbridgeService is removed.\n", false},
        {"service stopping already", "deactivating\n", "", "TermbridgeService is removed.\n", false},
        {"running service", "active\n", "inactive\n",
         "Stopping TermbridgeService.\nTermbridgeService is stopped.\nTermbridgeService is removed.\n", true},
        {"slow stop", "active\n", "deactivating\ninactive\n",
         "Stopping TermbridgeService..\nTermbridgeService is stopped.\nTermbridgeService is removed.\n", true},
        {"service that keeps running", "active\n", "active\n",
         "Stopping TermbridgeService.\nTermbridgeService failed to stop.\nTermbridgeService is removed.\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem system;
        WriteWholeFile(system.UnitFile(), "[Service]\n");
        system.SetStates(c.states);
        if (*c.afterStop != '\0') system.SetStatesAfterStop(c.afterStop);

        const ServiceRun run = system.Run({"-remove"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, c.output);
        EXPECT_FALSE(system.UnitExists());
        const auto calls = system.Calls();
        const bool stopped = std::find(calls.begin(), calls.end(), "stop --no-block " + kUnitName) != calls.end();
        EXPECT_EQ(stopped, c.stopRequested);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()), deleteCalls);
    }
}

TEST(ServiceCommandLine, FailedRemoveSaysWhere) {
    const struct {
        const char* name;
        std::function<void(FakeSystem&)> arrange;
        std::string output;
        bool unitLeft;
    } cases[] = {
        {"no unit directory", [](FakeSystem& t) { std::filesystem::remove(t.UnitDirectory()); },
         "OpenSCManager failed w/err 0x00000002\n", false},
        {"not installed", [](FakeSystem&) {}, "OpenService failed w/err 0x00000002\n", false},
        {"disable fails",
         [](FakeSystem& t) {
             WriteWholeFile(t.UnitFile(), "[Service]\n");
             t.FailCommand("disable");
         },
         "DeleteService failed w/err 0x00000001\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem system;
        c.arrange(system);
        const ServiceRun run = system.Run({"/Remove"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(system.UnitExists(), c.unitLeft);
    }
}

}  // namespace

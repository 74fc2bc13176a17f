// termbridge-ecr run as a person would, against the real server.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <thread>

#include "config/config_file.h"
#include "link/link_state.h"
#include "output/last_ticket.h"
#include "rc_server_fixture.h"
#include "requests/transaction.h"

namespace {

struct ToolRun {
    int exitCode;
    std::string out;
};

class EcrTool : public RcServerTest {
protected:
    ToolRun Ecr(const std::string& arguments) const {
        const std::string command =
            std::string(TB_ECR_TOOL) + " --port " + std::to_string(port_) + " " + arguments + " 2>/dev/null";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        ToolRun run{-1, ""};
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
};

}  // namespace

TEST_F(EcrTool, HelloReadableAndJson) {
    const ToolRun readable = Ecr("hello");
    EXPECT_EQ(readable.exitCode, 0);
    EXPECT_NE(readable.out.find("Server: OK SERVER Termbridge RC+ ver v1.21 RUNNING"), std::string::npos);
    const ToolRun json = Ecr("--json hello");
    EXPECT_EQ(json.out, "{\"command\":\"hello\",\"server\":\"OK SERVER Termbridge RC+ ver v1.21 RUNNING\"}\n");
}

TEST_F(EcrTool, SaleWaitsForThePinpadThenShowsAndWritesTheTicket) {
    // The pinpad's side: take the transaction, answer with a result and a ticket.
    std::thread pinpad([] {
        std::uint16_t type = 0;
        std::int32_t amount = 0;
        std::string reference;
        ASSERT_TRUE(WaitFor([&] { return TakePendingTransaction(type, amount, reference) == 0; }));
        EXPECT_EQ(type, 0x8810);
        EXPECT_EQ(amount, 1250);
        EXPECT_EQ(reference, "R-9");
        const std::uint8_t ticket[] = {1, 9, 'T', 'O', 'T', 'A', 'L', ' ', '1', '2', '5'};
        StoreLastTicket(ticket, sizeof ticket);
        const TransactionBlock result = MakeTransactionBlock(type, amount, reference);
        StoreTransactionResult(result.data());
    });
    const std::string textFile = dir_.File("ticket.txt");
    const ToolRun run = Ecr("--json sale Sale 1250 R-9 --gsm 5550100 --interval 20 --wait 20 --ticket-text " + textFile);
    pinpad.join();
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("\"accepted\":true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"finished\":true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"result\":\"313339393300"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("TOTAL 125"), std::string::npos) << run.out;
    EXPECT_NE(ReadWholeFile(textFile).find("TOTAL 125"), std::string::npos);
}

TEST_F(EcrTool, ExitCodesTellWhatWentWrong) {
    struct Case {
        const char* name;
        std::string arguments;
        int exitCode;
    };
    const Case cases[] = {
        {"no pinpad takes the sale", "sale 8810 100 --wait 1 --interval 50", 4},
        {"a sale that replaces the pending one waits too", "sale Refund 5 --wait 1 --interval 50", 4},
        {"unknown type", "sale Bogus 100", 1},
        {"amount with a point", "sale Sale 12.50", 1},
        {"configuration file missing", "config get", 2},
        {"start while the link runs", "start-link", 2},
    };
    SerialPortInitialized.store(1);
    for (const auto& c : cases) {
        EXPECT_EQ(Ecr(c.arguments).exitCode, c.exitCode) << c.name;
    }
    SerialPortInitialized.store(0);
    const ToolRun refused = Ecr("--port 1 hello");
    EXPECT_EQ(refused.exitCode, 3);
}

TEST_F(EcrTool, ConfigSetChangesOnlyTheNamedKeys) {
    WriteConfigFile(2);
    const ToolRun set = Ecr("config set COM_PORT=5 D2XX_NAME=Pinpad-A");
    EXPECT_EQ(set.exitCode, 0) << set.out;
    EXPECT_NE(set.out.find("COM_PORT=5"), std::string::npos);
    EXPECT_NE(set.out.find("LOGGING_LEVEL=2"), std::string::npos);
    const std::string file = ReadWholeFile(dir_.File(Program().configFileName));
    EXPECT_NE(file.find("COM_PORT = \"5\""), std::string::npos);
    EXPECT_NE(file.find("D2XX_NAME = \"Pinpad-A\""), std::string::npos);

    for (const char* bad : {"config set NO_SUCH_KEY=1", "config set COM_PORT=x", "config set LOGGING_LEVEL=300"}) {
        EXPECT_EQ(Ecr(bad).exitCode, 1) << bad;
    }
    EXPECT_NE(Ecr("config get").out.find("COM_PORT=5"), std::string::npos);
}

#include "ecr_commands.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "ecr_config_text.h"
#include "ecr_ticket_files.h"
#include "requests/transaction.h"

using namespace ecr;

namespace {

struct Session {
    EcrClient& client;
    EcrReport& report;
    std::vector<std::string> args;  // after the subcommand
};

// The host never reads the pinpad's block; a person sees its size and signature, --json all of it.
void ReportResult(const Session& session, const PollAnswer& answer) {
    const std::string signature(reinterpret_cast<const char*>(answer.result.data()), 5);
    session.report.Text("result", "Result block",
                        std::to_string(answer.result.size()) + " bytes, signature " + signature,
                        HexText(answer.result.data(), answer.result.size()));
}

int Failed(const Session& session, EcrStatus status) {
    session.report.Text("error", "Error", EcrStatusText(status));
    return kExitFailed;
}

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= low && value <= high;
}

// "--name value" options after the positional arguments; false on an unknown one.
bool SplitOptions(const std::vector<std::string>& args, std::vector<std::string>& positional,
                  std::map<std::string, std::string>& options, const std::vector<std::string>& known) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) != 0) {
            positional.push_back(args[i]);
            continue;
        }
        bool isKnown = false;
        for (const auto& name : known) isKnown = isKnown || args[i] == name;
        if (!isKnown || i + 1 >= args.size()) return false;
        options[args[i]] = args[i + 1];
        ++i;
    }
    return true;
}

// "8810" or a name of the type table such as "Sale".
bool ParseTransactionType(const std::string& text, std::uint16_t& code) {
    code = TransactionTypeCode(text);
    if (code != 0) return true;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    code = static_cast<std::uint16_t>(value);
    return text.size() == 4 && *end == '\0';
}

std::string TypeLabel(std::uint16_t code) {
    std::string name;
    TransactionTypeName(code, name);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", code);
    return name.empty() ? std::string(hex) : name + " (" + hex + ")";
}

int ShowTicket(const Session& session, const std::vector<std::uint8_t>& records,
               const std::map<std::string, std::string>& options) {
    session.report.Number("ticket_size", "Ticket size", static_cast<long long>(records.size()));
    session.report.Lines("ticket", TicketLines(records));
    const auto text = options.find("--ticket-text");
    const auto pdf = options.find("--ticket-pdf");
    std::string error;
    if (!WriteTicketFiles(records, text == options.end() ? "" : text->second, pdf == options.end() ? "" : pdf->second,
                          error)) {
        session.report.Text("error", "Error", error);
        return kExitFailed;
    }
    return kExitOk;
}

int Hello(Session& session) {
    std::string text;
    const EcrStatus status = session.client.Hello(text);
    if (status != EcrStatus::Ok) return Failed(session, status);
    session.report.Text("server", "Server", text);
    return kExitOk;
}

int Poll(Session& session) {
    PollAnswer answer;
    const EcrStatus status = session.client.PollResult(answer);
    if (status != EcrStatus::Ok) return Failed(session, status);
    session.report.Flag("finished", "Finished", answer.finished);
    if (answer.finished) {
        ReportResult(session, answer);
    } else {
        session.report.Text("answer", "Host", answer.waitText);
    }
    return kExitOk;
}

// Start, wait for the pinpad's result, then fetch the ticket.
int Sale(Session& session) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    if (!SplitOptions(session.args, positional, options,
                      {"--gsm", "--wait", "--interval", "--ticket-text", "--ticket-pdf"}) ||
        positional.size() < 2 || positional.size() > 3) {
        return kExitUsage;
    }
    SaleRequest sale;
    long amount = 0;
    long waitSeconds = 180;
    long intervalMs = 1000;
    if (!ParseTransactionType(positional[0], sale.typeCode) || !ParseNumber(positional[1], -999999999, 999999999, amount) ||
        (options.count("--wait") && !ParseNumber(options["--wait"], 1, 86400, waitSeconds)) ||
        (options.count("--interval") && !ParseNumber(options["--interval"], 10, 60000, intervalMs))) {
        return kExitUsage;
    }
    sale.amount = static_cast<std::int32_t>(amount);
    sale.reference = positional.size() > 2 ? positional[2] : "";
    sale.gsmNumber = options.count("--gsm") ? options["--gsm"] : "";

    StartAnswer started;
    EcrStatus status = session.client.StartTransaction(sale, started);
    if (status != EcrStatus::Ok) return Failed(session, status);
    session.report.Text("type", "Type", TypeLabel(sale.typeCode));
    session.report.Number("amount", "Amount", sale.amount);
    session.report.Text("reference", "Reference", sale.reference);
    session.report.Flag("accepted", "Accepted", started.accepted);
    session.report.Text("answer", "Host", started.text);
    if (!started.accepted) return kExitRefused;

    session.report.Progress("Waiting for the pinpad to finish the transaction (up to " + std::to_string(waitSeconds) +
                            " s)...");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    PollAnswer result;
    for (;;) {
        status = session.client.PollResult(result);
        if (status != EcrStatus::Ok) return Failed(session, status);
        if (result.finished || std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
    session.report.Flag("finished", "Finished", result.finished);
    if (!result.finished) {
        session.report.Text("wait_answer", "Host", result.waitText);
        return kExitTimedOut;
    }
    ReportResult(session, result);

    std::vector<std::uint8_t> records;
    status = session.client.GetLastTicket(records);
    if (status != EcrStatus::Ok) return Failed(session, status);
    return ShowTicket(session, records, options);
}

std::string LinkText(std::int32_t value) {
    switch (value) {
        case 1: return "running";
        case 0: return "down";
        case -1: return "FTDI device could not be opened";
        default: return "unknown (" + std::to_string(value) + ")";
    }
}

std::string PrinterText(std::int32_t value) {
    switch (value) {
        case 1: return "available";
        case 0: return "not available";
        case -1: return "not tested yet";
        default: return "unknown (" + std::to_string(value) + ")";
    }
}

int Status(Session& session) {
    LinkStatus link;
    const EcrStatus status = session.client.QueryLink(link);
    if (status != EcrStatus::Ok) return Failed(session, status);
    session.report.Number("serial_port_initialized", "Pinpad link code", link.serialPortInitialized);
    session.report.Text("link", "Pinpad link", LinkText(link.serialPortInitialized));
    session.report.Number("printer_on_ethernet_alive", "Ticket printer code", link.printerOnEthernetAlive);
    session.report.Text("printer", "Ticket printer", PrinterText(link.printerOnEthernetAlive));
    session.report.Number("comm_loops", "Main-loop passes", link.commLoops);
    return kExitOk;
}

int LinkControl(Session& session, bool stop) {
    std::uint8_t code = 0;
    const EcrStatus status = stop ? session.client.StopLink(code) : session.client.StartLink(code);
    if (status != EcrStatus::Ok) return Failed(session, status);
    static const char* const kStopTexts[] = {"stop started", "a stop is under way already"};
    static const char* const kStartTexts[] = {"link started", "a stop is under way, try again later",
                                              "the link runs already"};
    const std::size_t known = stop ? 2 : 3;
    session.report.Number("status", "Status", code);
    session.report.Text("meaning", "Meaning", code < known ? (stop ? kStopTexts : kStartTexts)[code] : "unknown");
    return code == 0 ? kExitOk : kExitRefused;
}

int Ticket(Session& session) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    if (!SplitOptions(session.args, positional, options, {"--ticket-text", "--ticket-pdf"}) || !positional.empty()) {
        return kExitUsage;
    }
    std::vector<std::uint8_t> records;
    const EcrStatus status = session.client.GetLastTicket(records);
    if (status != EcrStatus::Ok) return Failed(session, status);
    return ShowTicket(session, records, options);
}

int Config(Session& session) {
    if (session.args.empty()) return kExitUsage;
    const bool set = session.args[0] == "set";
    if ((!set && (session.args[0] != "get" || session.args.size() != 1)) || (set && session.args.size() < 2)) {
        return kExitUsage;
    }
    std::uint8_t result = 0;
    ConfigBlock block{};
    EcrStatus status = session.client.GetConfiguration(result, block);
    if (status != EcrStatus::Ok) return Failed(session, status);
    if (result != 0) {
        session.report.Number("status", "Status", result);
        session.report.Text("error", "Error", "the host could not read its configuration file");
        return kExitRefused;
    }
    if (set) {
        for (std::size_t i = 1; i < session.args.size(); ++i) {
            std::string error;
            if (!ApplyConfigSetting(block, session.args[i], error)) {
                session.report.Text("error", "Error", error);
                return kExitUsage;
            }
        }
        status = session.client.SetConfiguration(block, result);
        if (status != EcrStatus::Ok) return Failed(session, status);
        session.report.Number("status", "Status", result);
        if (result != 0) {
            session.report.Text("error", "Error", "the host could not write its configuration file");
            return kExitRefused;
        }
    }
    session.report.Lines("configuration", ConfigLines(block));
    return kExitOk;
}

int Screen(Session& session) {
    ScreenLayout layout{};
    const EcrStatus status = session.client.GetScreenLayout(layout);
    if (status != EcrStatus::Ok) return Failed(session, status);
    constexpr std::size_t kLineSize = 21;
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < layout.size(); start += kLineSize) {
        const auto* text = reinterpret_cast<const char*>(layout.data() + start);
        lines.emplace_back(text, strnlen(text, kLineSize));
    }
    session.report.Lines("screen", lines);
    return kExitOk;
}

int Allowed(Session& session) {
    std::vector<AllowedType> types;
    const EcrStatus status = session.client.GetAllowedTransactions(types);
    if (status == EcrStatus::BadReply) {
        session.report.Text("error", "Error", "the host does not keep the allowed types (desktop program)");
        return kExitRefused;
    }
    if (status != EcrStatus::Ok) return Failed(session, status);
    std::vector<std::string> lines;
    for (const auto& type : types) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", type.code);
        lines.push_back(std::string(code) + " " + type.name);
    }
    session.report.Number("count", "Allowed types", static_cast<long long>(types.size()));
    session.report.Lines("types", lines);
    return kExitOk;
}

const std::map<std::string, std::function<int(Session&)>>& Commands() {
    static const std::map<std::string, std::function<int(Session&)>> commands = {
        {"hello", Hello},
        {"sale", Sale},
        {"poll", Poll},
        {"status", Status},
        {"stop-link", [](Session& session) { return LinkControl(session, true); }},
        {"start-link", [](Session& session) { return LinkControl(session, false); }},
        {"ticket", Ticket},
        {"config", Config},
        {"screen", Screen},
        {"allowed", Allowed},
    };
    return commands;
}

std::uint16_t DefaultPort() {
    const char* text = std::getenv("TERMBRIDGE_RC_PORT");
    long port = 0;
    return text != nullptr && ParseNumber(text, 1, 65535, port) ? static_cast<std::uint16_t>(port) : kRcDefaultPort;
}

}  // namespace

const char* EcrUsage() {
    return "usage: termbridge-ecr [--host HOST] [--port PORT] [--timeout SECONDS] [--json] COMMAND [ARGS]\n"
           "commands:\n"
           "  hello                          greet the host\n"
           "  sale TYPE AMOUNT [REFERENCE]   start a transaction and wait for its result and ticket\n"
           "       [--gsm NUMBER] [--wait SECONDS] [--interval MS]\n"
           "       [--ticket-text FILE] [--ticket-pdf FILE]\n"
           "       TYPE is a name such as Sale or four hex digits such as 8810;\n"
           "       AMOUNT is in the currency's smallest unit (1250 = 12.50)\n"
           "  poll                           ask once for the result of the transaction\n"
           "  status                         state of the pinpad link and the ticket printer\n"
           "  stop-link | start-link         take the pinpad link down, bring it up again\n"
           "  ticket [--ticket-text FILE] [--ticket-pdf FILE]\n"
           "                                 the last ticket\n"
           "  config get | config set KEY=VALUE...\n"
           "                                 read or change the host's configuration\n"
           "  screen                         the pinpad's display text (service)\n"
           "  allowed                        the transaction types the pinpad allows (service)\n";
}

bool ParseCommandLine(int argc, char** argv, EcrCommandLine& line, std::string& error) {
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const std::string option = argv[i];
        long value = 0;
        if (option == "--json") {
            line.json = true;
        } else if (i + 1 >= argc) {
            error = option + " needs a value";
            return false;
        } else if (option == "--host") {
            line.host = argv[++i];
        } else if (option == "--port" && ParseNumber(argv[i + 1], 1, 65535, value)) {
            line.port = static_cast<std::uint16_t>(value);
            ++i;
        } else if (option == "--timeout" && ParseNumber(argv[i + 1], 1, 3600, value)) {
            line.timeout = std::chrono::seconds(value);
            ++i;
        } else {
            error = "bad option " + option + " " + argv[i + 1];
            return false;
        }
    }
    line.words.assign(argv + i, argv + argc);
    if (line.words.empty() || Commands().count(line.words[0]) == 0) {
        error = line.words.empty() ? "no command" : "unknown command " + line.words[0];
        return false;
    }
    return true;
}

int RunCommand(const EcrCommandLine& line) {
    EcrReport report(line.json);
    report.Text("command", "Command", line.words[0]);
    EcrClient client(line.timeout);
    const std::uint16_t port = line.port != 0 ? line.port : DefaultPort();
    const EcrStatus connected = client.Connect(line.host, port);
    if (connected != EcrStatus::Ok) {
        report.Text("error", "Error", std::string(EcrStatusText(connected)) + " " + line.host + ":" + std::to_string(port));
        report.Print();
        return kExitFailed;
    }
    Session session{client, report, std::vector<std::string>(line.words.begin() + 1, line.words.end())};
    const int result = Commands().at(line.words[0])(session);
    if (result == kExitUsage) {
        report.Text("error", "Error", "bad arguments for " + line.words[0]);
    }
    report.Print();
    return result;
}

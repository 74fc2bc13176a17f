#include "sim_options.h"

#include <getopt.h>

#include <cstdlib>
#include <sstream>

namespace {

bool ParseNumber(const char* text, long long low, long long high, long long& value, int base = 10) {
    char* end = nullptr;
    value = std::strtoll(text, &end, base);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseList(const char* text, long long low, long long high, int base, std::vector<long long>& values) {
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        long long value = 0;
        if (!ParseNumber(item.c_str(), low, high, value, base)) return false;
        values.push_back(value);
    }
    return !values.empty();
}

bool ParseRequestNumbers(const char* text, std::set<int>& numbers) {
    std::vector<long long> values;
    if (!ParseList(text, 1, 1000000, 10, values)) return false;
    for (long long v : values) numbers.insert(static_cast<int>(v));
    return true;
}

std::string DefaultPortsDir() {
    const char* dir = std::getenv("TERMBRIDGE_PORTS_DIR");
    return dir != nullptr && *dir != '\0' ? dir : "/etc/termbridge/ports";
}

enum Option {
    kPortsDir = 256, kCom, kLink, kDevice, kHost, kPort, kTimeout, kSales, kForever, kPoll, kWait,
    kAllowed, kBadLrc, kBadCrc, kNakReply, kSilentReply, kAckTimeout, kReplyTimeout, kHostWait, kHelp,
};

const char* OptionName(const option* table, int code) {
    for (; table->name != nullptr; ++table) {
        if (table->val == code) return table->name;
    }
    return "?";
}

}  // namespace

const char* SimUsage() {
    return "usage: termbridge-pinpad-sim [options]\n"
           "Plays a pinpad on a serial line for the Termbridge host.\n"
           "\n"
           "Line (default: a pty linked as COM1 in the ports directory):\n"
           "  --ports-dir DIR      ports directory (default $TERMBRIDGE_PORTS_DIR or /etc/termbridge/ports)\n"
           "  --com N              link the pty as COM<N> (default 1)\n"
           "  --link PATH          link the pty at PATH instead\n"
           "  --device PATH        use an existing serial device instead of a pty\n"
           "Sale:\n"
           "  --host NAME          payment host name or address (default 127.0.0.1)\n"
           "  --port N             payment host TCP port\n"
           "  --host-timeout S     receive time-out the host applies, seconds 0-99 (default 30)\n"
           "  --sales N            sales to serve before exiting (default 1)\n"
           "  --forever            serve sales until interrupted\n"
           "  --poll-ms N          pause between transaction polls (default 200)\n"
           "  --wait-ms N          give up when no transaction comes within N ms (default: wait)\n"
           "  --allowed LIST       allowed type codes in hex (default 8810,8860)\n"
           "Faults (LIST = request numbers, 1 = first request; each hits once):\n"
           "  --bad-lrc LIST       send the request frame with a wrong LRC first\n"
           "  --bad-crc LIST       send the request packet with a wrong CRC first\n"
           "  --nak-reply LIST     answer the host's first reply frame with NAK\n"
           "  --silent-reply LIST  leave the host's first reply frame unanswered\n"
           "Timing:\n"
           "  --ack-timeout-ms N   wait for the host's acknowledgement (default 1500)\n"
           "  --reply-timeout-ms N wait for the host's reply (default 60000)\n"
           "  --host-wait-ms N     wait for the host to open the line, 0 = no limit (default 0)\n"
           "\n"
           "Exit codes: 0 done, 1 usage, 2 line set-up failed, 3 host stopped answering,\n"
           "4 no transaction within --wait-ms, 5 interrupted.\n";
}

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    static const option kOptions[] = {
        {"ports-dir", required_argument, nullptr, kPortsDir},
        {"com", required_argument, nullptr, kCom},
        {"link", required_argument, nullptr, kLink},
        {"device", required_argument, nullptr, kDevice},
        {"host", required_argument, nullptr, kHost},
        {"port", required_argument, nullptr, kPort},
        {"host-timeout", required_argument, nullptr, kTimeout},
        {"sales", required_argument, nullptr, kSales},
        {"forever", no_argument, nullptr, kForever},
        {"poll-ms", required_argument, nullptr, kPoll},
        {"wait-ms", required_argument, nullptr, kWait},
        {"allowed", required_argument, nullptr, kAllowed},
        {"bad-lrc", required_argument, nullptr, kBadLrc},
        {"bad-crc", required_argument, nullptr, kBadCrc},
        {"nak-reply", required_argument, nullptr, kNakReply},
        {"silent-reply", required_argument, nullptr, kSilentReply},
        {"ack-timeout-ms", required_argument, nullptr, kAckTimeout},
        {"reply-timeout-ms", required_argument, nullptr, kReplyTimeout},
        {"host-wait-ms", required_argument, nullptr, kHostWait},
        {"help", no_argument, nullptr, kHelp},
        {nullptr, 0, nullptr, 0},
    };
    std::string portsDir = DefaultPortsDir();
    // Integrators start the simulator first and the host whenever they like.
    options.timings.peerTimeout = std::chrono::milliseconds(0);
    long long com = 1;
    optind = 1;
    opterr = 0;
    for (;;) {
        const int index = optind;
        const int code = getopt_long(argc, argv, "", kOptions, nullptr);
        if (code == -1) break;
        const char* arg = optarg;
        long long value = 0;
        bool good = true;
        std::vector<long long> list;
        switch (code) {
            case kPortsDir: portsDir = arg; break;
            case kCom: good = ParseNumber(arg, 1, 256, com); break;
            case kLink: options.linkPath = arg; break;
            case kDevice: options.devicePath = arg; break;
            case kHost: options.session.paymentHost = arg; break;
            case kPort:
                good = ParseNumber(arg, 0, 65535, value);
                options.session.paymentPort = static_cast<std::uint16_t>(value);
                break;
            case kTimeout:
                good = ParseNumber(arg, 0, 99, value);
                options.session.receiveTimeoutBcd = static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
                break;
            case kSales:
                good = ParseNumber(arg, 1, 1000000, value);
                options.session.sales = static_cast<int>(value);
                break;
            case kForever: options.session.sales = 0; break;
            case kPoll:
                good = ParseNumber(arg, 0, 3600000, value);
                options.session.pollInterval = std::chrono::milliseconds(value);
                break;
            case kWait:
                good = ParseNumber(arg, 1, 86400000, value);
                options.session.transactionWait = std::chrono::milliseconds(value);
                break;
            case kAllowed:
                good = ParseList(arg, 0, 0xFFFF, 16, list) && list.size() <= 16;
                options.session.allowedTypes.clear();
                for (long long v : list) options.session.allowedTypes.push_back(static_cast<std::uint16_t>(v));
                break;
            case kBadLrc: good = ParseRequestNumbers(arg, options.faults.badLrc); break;
            case kBadCrc: good = ParseRequestNumbers(arg, options.faults.badCrc); break;
            case kNakReply: good = ParseRequestNumbers(arg, options.faults.nakReply); break;
            case kSilentReply: good = ParseRequestNumbers(arg, options.faults.silentReply); break;
            case kAckTimeout:
                good = ParseNumber(arg, 1, 600000, value);
                options.timings.ackTimeout = std::chrono::milliseconds(value);
                break;
            case kReplyTimeout:
                good = ParseNumber(arg, 1, 3600000, value);
                options.timings.replyTimeout = std::chrono::milliseconds(value);
                break;
            case kHostWait:
                good = ParseNumber(arg, 0, 86400000, value);
                options.timings.peerTimeout = std::chrono::milliseconds(value);
                break;
            case kHelp: options.help = true; break;
            default:
                error = std::string("unknown option ") + (index < argc ? argv[index] : "");
                return false;
        }
        if (!good) {
            error = std::string("bad value for --") + OptionName(kOptions, code) + ": " + arg;
            return false;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument ") + argv[optind];
        return false;
    }
    if (!options.devicePath.empty() && !options.linkPath.empty()) {
        error = "--device and --link exclude each other";
        return false;
    }
    if (options.devicePath.empty() && options.linkPath.empty()) {
        options.linkPath = portsDir + "/COM" + std::to_string(com);
    }
    return true;
}

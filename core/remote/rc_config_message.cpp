// MESSAGE_SEND_CONFIGURATION: the whole configuration block, read or replaced.

#include <algorithm>
#include <cstring>

#include "common/program.h"
#include "config/config_file.h"
#include "config/data_directory.h"
#include "config/log.h"
#include "remote/rc_catalogue.h"
#include "remote/rc_protocol.h"

namespace {

template <std::size_t N>
void EndWithNul(char (&field)[N]) {
    field[N - 1] = '\0';
}

// The client's block, made safe to use: every text ends inside its field, and the log path
// is ours to say, not the client's.
HostConfig AcceptedBlock(const std::uint8_t* block) {
    HostConfig config;
    std::memcpy(&config, block, sizeof config);
    EndWithNul(config.printerIp);
    EndWithNul(config.printerD2xxDeviceName);
    EndWithNul(config.d2xxName);
    EndWithNul(config.gsmUserName);
    EndWithNul(config.gsmPassword);
    std::memset(config.logPath, 0, sizeof config.logPath);
    const std::string logPath = DataFilePath(Program().logFileName);
    std::memcpy(config.logPath, logPath.data(), std::min(logPath.size(), sizeof config.logPath - 1));
    return config;
}

void GetConfiguration(RcReply& reply) {
    LogMessage("GET CONFIGURATION");
    if (ReadConfiguration() != 0) {
        reply.Byte(kRcConfigReadFailed);
        return;
    }
    const HostConfig config = GetHostConfig();
    reply.Byte(0);
    reply.Bytes(&config, sizeof config);
}

void SetConfiguration(RcPayload payload, RcReply& reply) {
    LogMessage("SET CONFIGURATION");
    if (payload.size() < 1 + kRcConfigBlockSize) {
        LogMessage("Error: configuration block too short (%d bytes), nothing changed",
                   static_cast<int>(payload.size()) - 1);
        reply.Byte(kRcConfigWriteFailed);
        return;
    }
    SetHostConfig(AcceptedBlock(payload.data() + 1));
    reply.Byte(WriteConfiguration() == 0 ? 0 : kRcConfigWriteFailed);
}

}  // namespace

static_assert(sizeof(HostConfig) == kRcConfigBlockSize);

void SendConfigurationMessage(RcPayload payload, RcReply& reply) {
    LogMessage("MESSAGE_SEND_CONFIGURATION MESSAGE RECEIVED");
    if (payload.empty()) return;
    switch (payload[0]) {
        case kRcConfigGet: GetConfiguration(reply); break;
        case kRcConfigSet: SetConfiguration(payload, reply); break;
        default: break;  // answered without payload
    }
}

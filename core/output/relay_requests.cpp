#include "relay_requests.h"

#include <algorithm>
#include <cstring>

#include "common/program.h"
#include "config/log.h"
#include "link/frame.h"
#include "output/little_endian.h"
#include "output/remote_host.h"

namespace {

// Letter, CRC and nothing else.
constexpr std::size_t kPacketOverhead = 3;
constexpr std::size_t kResultSize = 4;
constexpr std::size_t kDesktopReceiveRoom = 8188;
constexpr std::size_t kServiceReceiveRoom = 8192;

std::size_t PayloadLength(std::size_t length) {
    return length > kPacketOverhead ? length - kPacketOverhead : 0;
}

bool HasRoomForResult(std::size_t replyCapacity) {
    return replyCapacity >= kPacketOverhead + kResultSize;
}

int ReplyWithResult(std::uint8_t type, std::int32_t result, std::uint8_t* reply,
                    std::size_t& replyLength) {
    std::uint8_t payload[kResultSize];
    WriteInt32Le(result, payload);
    BuildPacket(type, payload, sizeof payload, reply, replyLength);
    return 0;
}

// The fixed fields of the request are all there; logs the refusal when they are not.
bool HasFields(const char* name, std::size_t length, std::size_t needed) {
    if (PayloadLength(length) >= needed) return true;
    LogMessage("Error: %s request too short (%d bytes)", name, static_cast<int>(length));
    return false;
}

}  // namespace

std::size_t MaxReceivePayload(std::size_t replyCapacity) {
    const std::size_t room = IsDesktopProgram() ? kDesktopReceiveRoom : kServiceReceiveRoom;
    if (!HasRoomForResult(replyCapacity)) return 0;
    return std::min(room, replyCapacity - kPacketOverhead - kResultSize);
}

int HandleConnectRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                         std::size_t replyCapacity, std::size_t& replyLength) {
    replyLength = 0;
    if (!HasRoomForResult(replyCapacity)) return -1;
    LogDetail(" ****** Connect_remote_host ****** ");
    int result = -1;
    if (HasFields("Connect_remote_host", length, sizeof(RemoteHostRequest))) {
        RemoteHostRequest request;
        std::memcpy(&request, packet + 1, sizeof request);
        result = ConnectRemoteHost(request);
    }
    LogDetail("Result: %d", result);
    return ReplyWithResult('C', result, reply, replyLength);
}

int HandleDisconnectRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                            std::size_t replyCapacity, std::size_t& replyLength) {
    replyLength = 0;
    if (!HasRoomForResult(replyCapacity)) return -1;
    int result = -1;
    if (HasFields("Remote_host_disconnect", length, kResultSize)) {
        const int handle = ReadInt32Le(packet + 1);
        LogDetail("****** Remote_host_disconnect (%d) ******", handle);
        result = DisconnectRemoteHost(handle);
    }
    return ReplyWithResult('D', result, reply, replyLength);
}

int HandleSendRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                      std::size_t replyCapacity, std::size_t& replyLength) {
    replyLength = 0;
    if (!HasRoomForResult(replyCapacity)) return -1;
    LogDetail(" ****** Remote_host_send ****** ");
    int result = -1;
    if (HasFields("Remote_host_send", length, kResultSize)) {
        const int handle = ReadInt32Le(packet + 1);
        const std::uint8_t* data = packet + 1 + kResultSize;
        const std::size_t count = PayloadLength(length) - kResultSize;
        LogMessage("****** Remote_host_send to socket %d, size = %d ******", handle,
                   static_cast<int>(count));
        result = SendToRemoteHost(handle, data, count);
        if (result > 0) {
            LogMessage("DATA: (expected = %d), (sent = %d)", static_cast<int>(count), result);
            LogHexDump(data, static_cast<std::size_t>(result));
        } else {
            LogMessage("Error: Failed to send (%d)", result);
        }
    }
    LogDetail(" ****** Remote_host_send returns %d ****** ", result);
    return ReplyWithResult('E', result, reply, replyLength);
}

int HandleReceiveRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                         std::size_t replyCapacity, std::size_t& replyLength) {
    replyLength = 0;
    if (!HasRoomForResult(replyCapacity)) return -1;
    LogDetail(" ****** Remote_host_receive ****** ");
    if (!HasFields("Remote_host_receive", length, 2 * kResultSize)) {
        return ReplyWithResult('F', -1, reply, replyLength);
    }
    const int handle = ReadInt32Le(packet + 1);
    const std::int32_t asked = ReadInt32Le(packet + 1 + kResultSize);
    const std::size_t maximum =
        std::min(static_cast<std::size_t>(std::max<std::int32_t>(asked, 0)), MaxReceivePayload(replyCapacity));

    // Received bytes go straight into the reply payload, behind the result.
    std::uint8_t* payload = reply + 1;
    std::uint8_t* data = payload + kResultSize;
    const int result = ReceiveFromRemoteHost(handle, data, maximum);
    LogMessage("Host Receive");
    if (result < 0) {
        LogMessage("FAILED with error %d", result);
    } else {
        LogMessage("DATA: (expected / maximal = %d), (read = %d)", static_cast<int>(maximum), result);
        LogHexDump(data, static_cast<std::size_t>(result));
    }
    WriteInt32Le(result, payload);
    const std::size_t received = result > 0 ? static_cast<std::size_t>(result) : 0;
    BuildPacket('F', payload, kResultSize + received, reply, replyLength);
    return 0;
}

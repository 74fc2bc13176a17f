#include "remote_host.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

#include "config/log.h"
#include "output/socket_io.h"

namespace {

std::atomic<bool> socketsStarted{false};

// Sockets opened by the relay and not closed yet. A handle from the wire is any
// number the pinpad chose; only these may be used, or a stray value would reach
// the log file, the pinpad's own port or a listening socket.
std::mutex heldLock;
std::set<int> heldSockets;  // guarded by heldLock

void Hold(int handle) {
    std::lock_guard<std::mutex> guard(heldLock);
    heldSockets.insert(handle);
}

bool IsHeld(int handle) {
    std::lock_guard<std::mutex> guard(heldLock);
    return heldSockets.count(handle) != 0;
}

// True when the handle was held; it no longer is.
bool Release(int handle) {
    std::lock_guard<std::mutex> guard(heldLock);
    return heldSockets.erase(handle) != 0;
}

bool IsRelaySocket(int handle) {
    if (IsHeld(handle)) return true;
    LogMessage("Error: socket %d is not a relay connection", handle);
    return false;
}

}  // namespace

std::chrono::milliseconds DecodeReceiveTimeout(std::uint8_t bcd) {
    return std::chrono::seconds((bcd >> 4) * 10 + (bcd & 0x0F));
}

std::chrono::milliseconds EffectiveReceiveWait(std::uint8_t bcd) {
    const auto decoded = DecodeReceiveTimeout(bcd);
    return decoded.count() == 0 ? kLongestReceiveWait : decoded;
}

int StartSockets() {
    if (socketsStarted.load()) return 0;
    const int code = StartSocketLayer();
    if (code != 0) {
        LogMessage("Error: WSAStartup failed: %d", code);
        return -1;
    }
    socketsStarted.store(true);
    return 0;
}

void ResetSocketsStarted() { socketsStarted.store(false); }

bool SocketsStarted() { return socketsStarted.load(); }

int ConnectRemoteHost(const RemoteHostRequest& request) {
    char hostName[sizeof request.hostName + 1] = {};
    std::memcpy(hostName, request.hostName, sizeof request.hostName);
    hostName[sizeof request.hostName - 1] = '\0';  // at most 100 characters

    LogMessage("ConnectRemoteHost");
    LogMessage("Host name: %s", hostName);
    LogMessage("Host port: %02X%02X", request.portHigh, request.portLow);
    StartSockets();  // a failure is logged there; the lookup then fails in its turn

    const auto port = static_cast<std::uint16_t>(request.portHigh * 256 + request.portLow);
    std::uint32_t address = 0;
    if (!ResolveIpv4(hostName, address)) {
        LogMessage("Error: gethostbyname returns NULL");
        return -1;
    }
    const int handle = OpenTcpSocket();
    if (handle < 0) {
        LogMessage("Error: socket opening error");
        return -1;
    }
    if (!ConnectTcpSocket(handle, address, port, kConnectWait)) {
        LogMessage("connect error");
        CloseTcpSocket(handle);
        return -1;
    }
    SetReceiveWait(handle, EffectiveReceiveWait(request.timeoutBcd));
    SetSendWait(handle, kSendWait);
    Hold(handle);
    return handle;
}

int DisconnectRemoteHost(int handle) {
    if (handle < 0) {
        LogMessage("Error: socket to close is < 0");
        return -1;
    }
    if (!Release(handle)) {
        LogMessage("Error: socket %d is not a relay connection", handle);
        return -1;
    }
    CloseTcpSocket(handle);
    return 0;
}

int SendToRemoteHost(int handle, const std::uint8_t* bytes, std::size_t count) {
    if (!IsRelaySocket(handle)) return -1;
    return SendOnSocket(handle, bytes, count);
}

int ReceiveFromRemoteHost(int handle, std::uint8_t* buffer, std::size_t maximum) {
    const int result = IsRelaySocket(handle) ? ReceiveOnSocket(handle, buffer, maximum) : -1;
    LogDetail("Remote host send %d bytes of data:", result);
    return result;
}

void ResetRelayForTests() {
    std::lock_guard<std::mutex> guard(heldLock);
    for (int handle : heldSockets) CloseTcpSocket(handle);
    heldSockets.clear();
    socketsStarted.store(false);
}

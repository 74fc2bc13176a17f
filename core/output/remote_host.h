#pragma once
// TCP connections opened on the pinpad's behalf (and for the network printer test).
// The relay never looks at the bytes it carries. Handles travel to the pinpad and back,
// so every operation acts only on sockets the relay itself opened and still holds.

#include <chrono>
#include <cstddef>
#include <cstdint>

// Payload of a connect request, as it comes off the wire.
struct RemoteHostRequest {
    char hostName[101];       // name or dotted IPv4 address, NUL-terminated (not trusted to be)
    std::uint8_t portHigh;    // the port is big-endian on the wire
    std::uint8_t portLow;
    std::uint8_t timeoutBcd;  // receive time-out in seconds, two BCD digits
};
static_assert(sizeof(RemoteHostRequest) == 104);

// Longest wait for a TCP connect, and for a receive whose request asked for no time-out.
inline constexpr std::chrono::milliseconds kConnectWait{30'000};
inline constexpr std::chrono::milliseconds kLongestReceiveWait{180'000};
// Longest wait for the peer to take sent bytes.
inline constexpr std::chrono::milliseconds kSendWait{30'000};

// Tens in the high nibble, units in the low one; nibbles above 9 are taken as they are.
std::chrono::milliseconds DecodeReceiveTimeout(std::uint8_t bcd);
// The wait actually applied to receives: the decoded time-out, or kLongestReceiveWait for none.
std::chrono::milliseconds EffectiveReceiveWait(std::uint8_t bcd);

// Handle (0 or more) of a connected socket, or -1.
int ConnectRemoteHost(const RemoteHostRequest& request);
// 0 after closing; -1 for a negative handle or one the relay does not hold.
int DisconnectRemoteHost(int handle);
// What one send returned: bytes sent, or -1.
int SendToRemoteHost(int handle, const std::uint8_t* bytes, std::size_t count);
// What one receive returned: bytes received, 0 when the peer closed, -1 on error or time-out.
int ReceiveFromRemoteHost(int handle, std::uint8_t* buffer, std::size_t maximum);

// 0 when the socket layer is started (now or before), -1 when starting failed.
int StartSockets();
// The serial thread calls this at every start, so the next connect starts sockets again.
void ResetSocketsStarted();
bool SocketsStarted();

// Closes every socket the relay still holds and forgets them, for tests.
void ResetRelayForTests();

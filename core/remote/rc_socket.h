#pragma once
// The few socket calls of the remote-control server, one implementation per platform.

#include <cstddef>
#include <cstdint>
#include <string>

using RcSocket = int;
inline constexpr RcSocket kInvalidRcSocket = -1;

// 0 = sockets can be used.
int RcStartSockets();
void RcStopSockets();

// A TCP socket for IPv4, or kInvalidRcSocket.
RcSocket RcCreateSocket();
// Binds to the port on all local addresses and listens. 0 = done, -1 = failed.
int RcBind(RcSocket socket, std::uint16_t port);
int RcListen(RcSocket socket, int backlog);
// Blocks until a client connects or the socket is woken; peerAddress is only set on success.
RcSocket RcAccept(RcSocket listener, std::string& peerAddress);

// Makes a blocked accept or receive on the socket return; the handle stays valid.
void RcWake(RcSocket socket);
void RcClose(RcSocket socket);

// 0 = set.
int RcSetReceiveTimeout(RcSocket socket, int milliseconds);
// Replies go out at once instead of waiting for more data to join them.
void RcSetNoDelay(RcSocket socket);

// Byte counts as the system returns them: > 0 bytes moved, 0 closed, < 0 failed or timed out.
long RcReceive(RcSocket socket, void* buffer, std::size_t size);
long RcSend(RcSocket socket, const void* data, std::size_t size);

#pragma once
// The remote-control server on TCP port 20268: listener, one thread per client, framing.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "remote/rc_socket.h"

// 0 = not initialised, 1 = bound and listening, 2 = listener thread running.
extern std::atomic<int> RcListenerState;
// 1 while the listener and the client threads are to go on.
extern std::atomic<int> RcRunning;

// A silent client is dropped after this long without data.
inline constexpr int kRcClientTimeoutMs = 1800000;
inline constexpr int kRcListenBacklog = 10;

// 20268, or TERMBRIDGE_RC_PORT where tests run servers side by side.
std::uint16_t RcServerPort();

// 0 ready (or already), -1 sockets, -2 no socket, -3 bind failed, -4 listen failed.
int InitRcServer();
// Starts RcListenerThread unless it runs already.
void StartRcServer();
// Stops the listener, frees the port and wakes the client threads so that they end.
// Returns when the listener has ended; also what the service does when it stops.
void StopRcServer();

// Accepts connections until the server stops.
void RcListenerThread();
// Serves one connection: one request at a time, each answered on the same socket.
void RcClientThread(RcSocket socket);

#pragma once
// The remote-control server on TCP port 20268: listener, one thread per client, framing.

#include <atomic>
#include <cstddef>
#include <cstdint>

// 0 = not initialised, 1 = bound and listening, 2 = listener thread running.
extern std::atomic<int> RcListenerState;
// 1 while the listener and the client threads are to go on.
extern std::atomic<int> RcRunning;

// 0 ready (or already), -1 sockets, -2 no socket, -3 bind failed, -4 listen failed.
int InitRcServer();
void StartRcServer();
void StopRcServer();

#pragma once
// The connected remote-control clients: bounded in number, and woken when the server stops.

#include "remote/rc_socket.h"

inline constexpr int kMaxRcClients = 64;

// Takes the socket into the set unless kMaxRcClients are connected already.
bool AdmitRcClient(RcSocket socket);
// Takes the socket out of the set and closes it.
void ReleaseRcClient(RcSocket socket);
// Makes every client thread's blocked receive return, so that it ends.
void WakeRcClients();
int RcClientCount();

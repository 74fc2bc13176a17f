#pragma once
// The operating system's TCP calls behind the relay; one implementation per platform.

#include <chrono>
#include <cstddef>
#include <cstdint>

// 0 when the socket layer is ready, otherwise the platform's error code.
int StartSocketLayer();

// First IPv4 address of the name (dotted addresses accepted), in network byte order.
bool ResolveIpv4(const char* name, std::uint32_t& address);

// A new TCP stream socket, or -1.
int OpenTcpSocket();

// Connects within the wait; false when refused, unreachable or not done in time.
bool ConnectTcpSocket(int handle, std::uint32_t address, std::uint16_t port,
                      std::chrono::milliseconds wait);

// 0 = no limit.
void SetReceiveWait(int handle, std::chrono::milliseconds wait);
void SetSendWait(int handle, std::chrono::milliseconds wait);

void CloseTcpSocket(int handle);

// One send / receive call; -1 on error or when the set wait passed.
int SendOnSocket(int handle, const std::uint8_t* bytes, std::size_t count);
int ReceiveOnSocket(int handle, std::uint8_t* buffer, std::size_t maximum);

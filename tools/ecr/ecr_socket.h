#pragma once
// The client's few socket calls, one implementation per platform. Every wait has a deadline.

#include <chrono>
#include <cstddef>
#include <string>

namespace ecr {

using Deadline = std::chrono::steady_clock::time_point;

// A connected TCP socket, or -1.
int ConnectTcp(const std::string& host, unsigned short port, Deadline deadline);
void CloseTcp(int socket);

enum class IoResult { Done, Closed, Timeout, Failed };

IoResult SendAll(int socket, const void* data, std::size_t size, Deadline deadline);
IoResult ReceiveExactly(int socket, void* buffer, std::size_t size, Deadline deadline);

}  // namespace ecr

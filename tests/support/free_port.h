#pragma once
#include <cstdint>

// A loopback TCP port nothing listens on right now, for a service of our own.
std::uint16_t FreeTcpPort();

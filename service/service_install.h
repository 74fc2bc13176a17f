#pragma once
// Installing and removing the service from the command line. Every failing step prints its
// message with the system error code on standard output.

#include <cstdint>

// Up to two attempts; a service that already exists is removed before the second. True when
// the service is installed.
bool InstallService();

// Stops the service if it runs, then deletes it.
void RemoveService();

// One install attempt; the system error code it leaves, 0 when installed.
std::uint32_t InstallAttempt();
// The code of an attempt that found the service installed already.
extern const std::uint32_t kServiceExistsError;

#pragma once
// Runs a service object: its start on a thread of its own, the stop requests of the service
// manager (or of the console) on the calling thread, until the service has stopped.

#include <cstdint>

#include "service_base.h"

// 0 once the service has run and stopped; a system error code when the process was not started
// by the service manager or the service could not be run, and nothing was started then.
std::uint32_t RunServiceDispatcher(CServiceBase& service);

// The same without a service manager, for running the service in a console.
std::uint32_t RunServiceInForeground(CServiceBase& service);

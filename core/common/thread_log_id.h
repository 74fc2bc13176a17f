#pragma once
// A thread's identifier as the log shows it ("%04X").

#include <thread>

unsigned ThreadLogId(const std::thread::id& id);

#pragma once
// Waiting while the window's event loop runs.

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <functional>

#include "support/free_port.h"
#include "support/test_env.h"

// WaitFor with the window served in between: queued calls from the workers land meanwhile.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(15)) {
    return WaitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return condition();
        },
        deadline);
}

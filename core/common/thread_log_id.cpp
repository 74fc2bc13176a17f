#include "thread_log_id.h"

#include <functional>

// The standard library hands out no plain number for a thread; its hash is one per thread.
unsigned ThreadLogId(const std::thread::id& id) {
    return static_cast<unsigned>(std::hash<std::thread::id>{}(id) & 0xFFFFFFFFu);
}

#include "screen_layout.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {
std::mutex layoutLock;
ScreenLayoutBytes layout{};  // guarded by layoutLock
}  // namespace

ScreenLayoutBytes GetScreenLayout() {
    std::lock_guard<std::mutex> guard(layoutLock);
    return layout;
}

void ClearScreenLayout() {
    std::lock_guard<std::mutex> guard(layoutLock);
    layout.fill(0);
}

void SetScreenLayoutLine(unsigned line, const std::string& text) {
    if (line >= kScreenLines) return;
    const std::size_t length = std::min(text.size(), kScreenLineSize - 1);
    std::lock_guard<std::mutex> guard(layoutLock);
    std::uint8_t* start = layout.data() + line * kScreenLineSize;
    std::memset(start, ' ', kScreenLineSize - 1);
    std::memcpy(start, text.data(), length);
    start[length] = 0;
}

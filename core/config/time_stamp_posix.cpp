#include <cstdio>
#include <ctime>

#include "time_stamp.h"

std::string LocalTimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

#pragma once
#include <string>

// Local time as "DD.MM hh:mm:ss", the log's time stamp.
std::string LocalTimeStamp();

#include "data_directory.h"

#include <filesystem>

std::string DataFilePath(const char* fileName) {
    std::string path = GetDataDirectory();
    path += static_cast<char>(std::filesystem::path::preferred_separator);
    path += fileName;
    return path;
}

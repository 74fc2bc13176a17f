#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "data_directory.h"
#include "log.h"

namespace {

// The machine settings file stands in for the registry key; a missing file is a key
// that could not be opened.
const char* RegistryFile() {
    const char* overridden = std::getenv("TERMBRIDGE_REGISTRY");
    return overridden != nullptr && *overridden != '\0' ? overridden : "/etc/termbridge/registry";
}

bool ReadUserDir(std::string& value) {
    std::ifstream in(RegistryFile(), std::ios::binary);
    if (!in) return false;
    const std::string key = "USERDIR=";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size(), key) == 0) value = line.substr(key.size());
    }
    if (value.size() > kMaxDataDirectory) value.resize(kMaxDataDirectory);
    return true;
}

}  // namespace

std::string GetDataDirectory() {
    std::string value;
    if (!ReadUserDir(value)) LogDetail("RegOpenKeyEx failed");
    LogDetail("Read value from registry = [%s]", value.c_str());
    if (!value.empty()) return value;

    char cwd[kMaxDataDirectory + 1] = {};
    if (getcwd(cwd, sizeof cwd) == nullptr) return ".";
    return cwd;
}

#include "serial_port_path.h"

#include <sys/stat.h>

#include <cstdlib>

namespace {

std::string PortsDirectory() {
    const char* overridden = std::getenv("TERMBRIDGE_PORTS_DIR");
    return overridden != nullptr && *overridden != '\0' ? overridden : "/etc/termbridge/ports";
}

}  // namespace

std::string SerialPortPath(int port) {
    const std::string entry = PortsDirectory() + "/COM" + std::to_string(port);
    struct stat info {};
    // lstat: an entry whose target is gone still names the port, and opening it then fails.
    if (lstat(entry.c_str(), &info) == 0) return entry;
    return "/dev/ttyS" + std::to_string(port - 1);
}

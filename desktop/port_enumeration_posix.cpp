#include "port_enumeration.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// COMn is the entry COM<n> of the ports directory (a symlink to the device or the device).
std::string PortsDirectory() {
    const char* dir = std::getenv("TERMBRIDGE_PORTS_DIR");
    return dir != nullptr && dir[0] != '\0' ? dir : "/etc/termbridge/ports";
}

bool CanOpenExclusively(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

}  // namespace

ComPortMap EnumeratePinpadPorts() {
    ComPortMap ports;
    const std::string dir = PortsDirectory();
    for (int n = 1; n <= kMaxComPort; ++n) {
        if (CanOpenExclusively(dir + "/COM" + std::to_string(n))) ports.set(static_cast<std::size_t>(n - 1));
    }
    return ports;
}

#include "internet_check.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

constexpr unsigned long kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned long kRouteReject = 0x0200;  // RTF_REJECT: "unreachable", not a way out

std::set<std::string> RunningInterfaces() {
    std::set<std::string> names;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return names;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if ((flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0) {
            names.insert(entry->ifa_name);
        }
    }
    freeifaddrs(list);
    return names;
}

bool Usable(unsigned long flags) { return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0; }

// /proc/net/route: Iface Destination Gateway Flags ..., hexadecimal, one header line.
bool HasIpv4DefaultRoute(const std::set<std::string>& interfaces) {
    std::ifstream table("/proc/net/route");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags;
        if (!(fields >> name >> destination >> gateway >> flags)) continue;
        if (destination == "00000000" && Usable(std::strtoul(flags.c_str(), nullptr, 16)) && interfaces.count(name) != 0) {
            return true;
        }
    }
    return false;
}

// /proc/net/ipv6_route: destination, prefix length, source, prefix length, next hop, metric,
// reference count, use, flags, interface.
bool HasIpv6DefaultRoute(const std::set<std::string>& interfaces) {
    std::ifstream table("/proc/net/ipv6_route");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string destination, prefix, source, sourcePrefix, nextHop, metric, references, use, flags, name;
        if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> references >> use >>
              flags >> name)) {
            continue;
        }
        if (destination == std::string(32, '0') && prefix == "00" && Usable(std::strtoul(flags.c_str(), nullptr, 16)) &&
            interfaces.count(name) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool InternetConnectionConfigured() {
    const std::set<std::string> interfaces = RunningInterfaces();
    if (interfaces.empty()) return false;
    return HasIpv4DefaultRoute(interfaces) || HasIpv6DefaultRoute(interfaces);
}

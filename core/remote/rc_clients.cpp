#include "rc_clients.h"

#include <mutex>
#include <set>

namespace {

struct ClientSet {
    std::mutex lock;
    std::set<RcSocket> sockets;  // guarded by lock
};

// Client threads are detached and may outlive main(): the set is never destroyed.
ClientSet& Clients() {
    static auto* clients = new ClientSet;
    return *clients;
}

}  // namespace

bool AdmitRcClient(RcSocket socket) {
    std::lock_guard<std::mutex> guard(Clients().lock);
    if (Clients().sockets.size() >= static_cast<std::size_t>(kMaxRcClients)) return false;
    Clients().sockets.insert(socket);
    return true;
}

void ReleaseRcClient(RcSocket socket) {
    // Closed under the lock, so that WakeRcClients never touches a handle already reused.
    std::lock_guard<std::mutex> guard(Clients().lock);
    Clients().sockets.erase(socket);
    RcClose(socket);
}

void WakeRcClients() {
    std::lock_guard<std::mutex> guard(Clients().lock);
    for (RcSocket socket : Clients().sockets) RcWake(socket);
}

int RcClientCount() {
    std::lock_guard<std::mutex> guard(Clients().lock);
    return static_cast<int>(Clients().sockets.size());
}

#include "rc_server.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "common/program.h"
#include "common/thread_log_id.h"
#include "config/log.h"
#include "remote/rc_clients.h"
#include "remote/rc_protocol.h"

std::atomic<int> RcListenerState{0};
std::atomic<int> RcRunning{0};

namespace {

struct ServerState {
    std::mutex control;  // one Init, Start or Stop at a time
    std::mutex socketLock;
    RcSocket listener = kInvalidRcSocket;  // guarded by socketLock; closed by whoever ends last
    std::thread listenerThread;            // guarded by control
};

// Never destroyed: a program may end without stopping the server.
ServerState& Server() {
    static auto* state = new ServerState;
    return *state;
}

RcSocket ListeningSocket() {
    std::lock_guard<std::mutex> guard(Server().socketLock);
    return Server().listener;
}

void CloseListeningSocket() {
    std::lock_guard<std::mutex> guard(Server().socketLock);
    if (Server().listener == kInvalidRcSocket) return;
    RcClose(Server().listener);
    Server().listener = kInvalidRcSocket;
}

void StartClientThread(RcSocket client) {
    if (!AdmitRcClient(client)) {
        LogMessage("Error: Too many remote control clients (%d), connection on socket %d closed",
                   kMaxRcClients, client);
        RcClose(client);
        return;
    }
    try {
        std::thread thread(RcClientThread, client);
        LogMessage("Client thread ID = %04X", ThreadLogId(thread.get_id()));
        thread.detach();
    } catch (const std::system_error&) {
        LogMessage("ERROR: Client thread not created");
        ReleaseRcClient(client);
    }
}

}  // namespace

std::uint16_t RcServerPort() {
    const char* text = std::getenv("TERMBRIDGE_RC_PORT");
    if (text == nullptr) return kRcDefaultPort;
    const long port = std::strtol(text, nullptr, 10);
    return port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : kRcDefaultPort;
}

int InitRcServer() {
    std::lock_guard<std::mutex> guard(Server().control);
    if (RcListenerState.load() > 0) {
        LogMessage("Info:Remote process already intialized\n");
        return 0;
    }
    if (RcStartSockets() != 0) return -1;
    const RcSocket socket = RcCreateSocket();
    if (socket == kInvalidRcSocket) {
        LogMessage("Error: Invalid SOCKET for External communication");
        RcStopSockets();
        return -2;
    }
    // A failed attempt closes its socket: the desktop retries every 5 seconds.
    if (RcBind(socket, RcServerPort()) != 0) {
        LogMessage("Error: Bind failed! Probably already an instance of Termbridge / TermbridgeService is running");
        RcClose(socket);
        RcStopSockets();
        return -3;
    }
    if (RcListen(socket, kRcListenBacklog) != 0) {
        LogMessage("Error: Listen failed! Probably already an instance of Termbridge / TermbridgeService is running");
        RcClose(socket);
        RcStopSockets();
        return -4;
    }
    {
        std::lock_guard<std::mutex> socketGuard(Server().socketLock);
        Server().listener = socket;
    }
    RcListenerState.store(1);
    return 0;
}

void StartRcServer() {
    std::lock_guard<std::mutex> guard(Server().control);
    if (RcListenerState.load() == 2) {
        LogMessage("Info: Remote process already running\n");
        return;
    }
    if (RcListenerState.load() != 1) return;  // nothing bound to listen on
    // Set before the thread runs, so that a StopRcServer right behind cannot be undone by it.
    RcListenerState.store(2);
    RcRunning.store(1);
    try {
        Server().listenerThread = std::thread(RcListenerThread);
    } catch (const std::system_error&) {
        LogMessage("Error: Remote control thread not started");
        RcRunning.store(0);
        RcListenerState.store(1);
    }
}

void StopRcServer() {
    std::lock_guard<std::mutex> guard(Server().control);
    RcRunning.store(0);
    {
        std::lock_guard<std::mutex> socketGuard(Server().socketLock);
        if (Server().listener != kInvalidRcSocket) RcWake(Server().listener);
    }
    if (Server().listenerThread.joinable()) Server().listenerThread.join();
    CloseListeningSocket();  // bound but never started
    WakeRcClients();
    RcListenerState.store(0);
}

void RcListenerThread() {
    const RcSocket listener = ListeningSocket();
    LogMessage("*** Remote Control Thread running ***\n");
    LogMessage("*** Listening at port %d ***\n", RcServerPort());
    if (!IsDesktopProgram()) LogMessage("*** Termbridge Product internal version %s ***", Program().versionText);

    std::string peer = "0.0.0.0";  // a failed accept leaves the last address standing
    // RcRunning is looked at after each accept only: a stop always shows as one more
    // "Connection from" line, whenever it comes.
    for (int loop = 1;; ++loop) {
        LogMessage("R/C connections loop %d\n", loop);
        const RcSocket client = RcAccept(listener, peer);
        LogMessage("Connection from %s", peer.c_str());
        if (RcRunning.load() != 1) {
            if (client != kInvalidRcSocket) RcClose(client);
            break;
        }
        if (client == kInvalidRcSocket) {
            // Out of handles, for example: no thread for a socket that is none, and no spinning.
            LogMessage("Error: accept failed");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        StartClientThread(client);
    }
    LogMessage("Terminating the controll thread...");
    CloseListeningSocket();
    RcStopSockets();
}

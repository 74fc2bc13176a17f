#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "service_dispatcher.h"

namespace {

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// systemd hands a notify socket to Type=notify units and an invocation id to every unit.
bool StartedByServiceManager() { return HasEnvironment("NOTIFY_SOCKET") || HasEnvironment("INVOCATION_ID"); }

// A descriptor closed with its owner.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// SIGTERM (systemd's stop) and SIGINT (Ctrl+C) arrive as reads, never in a handler. They are
// blocked before any thread of the service exists, so every thread inherits the mask and none
// is ended by them.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGTERM);
        sigaddset(&set_, SIGINT);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
        fd_ = signalfd(-1, &set_, SFD_CLOEXEC);
    }
    ~StopSignals() {
        if (fd_ >= 0) close(fd_);
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int fd() const { return fd_; }
    void Consume() const {
        signalfd_siginfo info;
        [[maybe_unused]] const ssize_t ignored = read(fd_, &info, sizeof info);
    }

private:
    sigset_t set_;
    sigset_t previous_;
    int fd_ = -1;
};

bool IsStopped(const CServiceBase& service) { return service.Status().currentState == ServiceState::Stopped; }

// Until the service has stopped: a stop request that comes while the start still runs waits
// for it, so OnStop never runs beside OnStart. 0, or the error that ended the wait.
std::uint32_t TakeStopRequests(CServiceBase& service, const StopSignals& stopSignals, int started,
                               std::thread& entry) {
    auto finishStart = [&entry] {
        if (entry.joinable()) entry.join();
    };
    for (;;) {
        pollfd waits[] = {{stopSignals.fd(), POLLIN, 0}, {started, POLLIN, 0}};
        const nfds_t count = entry.joinable() ? 2 : 1;
        if (poll(waits, count, -1) < 0) {
            if (errno == EINTR) continue;
            return static_cast<std::uint32_t>(errno);
        }
        if (count == 2 && waits[1].revents != 0) {
            finishStart();
            if (IsStopped(service)) return 0;
        }
        if (waits[0].revents != 0) {
            stopSignals.Consume();
            finishStart();
            if (IsStopped(service)) return 0;
            service.Stop();
            if (IsStopped(service)) return 0;
        }
    }
}

// The service entry runs the start on a thread of its own; this thread takes the stop requests.
std::uint32_t RunService(CServiceBase& service) {
    StopSignals stopSignals;
    if (stopSignals.fd() < 0) return static_cast<std::uint32_t>(errno);
    const Descriptor started(eventfd(0, EFD_CLOEXEC));
    if (started.get() < 0) return static_cast<std::uint32_t>(errno);

    std::thread entry;
    try {
        entry = std::thread([&service, &started] {
            char* arguments[] = {const_cast<char*>(service.Name()), nullptr};
            service.Start(1, arguments);
            eventfd_write(started.get(), 1);
        });
    } catch (const std::system_error& error) {
        return static_cast<std::uint32_t>(error.code().value());
    }
    const std::uint32_t result = TakeStopRequests(service, stopSignals, started.get(), entry);
    if (entry.joinable()) entry.join();
    return result;
}

}  // namespace

std::uint32_t RunServiceDispatcher(CServiceBase& service) {
    if (!StartedByServiceManager()) return ENOTCONN;
    return RunService(service);
}

std::uint32_t RunServiceInForeground(CServiceBase& service) { return RunService(service); }

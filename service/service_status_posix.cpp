#include <systemd/sd-daemon.h>

#include <cstdio>
#include <string>

#include "service_base.h"

namespace {

// systemd knows only "ready" and "stopping"; the state itself goes into the status text, which
// `systemctl status` shows, with the check point of the pending states.
std::string NotifyMessage(const ServiceStatus& status) {
    char text[160] = "";
    const auto checkPoint = static_cast<unsigned long>(status.checkPoint);
    switch (status.currentState) {
    case ServiceState::StartPending:
        std::snprintf(text, sizeof text, "STATUS=Start pending, check point %lu", checkPoint);
        break;
    case ServiceState::Running:
        std::snprintf(text, sizeof text, "READY=1\nSTATUS=Running");
        break;
    case ServiceState::StopPending:
        std::snprintf(text, sizeof text, "STOPPING=1\nSTATUS=Stop pending, check point %lu", checkPoint);
        break;
    case ServiceState::Stopped:
        if (status.win32ExitCode == 0) {
            std::snprintf(text, sizeof text, "STATUS=Stopped");
        } else {
            std::snprintf(text, sizeof text, "STATUS=Stopped, error 0x%08lx\nERRNO=%lu",
                          static_cast<unsigned long>(status.win32ExitCode),
                          static_cast<unsigned long>(status.win32ExitCode));
        }
        break;
    case ServiceState::PausePending:
        std::snprintf(text, sizeof text, "STATUS=Pause pending, check point %lu", checkPoint);
        break;
    case ServiceState::Paused:
        std::snprintf(text, sizeof text, "STATUS=Paused");
        break;
    case ServiceState::ContinuePending:
        std::snprintf(text, sizeof text, "STATUS=Continue pending, check point %lu", checkPoint);
        break;
    }
    return text;
}

}  // namespace

// Without $NOTIFY_SOCKET (run by hand) sd_notify sends nothing and reports no error.
void CServiceBase::ReportStatus() {
    const int result = sd_notify(0, NotifyMessage(status_).c_str());
    if (result < 0) WriteErrorLogEntry("sd_notify", static_cast<std::uint32_t>(-result));
}

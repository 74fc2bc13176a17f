#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "config/data_directory.h"
#include "service_install.h"
#include "service_names.h"
#include "systemctl.h"
#include "unit_file.h"

const std::uint32_t kServiceExistsError = EEXIST;

namespace {

using Code = std::uint32_t;

Code LastError() { return static_cast<Code>(errno); }

void PrintError(const char* format, Code code) { std::printf(format, static_cast<unsigned long>(code)); }

const char* UnitDirectory() {
    const char* overridden = std::getenv("TERMBRIDGE_UNIT_DIR");
    return overridden != nullptr && *overridden != '\0' ? overridden : "/etc/systemd/system";
}

std::string UnitPath() { return std::string(UnitDirectory()) + '/' + UnitFileName(); }

// Stands in for opening the service manager: installing and removing both write the unit directory.
Code OpenUnitDirectory() { return access(UnitDirectory(), W_OK | X_OK) == 0 ? 0 : LastError(); }

Code OwnExecutable(std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length < 0) return LastError();
    if (static_cast<std::size_t>(length) == sizeof buffer) return ENAMETOOLONG;  // cut off
    path.assign(buffer, static_cast<std::size_t>(length));
    return 0;
}

// The service then finds the data directory this program sees now, also when the machine
// settings name none and it is the current directory.
std::string WorkingDirectory() {
    std::error_code error;
    const auto directory = std::filesystem::absolute(GetDataDirectory(), error);
    return error ? std::string() : directory.lexically_normal().string();
}

Code WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// Written beside the unit and linked into place, so systemd never reads half a unit and an
// existing unit is never replaced.
Code WriteNewFile(const std::string& path, const std::string& text) {
    std::string temporary = std::string(UnitDirectory()) + "/." + UnitFileName() + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return LastError();
    Code code = WriteAll(fd, text);
    if (code == 0 && fchmod(fd, 0644) != 0) code = LastError();
    if (code == 0 && fsync(fd) != 0) code = LastError();
    if (close(fd) != 0 && code == 0) code = LastError();
    if (code == 0 && link(temporary.c_str(), path.c_str()) != 0) code = LastError();
    unlink(temporary.c_str());
    return code;
}

// A unit that cannot be enabled would not start with the system: it is taken back.
Code CreateUnit(const std::string& executable) {
    const auto text = UnitFileText(executable, WorkingDirectory());
    if (!text) return EINVAL;
    Code code = WriteNewFile(UnitPath(), *text);
    if (code != 0) return code;
    code = RunSystemctl({"enable", UnitFileName()});
    if (code != 0) unlink(UnitPath().c_str());
    return code;
}

// The unit's state as systemd names it ("active", "deactivating", "inactive", ...); empty when
// systemd could not be asked. is-active prints it whatever its exit status.
std::string ActiveState() {
    std::string output;
    RunSystemctl({"is-active", UnitFileName()}, output);
    while (!output.empty() && std::isspace(static_cast<unsigned char>(output.back()))) output.pop_back();
    return output;
}

// A unit that does not run, or stops already, takes no stop request.
bool RequestStop() {
    const std::string state = ActiveState();
    if (state != "active" && state != "activating" && state != "reloading") return false;
    return RunSystemctl({"stop", "--no-block", UnitFileName()}) == 0;
}

void WaitUntilStopped() {
    std::printf("Stopping %s.", kServiceName);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::string state = ActiveState();
    while (state == "deactivating") {
        std::printf(".");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        state = ActiveState();
    }
    if (state == "inactive" || state == "failed") {
        std::printf("\n%s is stopped.\n", kServiceName);
    } else {
        std::printf("\n%s failed to stop.\n", kServiceName);
    }
}

// Disabled first, so no link into a target outlives the unit.
Code DeleteUnit() {
    Code code = RunSystemctl({"disable", "--no-reload", UnitFileName()});
    if (code != 0) return code;
    if (unlink(UnitPath().c_str()) != 0) return LastError();
    return RunSystemctl({"daemon-reload"});
}

}  // namespace

std::uint32_t InstallAttempt() {
    std::string executable;
    Code code = OwnExecutable(executable);
    if (code != 0) {
        PrintError("GetModuleFileName failed w/err 0x%08lx\n", code);
        return code;
    }
    code = OpenUnitDirectory();
    if (code != 0) {
        PrintError("OpenSCManager failed w/err 0x%08lx\n", code);
        return code;
    }
    code = CreateUnit(executable);
    if (code != 0) {
        PrintError("CreateService failed w/err 0x%08lx\n", code);
        return code;
    }
    std::printf("%s is installed.\n", kServiceName);
    return 0;
}

void RemoveService() {
    Code code = OpenUnitDirectory();
    if (code != 0) {
        PrintError("OpenSCManager failed w/err 0x%08lx\n", code);
        return;
    }
    struct stat info;
    if (lstat(UnitPath().c_str(), &info) != 0) {
        PrintError("OpenService failed w/err 0x%08lx\n", LastError());
        return;
    }
    if (RequestStop()) WaitUntilStopped();
    code = DeleteUnit();
    if (code != 0) {
        PrintError("DeleteService failed w/err 0x%08lx\n", code);
    } else {
        std::printf("%s is removed.\n", kServiceName);
    }
}

#include "private_cups.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/test_env.h"

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kSocketBackend = "/usr/lib/cups/backend/socket";

}  // namespace

PrivateCupsServer::PrivateCupsServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "termbridge-cups-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
}

PrivateCupsServer::~PrivateCupsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string PrivateCupsServer::Unavailable() {
    if (access(kCupsd, X_OK) != 0) return "cupsd is not installed";
    if (access(kSocketBackend, X_OK) != 0) return "the CUPS socket backend is not installed";
    if (geteuid() != 0) return "cupsd needs root to drop to the lp user";
    if (getpwnam("lp") == nullptr) return "there is no lp user";
    return "";
}

bool PrivateCupsServer::Start() {
    if (dir_.empty()) return false;
    const passwd* lp = getpwnam("lp");
    if (lp == nullptr) return false;
    chmod(dir_.c_str(), 0755);
    for (const char* sub : {"spool", "spool/tmp", "cache", "state", "log"}) {
        const std::string path = dir_ + "/" + sub;
        mkdir(path.c_str(), 0775);
        if (chown(path.c_str(), lp->pw_uid, lp->pw_gid) != 0) return false;
    }
    WriteWholeFile(dir_ + "/cupsd.conf",
                   "Listen " + dir_ + "/cups.sock\n"
                   "WebInterface No\n"
                   "DefaultAuthType None\n"
                   "LogLevel warn\n"
                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                   "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n");
    WriteWholeFile(dir_ + "/cups-files.conf",
                   "ServerRoot " + dir_ + "\n"
                   "RequestRoot " + dir_ + "/spool\n"
                   "TempDir " + dir_ + "/spool/tmp\n"
                   "CacheDir " + dir_ + "/cache\n"
                   "StateDir " + dir_ + "/state\n"
                   "AccessLog " + dir_ + "/log/access_log\n"
                   "ErrorLog " + dir_ + "/log/error_log\n"
                   "PageLog " + dir_ + "/log/page_log\n"
                   "ServerBin /usr/lib/cups\n"
                   "DataDir /usr/share/cups\n"
                   "User lp\nGroup lp\n");

    const std::string conf = dir_ + "/cupsd.conf";
    const std::string files = dir_ + "/cups-files.conf";
    pid_ = fork();
    if (pid_ == 0) {
        execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0) return false;

    // Every CUPS client of this process, and the command-line tools, use this server only.
    setenv("CUPS_SERVER", (dir_ + "/cups.sock").c_str(), 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
    return WaitFor([this] { return Output("lpstat -r").find("scheduler is running") != std::string::npos; },
                   std::chrono::seconds(30));
}

bool PrivateCupsServer::Run(const std::string& command) const {
    const std::string quiet = command + " >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

bool PrivateCupsServer::AddDefaultSocketQueue(const std::string& name, int port) const {
    return Run("lpadmin -p " + name + " -E -v socket://127.0.0.1:" + std::to_string(port) + " -m raw") &&
           Run("lpadmin -d " + name);
}

std::string PrivateCupsServer::Output(const std::string& command) const {
    std::string text;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char chunk[512];
        std::size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
        pclose(pipe);
    }
    return text;
}

std::string PrivateCupsServer::PageLog() const { return ReadWholeFile(dir_ + "/log/page_log"); }

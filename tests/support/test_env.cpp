#include "test_env.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "config/host_config.h"
#include "config/log.h"

TempDataDir::TempDataDir(ProgramKind kind) {
    std::string pattern = (std::filesystem::temp_directory_path() / "termbridge-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    WriteWholeFile(File("registry"), "USERDIR=" + path_ + "\n");
    setenv("TERMBRIDGE_REGISTRY", File("registry").c_str(), 1);
    SetProgramKind(kind);
}

TempDataDir::~TempDataDir() {
    CloseLog();
    SetHostConfig(HostConfig{});
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDataDir::File(const std::string& name) const { return path_ + "/" + name; }

std::string TempDataDir::LogText() const { return ReadWholeFile(File(Program().logFileName)); }

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int CountOf(const std::string& haystack, const std::string& needle) {
    int count = 0;
    for (auto pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + 1)) {
        ++count;
    }
    return count;
}

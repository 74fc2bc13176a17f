// Log lines per second at level "Detailed", one flushed line per call.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/program.h"
#include "config/host_config.h"
#include "config/log.h"

namespace {

std::string dataDirectory;

void OpenLogInTempDirectory(const benchmark::State&) {
    std::string pattern = (std::filesystem::temp_directory_path() / "termbridge-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dataDirectory = pattern;
    const std::string registry = dataDirectory + "/registry";
    std::ofstream(registry) << "USERDIR=" << dataDirectory << "\n";
    setenv("TERMBRIDGE_REGISTRY", registry.c_str(), 1);
    SetProgramKind(ProgramKind::Service);
    HostConfig config{};
    config.loggingLevel = 2;
    SetHostConfig(config);
    if (OpenLog() != 0) std::abort();
}

void CloseLogAndRemoveIt(const benchmark::State&) {
    CloseLog();
    std::filesystem::remove_all(dataDirectory);
}

// A per-packet trace line as the dispatcher writes it.
void BM_LogDetailLine(benchmark::State& state) {
    for (auto _ : state) LogDetail("Process Packet %c, %d bytes", 'E', 1234);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogDetailLine)
    ->Setup(OpenLogInTempDirectory)
    ->Teardown(CloseLogAndRemoveIt)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

// A relayed block of 256 bytes as a hex dump (512 digits in one line).
void BM_LogHexDump256(benchmark::State& state) {
    std::uint8_t bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    for (auto _ : state) LogHexDump(bytes, sizeof bytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogHexDump256)
    ->Setup(OpenLogInTempDirectory)
    ->Teardown(CloseLogAndRemoveIt)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

}  // namespace

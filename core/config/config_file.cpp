#include "config_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/config_file_replace.h"
#include "config/config_keys.h"
#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/data_directory.h"
#include "config/log.h"

namespace {

// A path the fixed buffer cannot hold would name some other file once cut; such a file
// counts as one that cannot be opened.
bool FitsPathBuffer(const std::string& path) { return path.size() < kConfigPathBufferSize; }

// False when the file cannot be opened or read (a directory opens but does not read).
bool ReadConfigurationFile(const std::string& path, HostConfig& config) {
    if (!FitsPathBuffer(path)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    config = ParseConfiguration(in);
    return !in.bad();
}

}  // namespace

int ReadConfiguration() {
    const std::string path = DataFilePath(Program().configFileName);
    const std::string logPath = DataFilePath(Program().logFileName);
    // Cleared before the open, so a failed read leaves logging off.
    SetHostConfig(HostConfig{});

    // Parsed aside and stored whole, so no reader sees a half-read record.
    HostConfig config{};
    if (!ReadConfigurationFile(path, config)) {
        LogMessage("Error: file %s does not exist!", path.c_str());
        return -1;
    }
    CopyToField(config.logPath, sizeof config.logPath, logPath);
    SetHostConfig(config);
    return 0;
}

int WriteConfiguration() {
    const std::string path = DataFilePath(Program().configFileName);
    const std::string contents = FormatConfiguration(GetHostConfig());
    if (FitsPathBuffer(path) && ReplaceFileContents(path, contents)) return 0;

    LogMessage("Error: file %s can't be rewritten!", path.c_str());
    if (IsDesktopProgram()) {
        Ui().ShowMessage("Error: can't write configuration to " + path, std::string(), MessageIcon::None);
    }
    return -1;
}

void SetDefaultConfiguration() {
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
}

void ClearUnusedPrinterFields(HostConfig& config) {
    switch (static_cast<PrinterKind>(config.printerType)) {
        case PrinterKind::None:
        case PrinterKind::WindowsDefault:
            std::fill(std::begin(config.printerIp), std::end(config.printerIp), '\0');
            config.printerPort = 0;
            config.printerComPrnPort = 0;
            config.printerWidth = 0;
            break;
        case PrinterKind::ComPort:
            std::fill(std::begin(config.printerIp), std::end(config.printerIp), '\0');
            config.printerPort = 0;
            break;
        case PrinterKind::Ethernet:
            config.printerComPrnPort = 0;
            break;
        default:
            break;
    }
}

void ApplyStartupConfiguration() {
    if (ReadConfiguration() == 0) return;
    SetDefaultConfiguration();
    WriteConfiguration();
}

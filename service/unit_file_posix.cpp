#include <string>
#include <string_view>

#include "service_names.h"
#include "unit_file.h"

namespace {

constexpr std::string_view kExecutableField = "@TB_SERVICE_EXECUTABLE@";
constexpr std::string_view kWorkingDirectoryField = "@TB_SERVICE_WORKING_DIRECTORY@";

bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return true;
    }
    return false;
}

bool UsableDirectory(const std::string& path) {
    return !path.empty() && path.front() == '/' && !HasControlCharacter(path);
}

// systemd refuses to run a program whose name holds quotes or backslashes.
bool UsableProgram(const std::string& path) {
    return UsableDirectory(path) && path.find_first_of("\"'\\") == std::string::npos;
}

// systemd expands "%" specifiers in both settings.
std::string EscapeSpecifiers(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '%') out += '%';
        out += c;
    }
    return out;
}

// A command line splits at spaces; its first word, the program, is not searched for "$" variables.
std::string CommandPath(const std::string& path) {
    const std::string escaped = EscapeSpecifiers(path);
    return escaped.find(' ') == std::string::npos ? escaped : '"' + escaped + '"';
}

void ReplaceAll(std::string& text, std::string_view field, const std::string& value) {
    for (auto at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size())) {
        text.replace(at, field.size(), value);
    }
}

}  // namespace

std::string UnitFileName() { return std::string(kServiceName) + ".service"; }

std::optional<std::string> UnitFileText(const std::string& executable, const std::string& workingDirectory) {
    if (!UsableProgram(executable) || !UsableDirectory(workingDirectory)) return std::nullopt;
    std::string text = kUnitTemplate;
    ReplaceAll(text, kExecutableField, CommandPath(executable));
    ReplaceAll(text, kWorkingDirectoryField, EscapeSpecifiers(workingDirectory));
    return text;
}

// G: the pinpad's display text, shown in the desktop's window or kept for remote-control
// clients by the service.

#include <algorithm>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/log.h"
#include "requests/request_handlers.h"
#include "requests/screen_layout.h"

namespace {

constexpr std::size_t kLineOffset = 2;
constexpr std::size_t kFlagsOffset = 3;
constexpr std::size_t kTextOffset = 7;
constexpr std::size_t kMaxText = 256;
constexpr std::int32_t kClearFlags = 0xFF00;
constexpr int kDisplayLines = 6;  // text lines 0 to 5; element 6 is the frame
constexpr std::size_t kCentreWidth = 20;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last + 1 - first);
}

void ShowOnDesktop(unsigned line, std::int32_t flags, const std::string& text) {
    if ((flags & kClearFlags) != 0) {
        for (int element = 0; element < kDisplayLines; ++element) Ui().SetDisplayText(element, std::string());
        if (flags == kClearFlags) return;
    }
    std::string shown = Trimmed(text);
    if (shown.size() < kCentreWidth) shown.insert(0, (kCentreWidth - shown.size()) / 2, ' ');
    if (shown.size() >= 2) Ui().SetDisplayText(static_cast<int>(std::min(line, 6u)), shown);
}

void KeepInScreenLayout(unsigned line, std::int32_t flags, const std::string& text) {
    if ((flags & kClearFlags) != 0) ClearScreenLayout();
    // Lines above 6 and characters beyond 20 do not fit the layout and are dropped there.
    if (!text.empty() && flags != kClearFlags) SetScreenLayoutLine(line, text);
    LogMessage("Text from terminal: %s", text.c_str());
}

}  // namespace

int HandleShowText(const RequestFields& request, ReplyBuilder& /*reply*/) {
    LogDetail(" ****** Show_text ******");
    if (!request.Has(kFlagsOffset, 4)) return RefuseShortRequest(request, kTextOffset - 1);
    const unsigned line = request.Byte(kLineOffset);
    const std::int32_t flags = request.Int32(kFlagsOffset);
    bool terminated = true;
    const std::string text = request.Text(kTextOffset, kMaxText, terminated);
    if (!terminated) NoteUnterminatedText(request);
    if (IsDesktopProgram()) ShowOnDesktop(line, flags, text);
    else KeepInScreenLayout(line, flags, text);
    return 0;
}

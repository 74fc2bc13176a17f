#pragma once
// How ticket lines are placed on the page: one serif typeface at two sizes, line under
// line from the top left. Margins and line heights are printer dots, so they do not
// follow the printer's resolution; font sizes are points and do.

#include <cstddef>
#include <string_view>

#include "output/print_device.h"

enum class TicketSize { Normal, Big };

inline constexpr int kLeftMargin = 100;
inline constexpr int kTopMargin = 100;
inline constexpr int kNormalLineHeight = 80;
inline constexpr int kBigLineHeight = 140;
// Metric-compatible with Times New Roman, so lines break where the tickets expect.
inline constexpr const char* kTicketTypeface = "Liberation Serif";
inline constexpr int kNormalFontTenths = 80;
inline constexpr int kBigFontTenths = 140;
// Longest part of one ticket line that is looked at.
inline constexpr std::size_t kMaxPrintLine = 1023;

class TicketLayout {
public:
    explicit TicketLayout(PrintDevice& device);

    void SetSize(TicketSize size);
    // Draws one ticket line. A backslash and n inside it break it, half a line lower; a
    // final piece of one character only leaves a half-line gap.
    void PrintLine(std::string_view text);

    int linePosition() const { return linePosition_; }

private:
    void Draw(const std::string& segment);

    PrintDevice& device_;
    PrintFont font_;
    int lineHeight_ = kNormalLineHeight;
    int linePosition_ = kTopMargin;
};

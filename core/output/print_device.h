#pragma once
// Where a printed page goes: the system's default printer, a PDF preview or a test
// recorder. Positions are printer dots from the top left of the printable area; a
// text is placed by the top of its characters.

#include <string>

struct PrintFont {
    std::string typeface;
    int tenthsOfPoint;
};

inline bool operator==(const PrintFont& a, const PrintFont& b) {
    return a.typeface == b.typeface && a.tenthsOfPoint == b.tenthsOfPoint;
}

enum class DocumentStart { Started, NoDefaultPrinter, JobNotStarted };

class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // Opens a one-page document with the given job name.
    virtual DocumentStart BeginDocument(const std::string& name) = 0;
    // Text in the 8-bit ANSI code page, as it came from the pinpad.
    virtual void DrawText(int x, int y, const std::string& text, const PrintFont& font) = 0;
    // Closes the page and hands the document over; only after a started document.
    virtual void EndDocument() = 0;
};

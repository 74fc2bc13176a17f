#pragma once
// One page drawn with cairo into an in-memory PDF, in printer dots at a given resolution.

#include <memory>
#include <string>

#include "output/print_device.h"

struct PageGeometry {
    double widthPoints;
    double heightPoints;
    int dotsPerInch;
};

// Used when the printer does not tell its paper or resolution.
inline constexpr PageGeometry kDefaultPage{595.28, 841.89, 300};  // A4

class PdfPage {
public:
    explicit PdfPage(const PageGeometry& geometry);
    ~PdfPage();
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    // x, y: top left of the text in dots; the text is in the ANSI code page.
    void DrawText(int x, int y, const std::string& text, const PrintFont& font);
    // Ends the page and returns the document; empty when cairo failed.
    std::string Finish();

private:
    struct Drawing;
    std::unique_ptr<Drawing> drawing_;
    std::string document_;
};

#include "pdf_page.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include "output/ansi_text.h"

struct PdfPage::Drawing {
    cairo_surface_t* surface = nullptr;
    cairo_t* context = nullptr;
    int dotsPerInch = kDefaultPage.dotsPerInch;

    ~Drawing() {
        if (context != nullptr) cairo_destroy(context);
        if (surface != nullptr) cairo_surface_destroy(surface);
    }
};

namespace {

cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PdfPage::PdfPage(const PageGeometry& geometry) : drawing_(std::make_unique<Drawing>()) {
    drawing_->dotsPerInch = geometry.dotsPerInch > 0 ? geometry.dotsPerInch : kDefaultPage.dotsPerInch;
    drawing_->surface =
        cairo_pdf_surface_create_for_stream(AppendTo, &document_, geometry.widthPoints, geometry.heightPoints);
    drawing_->context = cairo_create(drawing_->surface);
    // From here on one unit is one printer dot.
    const double pointsPerDot = 72.0 / drawing_->dotsPerInch;
    cairo_scale(drawing_->context, pointsPerDot, pointsPerDot);
    cairo_set_source_rgb(drawing_->context, 0, 0, 0);
}

PdfPage::~PdfPage() = default;

void PdfPage::DrawText(int x, int y, const std::string& text, const PrintFont& font) {
    cairo_t* cr = drawing_->context;
    if (cr == nullptr) return;
    const std::string utf8 = AnsiToUtf8(text);
    if (utf8.empty()) return;
    cairo_select_font_face(cr, font.typeface.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.tenthsOfPoint / 720.0 * drawing_->dotsPerInch);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    // Placed by the top of the characters, as the ticket layout expects.
    cairo_move_to(cr, x, y + extents.ascent);
    cairo_show_text(cr, utf8.c_str());
}

std::string PdfPage::Finish() {
    if (drawing_->context == nullptr) return std::string();
    cairo_show_page(drawing_->context);
    cairo_destroy(drawing_->context);
    drawing_->context = nullptr;
    cairo_surface_finish(drawing_->surface);
    const bool good = cairo_surface_status(drawing_->surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(drawing_->surface);
    drawing_->surface = nullptr;
    return good ? std::move(document_) : std::string();
}

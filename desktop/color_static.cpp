#include "color_static.h"

CColorStatic::CColorStatic(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
}

void CColorStatic::SetBackgroundColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colour);
    setPalette(colours);
}

void CColorStatic::SetTextColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
}

// The default colour is the line's initial black.
QColor ToQColor(StatusColour colour) {
    if (colour.isDefault) return Qt::black;
    return QColor(colour.red, colour.green, colour.blue);
}

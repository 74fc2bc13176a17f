#pragma once
// A text line with its own background and text colour: the status lines and the terminal
// display of the main window.

#include <QColor>
#include <QLabel>

#include "common/ui_hook.h"

class CColorStatic : public QLabel {
    Q_OBJECT
public:
    // Starts with the button-face background and black text.
    explicit CColorStatic(const QString& text, QWidget* parent);

    void SetBackgroundColour(const QColor& colour);
    void SetTextColour(const QColor& colour);

    QColor BackgroundColour() const { return palette().color(QPalette::Window); }
    QColor TextColour() const { return palette().color(QPalette::WindowText); }
};

QColor ToQColor(StatusColour colour);

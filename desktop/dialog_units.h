#pragma once
// Dialog templates are laid out in dialog units of their 8-point font: a horizontal unit
// is a quarter of the average character width (6 px), a vertical one an eighth of its
// height (13 px). Rectangles that the program places at run time are plain pixels.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>

inline constexpr int DialogUnitsToPixelsX(int units) { return units * 6 / 4; }
inline constexpr int DialogUnitsToPixelsY(int units) { return units * 13 / 8; }

inline QSize DialogSize(int widthUnits, int heightUnits) {
    return {DialogUnitsToPixelsX(widthUnits), DialogUnitsToPixelsY(heightUnits)};
}

inline QRect DialogRect(int leftUnits, int topUnits, int widthUnits, int heightUnits) {
    return {DialogUnitsToPixelsX(leftUnits), DialogUnitsToPixelsY(topUnits),
            DialogUnitsToPixelsX(widthUnits), DialogUnitsToPixelsY(heightUnits)};
}

// The 8-point font the dialog units are measured in.
inline void UseDialogFont(QWidget* dialog) {
    QFont font = dialog->font();
    font.setPointSize(8);
    dialog->setFont(font);
}

// A pixel rectangle given as left, top, right, bottom (right and bottom exclusive).
inline QRect PixelRect(int left, int top, int right, int bottom) {
    return {left, top, right - left, bottom - top};
}

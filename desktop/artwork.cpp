#include "artwork.h"

#include <QPainter>

namespace {

// A pinpad seen from the front: case, display, three rows of keys.
void DrawPinpad(QPainter& painter, const QRectF& area) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 63, 70));
    painter.drawRoundedRect(area, area.width() * 0.12, area.width() * 0.12);

    const QRectF display(area.left() + area.width() * 0.15, area.top() + area.height() * 0.1,
                         area.width() * 0.7, area.height() * 0.3);
    painter.setBrush(QColor(189, 183, 107));
    painter.drawRect(display);

    painter.setBrush(QColor(210, 210, 210));
    const qreal keyWidth = area.width() * 0.16;
    const qreal keyHeight = area.height() * 0.1;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const qreal left = area.left() + area.width() * (0.17 + 0.25 * column);
            const qreal top = area.top() + area.height() * (0.5 + 0.15 * row);
            painter.drawRect(QRectF(left, top, keyWidth, keyHeight));
        }
    }
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        DrawPinpad(painter, QRectF(size * 0.15, 0, size * 0.7, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap ProductPicture() {
    QPixmap pixmap(249, 136);
    pixmap.fill(QColor(236, 236, 236));
    QPainter painter(&pixmap);
    DrawPinpad(painter, QRectF(12, 8, 70, 120));
    painter.setPen(QColor(60, 63, 70));
    QFont font = painter.font();
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(95, 30, 150, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Termbridge"));
    font.setPointSize(9);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(95, 70, 150, 40), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("Pinpad host for the point of sale"));
    return pixmap;
}

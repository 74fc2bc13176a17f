#include "numeric_edit.h"

#include <QKeyEvent>

#include "amount_text.h"

namespace {

bool IsSwallowedKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right ||
           key == Qt::Key_Down || key == Qt::Key_Delete;
}

// Keys whose only effect in a line edit is to move the caret or select.
bool IsHarmlessKey(const QKeyEvent* event) {
    return event->text().isEmpty() && !event->matches(QKeySequence::Paste) &&
           !event->matches(QKeySequence::Cut) && !event->matches(QKeySequence::Undo) &&
           !event->matches(QKeySequence::Redo) && !event->matches(QKeySequence::DeleteEndOfWord) &&
           !event->matches(QKeySequence::DeleteStartOfWord) &&
           !event->matches(QKeySequence::DeleteEndOfLine) &&
           !event->matches(QKeySequence::DeleteCompleteLine);
}

}  // namespace

CNumericEdit::CNumericEdit(QWidget* parent) : QLineEdit(parent) {
    // Text reaches the field only through the keyboard handler below.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setText(QString::fromLatin1(FormatAmountDigits(digits_).c_str()));
}

// Tab would otherwise move the focus before the field sees it; the field wants every key.
bool CNumericEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CNumericEdit::keyPressEvent(QKeyEvent* event) {
    // Enter, Escape and Tab stay in the field instead of closing the dialog or moving on.
    event->accept();
    if (IsSwallowedKey(event->key())) return;

    const QString text = event->text();
    if (event->key() == Qt::Key_Backspace) {
        if (!digits_.empty()) digits_.pop_back();
    } else if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9') {
        if (digits_.size() < kMaxDigits) digits_ += static_cast<char>(text[0].unicode());
    } else if (IsHarmlessKey(event)) {
        QLineEdit::keyPressEvent(event);
        event->accept();
    }
    setText(QString::fromLatin1(FormatAmountDigits(digits_).c_str()));
}

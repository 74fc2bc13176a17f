#pragma once
// The amount field of the Transaction dialog: digits typed at the end (or taken back with
// backspace) are shown as an amount with two decimals. Caret moves, deletions in the middle,
// pasting and every other character leave the amount as it was.

#include <QLineEdit>
#include <string>

class CNumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumericEdit(QWidget* parent = nullptr);

    // The digits typed so far, leading zeros included.
    const std::string& Digits() const { return digits_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr std::size_t kMaxDigits = 64;

    std::string digits_;
};

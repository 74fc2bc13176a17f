#pragma once
// "Enter amount of transaction": the answer to the pinpad's amount question, a plain
// integer from 0 to 99,999,999.

#include <QDialog>
#include <cstdint>

class QLineEdit;

class AmountDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::int32_t kMinAmount = 0;
    static constexpr std::int32_t kMaxAmount = 99999999;

    explicit AmountDialog(std::int32_t amount = 0, QWidget* parent = nullptr);

    // Valid after the dialog ended with Accepted.
    std::int32_t Amount() const { return amount_; }

    // OK: ends the dialog only when the field holds an integer within the range.
    void accept() override;

private:
    void RefuseEntry(const QString& message);

    QLineEdit* amountEdit_;
    std::int32_t amount_;
};

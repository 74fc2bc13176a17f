#include "amount_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <optional>

#include "dialog_units.h"

namespace {

// An integer as typed: blanks around it, an optional sign, at least one digit. Values too
// large for 64 bits saturate, which still lands outside the accepted range.
std::optional<std::int64_t> ParseInteger(const QString& typed) {
    const QString text = typed.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
        if (value < (std::int64_t{1} << 40)) value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

}  // namespace

AmountDialog::AmountDialog(std::int32_t amount, QWidget* parent)
    : QDialog(parent), amountEdit_(new QLineEdit(this)), amount_(amount) {
    setWindowTitle(QStringLiteral("Enter amount of transaction"));
    UseDialogFont(this);
    setFixedSize(DialogSize(173, 127));

    amountEdit_->setObjectName(QStringLiteral("amountEdit"));
    amountEdit_->setGeometry(DialogRect(20, 30, 133, 14));
    amountEdit_->setAlignment(Qt::AlignRight);
    amountEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), amountEdit_));
    amountEdit_->setText(QString::number(amount_));
    amountEdit_->selectAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setGeometry(DialogRect(20, 100, 133, 16));
    connect(buttons, &QDialogButtonBox::accepted, this, &AmountDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AmountDialog::reject);
}

void AmountDialog::accept() {
    const std::optional<std::int64_t> value = ParseInteger(amountEdit_->text());
    if (!value) {
        RefuseEntry(QStringLiteral("Enter an integer."));
        return;
    }
    if (*value < kMinAmount || *value > kMaxAmount) {
        RefuseEntry(QStringLiteral("Enter an integer between %1 and %2.").arg(kMinAmount).arg(kMaxAmount));
        return;
    }
    amount_ = static_cast<std::int32_t>(*value);
    QDialog::accept();
}

void AmountDialog::RefuseEntry(const QString& message) {
    QMessageBox::warning(this, QStringLiteral("Termbridge"), message);
    amountEdit_->setFocus();
    amountEdit_->selectAll();
}

#include "trans_dlg.h"

#include <QComboBox>
#include <algorithm>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QShowEvent>

#include "amount_text.h"
#include "ansi_qstring.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "dialog_units.h"
#include "numeric_edit.h"
#include "requests/transaction.h"

namespace {

// Rows of label and field, in pixels.
constexpr int kFirstRowTop = 80;
constexpr int kRowHeight = 20;
constexpr int kRowStep = 40;
constexpr int kLabelLeft = 30;
constexpr int kLabelRight = 110;
constexpr int kFieldLeft = 115;

// The GSM and reference fields keep 63 characters; the edits take no more than that.
constexpr int kTextFieldLimit = static_cast<int>(kGsmNumberSize) - 1;

void PlaceRow(QLabel* label, QWidget* field, int top, int fieldRight) {
    label->setGeometry(PixelRect(kLabelLeft, top, kLabelRight, top + kRowHeight));
    field->setGeometry(PixelRect(kFieldLeft, top, fieldRight, top + kRowHeight));
}

bool HasSmsAccount(const HostConfig& config) {
    return config.gsmUserName[0] != '\0' && config.gsmPassword[0] != '\0';
}

}  // namespace

CTransDlg::CTransDlg(QWidget* parent)
    : QDialog(parent),
      typeList_(new QComboBox(this)),
      amountEdit_(new CNumericEdit(this)),
      gsmEdit_(new QLineEdit(this)),
      referenceEdit_(new QLineEdit(this)),
      gsmLabel_(new QLabel(QStringLiteral("Client GSM"), this)),
      referenceLabel_(new QLabel(QStringLiteral("Reference"), this)) {
    setWindowTitle(QStringLiteral("Transaction details"));
    setFixedSize(DialogSize(251, 161));

    auto* hiddenCaption = new QLabel(QStringLiteral("Transaction type:"), this);
    hiddenCaption->hide();

    auto* typeLabel = new QLabel(QStringLiteral("Transaction"), this);
    typeLabel->setGeometry(PixelRect(kLabelLeft, 44, kLabelRight, 62));
    typeList_->setObjectName(QStringLiteral("typeList"));
    typeList_->setGeometry(DialogRect(78, 26, 155, 14));

    amountEdit_->setObjectName(QStringLiteral("amountEdit"));
    PlaceRow(new QLabel(QStringLiteral("Amount"), this), amountEdit_, kFirstRowTop, 250);

    gsmEdit_->setObjectName(QStringLiteral("gsmEdit"));
    gsmEdit_->setMaxLength(kTextFieldLimit);
    gsmEdit_->setAlignment(Qt::AlignRight);
    gsmEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), gsmEdit_));

    referenceEdit_->setObjectName(QStringLiteral("referenceEdit"));
    referenceEdit_->setMaxLength(kTextFieldLimit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setGeometry(DialogRect(120, 136, 120, 16));
    connect(buttons, &QDialogButtonBox::accepted, this, &CTransDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTransDlg::reject);
}

void CTransDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ReadConfiguration();  // whatever it finds, the rows follow the record
        FillTypeList();
        PlaceRows();
    }
    QDialog::showEvent(event);
}

// The allowed types in the order the pinpad reported them, named from the type table so
// that every name leads back to its code.
void CTransDlg::FillTypeList() {
    typeList_->clear();
    const AllowedTransactionTable allowed = GetAllowedTransactions();
    const int count = std::clamp(allowed.count, 0, static_cast<int>(kMaxAllowedTransactions));
    for (int i = 0; i < count; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i) * kAllowedEntrySize;
        const auto code = static_cast<std::uint16_t>(allowed.entries[offset] |
                                                     (allowed.entries[offset + 1] << 8));
        std::string name;
        TransactionTypeName(code, name);
        typeList_->addItem(FromAnsi(name));
    }
    typeList_->setCurrentIndex(typeList_->count() > 0 ? 0 : -1);
    typeList_->setFocus();
}

void CTransDlg::PlaceRows() {
    int top = kFirstRowTop + kRowStep;
    withGsmRow_ = HasSmsAccount(GetHostConfig());
    gsmEdit_->setVisible(withGsmRow_);
    gsmLabel_->setVisible(withGsmRow_);
    if (withGsmRow_) {
        PlaceRow(gsmLabel_, gsmEdit_, top, 370);
        top += kRowStep;
    }
    PlaceRow(referenceLabel_, referenceEdit_, top, 370);
}

void CTransDlg::accept() {
    typeCode_ = typeList_->currentIndex() >= 0 ? TransactionTypeCode(ToAnsi(typeList_->currentText())) : 0;
    amount_ = AmountFromText(amountEdit_->text().toStdString());
    clientGsmNumber_ = withGsmRow_ ? ToAnsi(gsmEdit_->text(), kTextFieldLimit) : std::string();
    merchantReference_ = ToAnsi(referenceEdit_->text(), kTextFieldLimit);
    QDialog::accept();
}

#pragma once
// "Transaction details": a transaction entered by hand, of one of the types that the pinpad
// reported as allowed. The main window stores it as the pending transaction.

#include <QDialog>
#include <cstdint>
#include <string>

class CNumericEdit;
class QComboBox;
class QLabel;
class QLineEdit;

class CTransDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTransDlg(QWidget* parent = nullptr);

    // Valid after the dialog ended with Accepted.
    std::uint16_t TypeCode() const { return typeCode_; }
    std::int32_t Amount() const { return amount_; }
    const std::string& ClientGsmNumber() const { return clientGsmNumber_; }
    const std::string& MerchantReference() const { return merchantReference_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillTypeList();
    void PlaceRows();

    QComboBox* typeList_;
    CNumericEdit* amountEdit_;
    QLineEdit* gsmEdit_;
    QLineEdit* referenceEdit_;
    QLabel* gsmLabel_;
    QLabel* referenceLabel_;

    bool withGsmRow_ = false;  // only with an SMS account
    std::uint16_t typeCode_ = 0;
    std::int32_t amount_ = 0;
    std::string clientGsmNumber_;
    std::string merchantReference_;
};

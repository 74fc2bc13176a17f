#include "trans_dlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <vector>

#include "config/config_file.h"
#include "numeric_edit.h"
#include "requests/transaction.h"
#include "support/test_env.h"

namespace {

class TransDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ResetTransactionState(); }

    // The dialog reads the configuration file when it opens.
    void WriteSmsAccount(const char* user, const char* password) {
        HostConfig config{};
        config.loggingLevel = 1;
        std::snprintf(config.gsmUserName, sizeof config.gsmUserName, "%s", user);
        std::snprintf(config.gsmPassword, sizeof config.gsmPassword, "%s", password);
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
    }

    static void Allow(const std::vector<std::uint16_t>& codes) {
        SetAllowedTransactions(codes.data(), static_cast<int>(codes.size()));
    }

    template <typename T>
    static T* Child(CTransDlg& dialog, const char* name) {
        return dialog.findChild<T*>(QString::fromLatin1(name));
    }

    TempDataDir dir_{ProgramKind::Desktop};
};

}  // namespace

TEST_F(TransDlgTest, OffersTheAllowedTypesInTheirOrder) {
    WriteSmsAccount("", "");
    Allow({0x8860, 0x8810, 0x8894, 0x1234});
    CTransDlg dialog;
    dialog.show();

    auto* types = Child<QComboBox>(dialog, "typeList");
    ASSERT_EQ(types->count(), 4);
    EXPECT_EQ(types->itemText(0).toStdString(), "Refund");
    EXPECT_EQ(types->itemText(1).toStdString(), "Sale");
    EXPECT_EQ(types->itemText(2).toStdString(), "Cancellation of sale after reservation");
    EXPECT_EQ(types->itemText(3).toStdString(), "");
    EXPECT_EQ(types->currentIndex(), 0);

    const struct {
        int index;
        std::uint16_t code;
    } choices[] = {{0, 0x8860}, {2, 0x8894}, {3, 0}};
    for (const auto& choice : choices) {
        types->setCurrentIndex(choice.index);
        dialog.accept();
        EXPECT_EQ(dialog.TypeCode(), choice.code) << "entry " << choice.index;
    }
}

TEST_F(TransDlgTest, NoAllowedTypeGivesTypeZero) {
    WriteSmsAccount("", "");
    CTransDlg dialog;
    dialog.show();
    EXPECT_EQ(Child<QComboBox>(dialog, "typeList")->count(), 0);
    dialog.accept();
    EXPECT_EQ(dialog.TypeCode(), 0);
    EXPECT_EQ(dialog.Amount(), 0);
}

TEST_F(TransDlgTest, RowsWithAndWithoutTheSmsAccount) {
    const struct {
        const char* name;
        const char* user;
        const char* password;
        bool gsmRow;
        int referenceTop;
    } cases[] = {
        {"SMS account", "shop", "secret", true, 160},
        {"no user", "", "secret", false, 120},
        {"no password", "shop", "", false, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSmsAccount(c.user, c.password);
        Allow({0x8810});
        CTransDlg dialog;
        dialog.show();
        auto* gsm = Child<QLineEdit>(dialog, "gsmEdit");
        auto* reference = Child<QLineEdit>(dialog, "referenceEdit");
        EXPECT_EQ(gsm->isVisible(), c.gsmRow);
        if (c.gsmRow) {
            EXPECT_EQ(gsm->geometry(), QRect(115, 120, 255, 20));
        }
        EXPECT_EQ(reference->geometry(), QRect(115, c.referenceTop, 255, 20));
        EXPECT_EQ(Child<CNumericEdit>(dialog, "amountEdit")->geometry(), QRect(115, 80, 135, 20));

        QTest::keyClicks(gsm, "0612345678");
        QTest::keyClicks(reference, "INV-7");
        dialog.accept();
        EXPECT_EQ(dialog.ClientGsmNumber(), c.gsmRow ? "0612345678" : "");
        EXPECT_EQ(dialog.MerchantReference(), "INV-7");
    }
}

TEST_F(TransDlgTest, AmountIsTakenInHundredths) {
    WriteSmsAccount("", "");
    Allow({0x8810});
    CTransDlg dialog;
    dialog.show();
    auto* amount = Child<CNumericEdit>(dialog, "amountEdit");
    QTest::keyClicks(amount, "1250");
    EXPECT_EQ(amount->text().toStdString(), "12.50");
    dialog.accept();
    EXPECT_EQ(dialog.Amount(), 1250);
    EXPECT_EQ(dialog.TypeCode(), 0x8810);
}

TEST_F(TransDlgTest, EnterAndEscapeInTheAmountFieldKeepTheDialogOpen) {
    WriteSmsAccount("", "");
    Allow({0x8810});
    CTransDlg dialog;
    dialog.show();
    auto* amount = Child<CNumericEdit>(dialog, "amountEdit");
    amount->setFocus();
    QTest::keyClick(amount, Qt::Key_Return);
    QTest::keyClick(amount, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(TransDlgTest, GsmAndReferenceKeep63Characters) {
    WriteSmsAccount("shop", "secret");
    Allow({0x8810});
    CTransDlg dialog;
    dialog.show();
    QTest::keyClicks(Child<QLineEdit>(dialog, "gsmEdit"), QString(70, u'9'));
    QTest::keyClicks(Child<QLineEdit>(dialog, "referenceEdit"), QString(70, u'R'));
    dialog.accept();
    EXPECT_EQ(dialog.ClientGsmNumber(), std::string(63, '9'));
    EXPECT_EQ(dialog.MerchantReference(), std::string(63, 'R'));
}

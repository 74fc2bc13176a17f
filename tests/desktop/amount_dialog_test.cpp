#include "amount_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "modal_dialogs.h"

TEST(AmountDialog, RangeCheck) {
    const struct {
        const char* name;
        const char* typed;
        const char* refusal;  // nullptr: accepted
        std::int32_t amount;
    } cases[] = {
        {"zero is an amount", "0", nullptr, 0},
        {"largest amount", "99999999", nullptr, 99999999},
        {"blanks around the number", " 1250 ", nullptr, 1250},
        {"nine digits are too many", "100000000", "Enter an integer between 0 and 99999999.", 0},
        {"far beyond any integer", "99999999999999999999999", "Enter an integer between 0 and 99999999.", 0},
        {"negative", "-1", "Enter an integer between 0 and 99999999.", 0},
        {"empty", "", "Enter an integer.", 0},
        {"letters after the digits", "12a", "Enter an integer.", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AmountDialog dialog;
        dialog.show();
        dialog.findChild<QLineEdit*>(QStringLiteral("amountEdit"))->setText(QString::fromLatin1(c.typed));

        QString shownRefusal;
        const OnNextModal<QMessageBox> refusal([&](QMessageBox* box) {
            shownRefusal = box->text();
            box->accept();
        });
        dialog.accept();

        if (c.refusal == nullptr) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.Amount(), c.amount);
            EXPECT_TRUE(shownRefusal.isEmpty());
        } else {
            EXPECT_TRUE(dialog.isVisible()) << "a refused entry keeps the dialog open";
            EXPECT_EQ(shownRefusal.toStdString(), c.refusal);
        }
    }
}

TEST(AmountDialog, StartsWithTheGivenAmountAndTakesDigitsOnly) {
    AmountDialog dialog(0);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("amountEdit"));
    EXPECT_EQ(edit->text().toStdString(), "0");
    dialog.show();
    edit->clear();
    QTest::keyClicks(edit, "12.5x0");
    EXPECT_EQ(edit->text().toStdString(), "1250");
}

#include "numeric_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <string>
#include <vector>

#include "amount_text.h"

namespace {

// One key press and the amount the field shows after it.
struct Step {
    Qt::Key key;
    char text;  // the character the key types, 0 for none
    const char* shown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

Step Digit(char digit, const char* shown) { return {static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')), digit, shown}; }
Step Key(Qt::Key key, const char* shown) { return {key, 0, shown}; }
Step Char(char c, const char* shown) { return {static_cast<Qt::Key>(QChar(c).toUpper().unicode()), c, shown}; }

std::vector<Step> DigitsThen(const char* digits, std::vector<Step> then) {
    std::vector<Step> steps;
    for (const char* d = digits; *d != '\0'; ++d) steps.push_back(Digit(*d, nullptr));
    steps.insert(steps.end(), then.begin(), then.end());
    return steps;
}

void Press(CNumericEdit& edit, const Step& step) {
    if (step.text != 0) {
        QTest::keyClick(&edit, step.text, step.modifiers);
    } else {
        QTest::keyClick(&edit, step.key, step.modifiers);
    }
}

}  // namespace

TEST(FormatAmountDigits, GroupsAndDecimals) {
    const struct {
        const char* digits;
        const char* shown;
    } cases[] = {
        {"", "0.00"},         {"0", "0.00"},           {"7", "0.07"},
        {"12", "0.12"},       {"007", "0.07"},         {"123", "1.23"},
        {"12345", "123.45"},  {"123456", "1,234.56"},  {"123456789", "1,234,567.89"},
        {"12345678901", "123,456,789.01"},  // leading group of three
        {"123456789012", "1234,567,890.12"},  // no third comma
    };
    for (const auto& c : cases) EXPECT_EQ(FormatAmountDigits(c.digits), c.shown) << c.digits;
}

TEST(AmountFromText, KeepsDigitsAndSaturates) {
    EXPECT_EQ(AmountFromText("12.50"), 1250);
    EXPECT_EQ(AmountFromText("1,234,567.89"), 123456789);
    EXPECT_EQ(AmountFromText("0.00"), 0);
    EXPECT_EQ(AmountFromText(""), 0);
    EXPECT_EQ(AmountFromText("21,474,836.47"), 2147483647);
    EXPECT_EQ(AmountFromText("21,474,836.48"), 2147483647);
    EXPECT_EQ(AmountFromText("99,999,999,999,999,999,999.99"), 2147483647);
}

TEST(CNumericEdit, KeySequences) {
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"digits 1 2 5 0", {Digit('1', "0.01"), Digit('2', "0.12"), Digit('5', "1.25"), Digit('0', "12.50")}},
        {"leading zeros 0 0 7", {Digit('0', "0.00"), Digit('0', "0.00"), Digit('7', "0.07")}},
        {"backspace takes the last digit", DigitsThen("1250", {Key(Qt::Key_Backspace, "1.25")})},
        {"backspace on an empty field", {Key(Qt::Key_Backspace, "0.00"), Digit('4', "0.04")}},
        {"delete and arrows change nothing, typing still appends",
         DigitsThen("1250", {Key(Qt::Key_Left, "12.50"), Key(Qt::Key_Left, "12.50"), Key(Qt::Key_Delete, "12.50"),
                             Key(Qt::Key_Up, "12.50"), Key(Qt::Key_Down, "12.50"), Key(Qt::Key_Right, "12.50"),
                             Key(Qt::Key_Home, "12.50"), Key(Qt::Key_Backspace, "1.25"), Digit('3', "12.53")})},
        {"separators and letters are ignored",
         DigitsThen("1", {Char('.', "0.01"), Char(',', "0.01"), Char('a', "0.01"), Char('Z', "0.01"),
                          Char(' ', "0.01"), Char('-', "0.01"), Digit('2', "0.12")})},
        {"enter, escape and tab change nothing",
         DigitsThen("12", {Key(Qt::Key_Return, "0.12"), Key(Qt::Key_Escape, "0.12"), Key(Qt::Key_Tab, "0.12")})},
        {"1 to 9", DigitsThen("12345678", {Digit('9', "1,234,567.89")})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CNumericEdit edit;
        edit.show();
        edit.setFocus();
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            Press(edit, c.steps[i]);
            if (c.steps[i].shown != nullptr) {
                EXPECT_EQ(edit.text().toStdString(), c.steps[i].shown) << "step " << i;
            }
        }
    }
}

TEST(CNumericEdit, BufferKeepsAtMost64Digits) {
    CNumericEdit edit;
    for (int i = 0; i < 70; ++i) QTest::keyClick(&edit, '9');
    EXPECT_EQ(edit.Digits(), std::string(64, '9'));
    for (int i = 0; i < 63; ++i) QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text().toStdString(), "0.09");
}

TEST(CNumericEdit, PasteAndCutLeaveTheAmount) {
    CNumericEdit edit;
    edit.show();
    QTest::keyClicks(&edit, "125");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text().toStdString(), "1.25");
    QApplication::clipboard()->setText(QStringLiteral("999"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text().toStdString(), "1.25");
    EXPECT_EQ(edit.Digits(), "125");
}

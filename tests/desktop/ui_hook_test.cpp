#include "desktop_ui_hook.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "amount_dialog.h"
#include "color_static.h"
#include "modal_dialogs.h"
#include "requests/amount_answer.h"
#include "support/test_env.h"
#include "termbridge_dlg.h"

namespace {

// A worker thread of the core, reaching the window only through Ui().
void OnWorker(const std::function<void()>& call) {
    std::thread worker(call);
    worker.join();
}

class UiHookTest : public ::testing::Test {
protected:
    void SetUp() override { window_.show(); }

    template <typename T>
    T* Child(const QString& name) {
        return window_.findChild<T*>(name);
    }

    TempDataDir dir_{ProgramKind::Desktop};
    CTermbridgeDlg window_;
};

}  // namespace

TEST_F(UiHookTest, WorkerCallsArriveQueuedOnTheGuiThread) {
    auto* line = Child<CColorStatic>(QStringLiteral("displayLine2"));
    auto* frame = Child<CColorStatic>(QStringLiteral("displayFrame"));
    auto* transaction = Child<QPushButton>(QStringLiteral("transactionButton"));
    auto* configuration = Child<QPushButton>(QStringLiteral("configurationButton"));
    auto* printer = Child<CColorStatic>(QStringLiteral("printerLine"));

    OnWorker([] {
        Ui().SetDisplayText(2, "INSERT CARD \xC9");
        Ui().SetDisplayText(6, "frame");
        Ui().SetDisplayText(7, "nowhere");
        Ui().EnableTransactionButton(true);
        Ui().EnableConfigurationButton(false);
        Ui().SetPrinterStatus("Printer available", kDarkGreen);
    });
    // Nothing has touched a widget from the worker: the calls wait for the GUI loop.
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_FALSE(transaction->isEnabled());

    EXPECT_TRUE(QTest::qWaitFor([&] { return !line->text().isEmpty(); }));
    EXPECT_EQ(line->text(), QStringLiteral("INSERT CARD \u00C9"));
    EXPECT_EQ(frame->text(), QStringLiteral("frame"));
    EXPECT_TRUE(transaction->isEnabled());
    EXPECT_FALSE(configuration->isEnabled());
    EXPECT_EQ(printer->text(), QStringLiteral("Printer available"));
    EXPECT_EQ(printer->TextColour(), QColor(0, 127, 0));
}

TEST_F(UiHookTest, ShowMessageFromAWorkerWaitsForTheBox) {
    std::atomic<bool> returned{false};
    bool returnedWhileOpen = true;
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    const OnNextModal<QMessageBox> reader([&](QMessageBox* box) {
        returnedWhileOpen = returned.load();
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->accept();
    });
    std::thread worker([&] {
        Ui().ShowMessage("COM port initialization failed...", "Error", MessageIcon::Exclamation);
        returned.store(true);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }));
    worker.join();
    EXPECT_FALSE(returnedWhileOpen);
    EXPECT_EQ(text, QStringLiteral("COM port initialization failed..."));
    EXPECT_EQ(caption, QStringLiteral("Error"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST_F(UiHookTest, ShowMessageOnTheGuiThreadShowsTheBoxDirectly) {
    const OnNextModal<QMessageBox> closer([](QMessageBox* box) { box->accept(); });
    Ui().ShowMessage("Error: can't write configuration to x", "", MessageIcon::None);
    EXPECT_TRUE(closer.Acted());
}

TEST_F(UiHookTest, AmountQuestionAnswers) {
    const struct {
        const char* name;
        const char* typed;  // nullptr: Cancel
        int answer;
    } cases[] = {{"OK", "1234", 1234}, {"zero", "0", 0}, {"Cancel", nullptr, -2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AmountAnswer.store(-1);
        const OnNextModal<AmountDialog> user([&](AmountDialog* dialog) {
            if (c.typed == nullptr) {
                dialog->reject();
                return;
            }
            dialog->findChild<QLineEdit*>(QStringLiteral("amountEdit"))->setText(QString::fromLatin1(c.typed));
            dialog->accept();
        });
        OnWorker([] { Ui().RequestAmount(); });
        EXPECT_TRUE(QTest::qWaitFor([] { return AmountAnswer.load() != -1; }));
        EXPECT_EQ(AmountAnswer.load(), c.answer);
    }
}

// The pinpad gave up waiting and asked again: the open box answers both questions.
TEST_F(UiHookTest, RepeatedAmountQuestionOpensNoSecondBox) {
    AmountAnswer.store(-1);
    int boxes = 0;
    const OnNextModal<AmountDialog> user([&](AmountDialog* dialog) {
        ++boxes;
        QCoreApplication::processEvents();  // the second question arrives meanwhile
        dialog->findChild<QLineEdit*>(QStringLiteral("amountEdit"))->setText(QStringLiteral("77"));
        dialog->accept();
    });
    OnWorker([] {
        Ui().RequestAmount();
        Ui().RequestAmount();
    });
    EXPECT_TRUE(QTest::qWaitFor([] { return AmountAnswer.load() != -1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(AmountAnswer.load(), 77);
    EXPECT_EQ(boxes, 1);
}

// Once the window is ending, a worker's message box must not hold it up.
TEST_F(UiHookTest, AfterExitWorkersNoLongerWait) {
    window_.ExitProgram();
    EXPECT_FALSE(window_.isVisible());
    const OnNextModal<QMessageBox> closer([](QMessageBox* box) { box->accept(); });
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        Ui().ShowMessage("late", "Error", MessageIcon::Exclamation);
        Ui().SetDisplayText(0, "late");
        returned.store(true);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }));
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(closer.Acted());
    EXPECT_TRUE(Child<CColorStatic>(QStringLiteral("displayLine0"))->text().isEmpty());
}

// A worker already waiting for its box when the window starts to end is let go at once, before
// the main thread blocks in stopping that worker.
TEST_F(UiHookTest, ExitReleasesAWorkerWaitingForItsBox) {
    std::atomic<bool> calling{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        calling.store(true);
        Ui().ShowMessage("pending", "Error", MessageIcon::Exclamation);
        returned.store(true);
    });
    ASSERT_TRUE(WaitFor([&] { return calling.load(); }));
    // Gives the worker time to post its box; if it has not, it finds the hook closed: same end.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const OnNextModal<QMessageBox> closer([](QMessageBox* box) { box->accept(); });
    window_.ExitProgram();
    // No event loop runs here: only the exit itself can have released the worker.
    EXPECT_TRUE(WaitFor([&] { return returned.load(); }, std::chrono::seconds(5)));
    worker.join();
    EXPECT_FALSE(closer.Acted());
}

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "artwork.h"
#include "common/program.h"
#include "screenshot.h"
#include "termbridge_dlg.h"

int main(int argc, char* argv[]) {
    SetProgramKind(ProgramKind::Desktop);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Termbridge"));

    ScreenshotRequest screenshot;
    QString error;
    if (!ParseScreenshotRequest(QApplication::arguments(), screenshot, error)) {
        std::fprintf(stderr, "Termbridge: %s\n", qPrintable(error));
        return 1;
    }
    if (ProgramIcon().isNull()) {
        QMessageBox::warning(nullptr, QStringLiteral("Termbridge"), QStringLiteral("Could not load icon."));
    }

    CTermbridgeDlg window;
    if (!window.StartUp()) return 0;
    int exitCode = 0;
    if (!screenshot.file.isEmpty()) {
        ScheduleScreenshot(window, screenshot, [&window, &exitCode, &screenshot](bool saved) {
            if (!saved) {
                std::fprintf(stderr, "Termbridge: could not save %s\n", qPrintable(screenshot.file));
                exitCode = 1;
            }
            window.ExitProgram();
        });
    }
    window.exec();
    return exitCode;
}

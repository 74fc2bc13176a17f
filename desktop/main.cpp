#include <QApplication>
#include <QMessageBox>

#include "artwork.h"
#include "common/program.h"
#include "termbridge_dlg.h"

int main(int argc, char* argv[]) {
    SetProgramKind(ProgramKind::Desktop);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Termbridge"));
    if (ProgramIcon().isNull()) {
        QMessageBox::warning(nullptr, QStringLiteral("Termbridge"), QStringLiteral("Could not load icon."));
    }

    CTermbridgeDlg window;
    if (!window.StartUp()) return 0;
    window.exec();
    return 0;
}

#include "about_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>

#include "artwork.h"
#include "common/program.h"
#include "dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Termbridge"));
    setFixedSize(DialogSize(235, 55));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setGeometry(DialogRect(11, 17, 21, 20));

    auto* version = new QLabel(QString::fromLatin1(Program().versionText), this);
    version->setObjectName(QStringLiteral("versionText"));
    version->setGeometry(DialogRect(40, 10, 119, 8));
    auto* purpose = new QLabel(QStringLiteral("Pinpad host for the point of sale"), this);
    purpose->setGeometry(DialogRect(40, 22, 119, 8));
    auto* maker = new QLabel(QStringLiteral("Copyright (C) Corvanta"), this);
    maker->setGeometry(DialogRect(40, 34, 119, 8));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setGeometry(DialogRect(178, 7, 50, 14));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);
}

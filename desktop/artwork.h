#pragma once
// The program's pictures, drawn in code so that the program carries no image files.

#include <QIcon>
#include <QPixmap>

// The program icon (window, taskbar, about box).
QIcon ProgramIcon();
// The product picture of the main window, 249 x 136 pixels.
QPixmap ProductPicture();

#pragma once
// A debugging aid behind Termbridge's --screenshot option: the window's picture, taken once
// it has run for a while, saved as PNG; then the window ends the usual way.

#include <QString>
#include <functional>

class QWidget;

struct ScreenshotRequest {
    QString file;        // empty: no picture
    int delayMs = 3000;  // from the window being shown
};

// --screenshot FILE and --screenshot-delay-ms N among the program's arguments. False, with
// the reason in error, for a bad option.
bool ParseScreenshotRequest(const QStringList& arguments, ScreenshotRequest& request, QString& error);

// Saves the window's picture after the delay, then runs done (whether the save worked or not).
// The picture is the widget's own rendering, so no screen grabber is needed.
void ScheduleScreenshot(QWidget& window, const ScreenshotRequest& request, std::function<void(bool saved)> done);

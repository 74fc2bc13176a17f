#include "screenshot.h"

#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

bool ParseScreenshotRequest(const QStringList& arguments, ScreenshotRequest& request, QString& error) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        const bool known = option == QLatin1String("--screenshot") || option == QLatin1String("--screenshot-delay-ms");
        if (!known) continue;
        if (i + 1 >= arguments.size()) {
            error = option + QStringLiteral(" needs a value");
            return false;
        }
        const QString value = arguments[++i];
        if (option == QLatin1String("--screenshot")) {
            request.file = value;
            continue;
        }
        bool number = false;
        request.delayMs = value.toInt(&number);
        if (!number || request.delayMs < 0) {
            error = QStringLiteral("--screenshot-delay-ms needs a number of milliseconds");
            return false;
        }
    }
    return true;
}

void ScheduleScreenshot(QWidget& window, const ScreenshotRequest& request, std::function<void(bool saved)> done) {
    QWidget* target = &window;
    const QString file = request.file;
    QTimer::singleShot(request.delayMs, target, [target, file, done = std::move(done)]() {
        const bool saved = target->grab().save(file, "PNG");
        done(saved);
    });
}

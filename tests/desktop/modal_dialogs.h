#pragma once
// Modal dialogs run their own event loop; a test acts on them from a timer of that loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs act once on the next modal widget of type T that is open (not `except`), from the
// event loop that serves it. Gives up after ten seconds, so a missing dialog fails the
// test's own checks instead of hanging it.
template <typename T>
void OnNextModal(std::function<void(T*)> act, QWidget* except = nullptr) {
    auto* timer = new QTimer;
    auto rounds = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, except, rounds]() {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal != nullptr && modal != except && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        } else if (++*rounds > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

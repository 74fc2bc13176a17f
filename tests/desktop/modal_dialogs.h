#pragma once
// Modal dialogs run their own event loop; a test acts on them from a timer of that loop.

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

// While it lives, runs act once on the first open modal widget of type T (other than
// `except`), from whichever event loop serves it.
template <typename T>
class OnNextModal {
public:
    explicit OnNextModal(std::function<void(T*)> act, QWidget* except = nullptr)
        : act_(std::move(act)), except_(except) {
        QObject::connect(&timer_, &QTimer::timeout, [this]() { Poll(); });
        timer_.start(10);
    }

    bool Acted() const { return acted_; }

private:
    void Poll() {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr || modal == except_ || !modal->isVisible()) return;
        timer_.stop();
        acted_ = true;
        act_(modal);
    }

    std::function<void(T*)> act_;
    QWidget* except_;
    QTimer timer_;
    bool acted_ = false;
};

// While it lives, closes every message box that opens, keeping their texts in order.
class DismissEveryBox {
public:
    DismissEveryBox() {
        QObject::connect(&timer_, &QTimer::timeout, [this]() { Poll(); });
        timer_.start(10);
    }

    const QStringList& Texts() const { return texts_; }

private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        texts_ << box->text();
        box->accept();
    }

    QTimer timer_;
    QStringList texts_;
};

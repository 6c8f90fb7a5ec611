#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

// Answers a modal window that a command opens with exec(): the modal window's own event loop
// keeps the timer running, and the first active modal widget other than `besides` is handed
// to `answer`, which should close it. Any modal window still or newly open afterwards is
// dismissed and counted, so that a fault shows as a failure rather than a hung test.
class ModalWatcher final {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> answer, QWidget* besides = nullptr)
        : answer_(std::move(answer)), besides_(besides) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(kPollMs);
    }

    [[nodiscard]] bool seen() const { return seen_; }
    [[nodiscard]] int unexpected() const { return unexpected_; }

private:
    static constexpr int kPollMs = 10;

    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == besides_)
            return;
        if (seen_) {
            ++unexpected_;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        seen_ = true;
        timer_.stop();
        answer_(modal);
        timer_.start();
    }

    std::function<void(QWidget*)> answer_;
    QPointer<QWidget> besides_;
    QTimer timer_;
    bool seen_ = false;
    int unexpected_ = 0;
};

// True when the text holds kana or kanji.
inline bool hasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF66 && u <= 0xFF9F))
            return true;
    }
    return false;
}

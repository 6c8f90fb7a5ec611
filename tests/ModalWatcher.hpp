#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

// Answers a modal window that a command opens with exec(): the modal window's own event loop
// keeps the timer running, and the first active modal widget other than `besides` is handed
// to `answer` once. The answer must close it (or the command never returns).
class ModalWatcher final {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> answer, QWidget* besides = nullptr)
        : answer_(std::move(answer)), besides_(besides) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(kPollMs);
    }

    [[nodiscard]] bool seen() const { return seen_; }

private:
    static constexpr int kPollMs = 10;

    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == besides_)
            return;
        timer_.stop();
        seen_ = true;
        answer_(modal);
    }

    std::function<void(QWidget*)> answer_;
    QPointer<QWidget> besides_;
    QTimer timer_;
    bool seen_ = false;
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

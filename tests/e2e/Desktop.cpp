#include "tests/e2e/Desktop.hpp"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <gtest/gtest.h>

namespace mirona::e2e {

namespace {

constexpr auto kPoll = 40ms;

} // namespace

Completed run(const QString& program, const QStringList& arguments,
              std::chrono::milliseconds timeout) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(static_cast<int>(timeout.count())))
        return {};
    if (!process.waitForFinished(static_cast<int>(timeout.count()))) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString xdotool(const QStringList& arguments) {
    const Completed done = run(QStringLiteral("xdotool"), arguments);
    EXPECT_EQ(done.exitCode, 0) << "xdotool " << arguments.join(QLatin1Char(' ')).toStdString()
                                << ": " << done.errors.toStdString();
    return done.output;
}

QImage grabScreen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

Settled waitForScreen(const std::function<bool(const QImage&)>& done,
                      std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    QImage previous;
    for (;;) {
        QImage screen = grabScreen();
        if (screen == previous && done(screen))
            return {true, screen};
        if (clock.elapsed() > timeout.count())
            return {false, screen};
        previous = std::move(screen);
        QThread::msleep(kPoll.count());
    }
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QThread::msleep(kPoll.count());
    }
    return true;
}

QString keepForInspection(const QImage& image, const QString& name) {
    QDir().mkpath(QStringLiteral("e2e-failures"));
    const QString path = QDir(QStringLiteral("e2e-failures")).absoluteFilePath(name + ".png");
    image.save(path);
    return path;
}

bool isBlack(QRgb p) {
    return (p & 0xFFFFFFu) == 0;
}

bool isWhite(QRgb p) {
    return (p & 0xFFFFFFu) == 0xFFFFFFu;
}

bool isDark(QRgb p) {
    return qGray(p) < 110;
}

} // namespace mirona::e2e

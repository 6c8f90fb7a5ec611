#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace mirona::e2e {

using namespace std::chrono_literals;

// How long any one thing on the display may take before the suite gives up on it.
inline constexpr std::chrono::milliseconds kTimeout = 20s;

// The X display the suite runs on (DISPLAY), seen from outside the program under test: other
// programs run to their end, the screen as pixels, and waiting for it to settle.

struct Completed {
    int exitCode = -1; // -1: did not start or did not end in time
    QString output;
    QString errors; // standard error: windows that vanish while xdotool looks make some noise
};

// Runs a program to its end, or kills it after the timeout.
Completed run(const QString& program, const QStringList& arguments,
              std::chrono::milliseconds timeout = kTimeout);

// Runs xdotool; a failure or timeout fails the current test.
QString xdotool(const QStringList& arguments);

// The whole screen as 32-bit RGB.
QImage grabScreen();

// Polls the screen until two grabs in a row are equal and `done` holds on them; the last grab
// when the timeout passes first.
struct Settled {
    bool done = false;
    QImage screen;
};
Settled waitForScreen(const std::function<bool(const QImage&)>& done,
                      std::chrono::milliseconds timeout = kTimeout);

// Polls until `done` holds, without looking at the screen.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kTimeout);

// Writes an image for a person to look at after a failure; its path.
QString keepForInspection(const QImage& image, const QString& name);

// Screen pixels: pure black, pure white, dark (text, check marks).
bool isBlack(QRgb p);
bool isWhite(QRgb p);
bool isDark(QRgb p);

} // namespace mirona::e2e

// The picture on the clipboard: Ctrl+C hands over exactly the picture on the canvas, never a
// stroke in progress, and leaves the history alone; Ctrl+V opens an image as a file opens, an
// undo step, and refuses a damaged one with its reason.
#include "ModalWatcher.hpp"
#include "app/Form1.hpp"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

namespace mirona {
namespace {

void sendMove(QWidget& w, QPoint p) {
    QMouseEvent e(QEvent::MouseMove, p, w.mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// The clipboard's image as the canvas's colour words.
std::vector<std::uint32_t> clipboardPixels() {
    const QImage image =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + image.width());
    }
    return pixels;
}

// Pastes `data` with the window's key; returns what a message box said, if one opened.
QString paste(Form1& form, QMimeData* data) {
    QGuiApplication::clipboard()->setMimeData(data);
    QString message;
    ModalWatcher watcher([&](QWidget* modal) {
        if (const auto* box = qobject_cast<QMessageBox*>(modal))
            message = box->text() + u'\n' + box->informativeText();
        modal->close();
    });
    QTest::keyClick(&form, Qt::Key_V, Qt::ControlModifier);
    return message;
}

TEST(ClipboardTest, CopyHandsOverThePictureAsItIsAndPasteOpensIt) {
    Form1 form;
    form.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QWidget& canvas = form.canvas();
    form.MenuEllipse_Click();
    QTest::mousePress(&canvas, Qt::LeftButton, {}, {120, 100});
    sendMove(canvas, {200, 170});
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, {230, 140});
    form.MenuFreeLine_Click();
    QTest::mousePress(&canvas, Qt::LeftButton, {}, {20, 400});
    sendMove(canvas, {300, 10});
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, {440, 230});
    const std::vector<std::uint32_t> picture = form.canvas().surface().Image();
    const std::size_t steps = form.editor().history().steps();

    QTest::keyClick(&form, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(451, 451));
    EXPECT_EQ(clipboardPixels(), picture);
    EXPECT_EQ(form.editor().history().steps(), steps);
    EXPECT_EQ(form.editor().history().undoable(), steps);

    // Mid-drag, the rubber band is on the canvas but not on the clipboard, and the drag goes on.
    QGuiApplication::clipboard()->clear();
    form.MenuBox_Click();
    QTest::mousePress(&canvas, Qt::LeftButton, {}, {60, 60});
    sendMove(canvas, {380, 300});
    ASSERT_NE(form.canvas().surface().Image(), picture);
    QTest::keyClick(&form, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardPixels(), picture);
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, {380, 300});
    const std::vector<std::uint32_t> boxed = form.canvas().surface().Image();
    EXPECT_NE(boxed, picture);
    EXPECT_TRUE(form.editor().undo());
    EXPECT_EQ(form.canvas().surface().Image(), picture);

    // The copied picture pasted onto a new one, as pixels and as the PNG another program gives.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QGuiApplication::clipboard()->image().save(&buffer, "PNG"));
    for (const bool encoded : {false, true}) {
        form.Hakushi_Click();
        const std::vector<std::uint32_t> blank = form.canvas().surface().Image();
        auto* data = new QMimeData;
        if (encoded)
            data->setData(QStringLiteral("image/png"), png);
        else
            data->setImageData(QGuiApplication::clipboard()->image());
        EXPECT_EQ(paste(form, data), QString());
        EXPECT_EQ(form.canvas().surface().Image(), picture) << encoded;
        EXPECT_TRUE(form.editor().undo());
        EXPECT_EQ(form.canvas().surface().Image(), blank);
    }

    // A damaged image changes nothing and says why, as a damaged file does; text is no image.
    const std::vector<std::uint32_t> before = form.canvas().surface().Image();
    auto* damaged = new QMimeData;
    damaged->setData(QStringLiteral("image/png"), png.left(png.size() / 2));
    EXPECT_EQ(paste(form, damaged),
              QString::fromStdString("開けませんでした。\nファイルが壊れています。"));
    auto* text = new QMimeData;
    text->setText(QStringLiteral("a picture"));
    EXPECT_EQ(paste(form, text), QString());
    EXPECT_EQ(form.canvas().surface().Image(), before);
}

} // namespace
} // namespace mirona

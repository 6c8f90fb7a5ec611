#pragma once

#include "canvas/CanvasWidget.hpp"
#include "drawing/Selection.hpp"
#include "drawing/SymmetricDrawing.hpp"

#include <QMainWindow>
#include <QString>
#include <functional>

class QAction;

namespace mirona {

// The main window: the menus and the square canvas Picture1 at the top-left of the client
// area. Owns the drawing state; every menu and pointer event is one handler below, run to its
// end on the user-interface thread.
class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // Start-up and New: fits the canvas to the smaller side of the client area (the height on
    // a tie), selects the freehand tool and the eight-image mode, ends a chain, clears the
    // canvas and shows the window. The anchor and last point keep their values.
    void Form_Load();

    // Asks the user for the name to save under; an empty name means cancelled. Saving shows
    // a SaveDialog unless a test has put another asker in its place.
    using FileNameAsker = std::function<QString(QWidget* parent)>;
    void setFileNameAsker(FileNameAsker asker) { askFileName_ = std::move(asker); }

    [[nodiscard]] CanvasWidget& canvas() { return *Picture1; }
    [[nodiscard]] SymmetricDrawing& drawing() { return drawing_; }

public slots:
    void Hakushi_Click();
    // Save: writes the canvas as a BMP under the name the asker returns. A failure is shown in
    // a modal message box; the picture and the drawing state stay as they were either way.
    void Hozon_Click();
    void Quit_Click();
    void MenuFreeLine_Click();
    void MenuContLine_Click();
    void MenuBox_Click();
    void MenuEllipse_Click();
    void Joge_Click();
    void Sayu_Click();
    void JogeSayu_Click();
    void JogeSayuNaname_Click();
    // About: shows a new Form2, modally.
    void Joho_Click();

    void Picture1_MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void Picture1_MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void Picture1_MouseUp(qint16 Button, qint16 Shift, float X, float Y);

private:
    void selectTool(ToolNumber tool);
    // Sets the state as the menu item does, then the check marks of its menu in menu order.
    void selectMode(SymmetryMode mode);

    CanvasWidget* Picture1;
    SymmetricDrawing drawing_;
    FileNameAsker askFileName_;
    QAction* Hakushi;
    QAction* Hozon;
    QAction* Quit;
    QAction* Joge;
    QAction* Sayu;
    QAction* JogeSayu;
    QAction* JogeSayuNaname;
    QAction* MenuFreeLine;
    QAction* MenuContLine;
    QAction* MenuBox;
    QAction* MenuEllipse;
    QAction* Joho;
};

} // namespace mirona

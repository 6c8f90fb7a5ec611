#pragma once

#include "app/CanvasWidget.hpp"
#include "app/PictureFile.hpp"
#include "drawing/Editor.hpp"
#include "drawing/MenuChoices.hpp"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <variant>

class QAction;
class QDragEnterEvent;
class QDropEvent;

namespace mirona {

// The main window: the menus and the square canvas Picture1 at the top-left of the client
// area. Owns the drawing state and its history; every menu, key and pointer event is one handler
// below, run to its end on the user-interface thread. Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z
// redo (the platform's standard keys too); Ctrl+C copies the picture and Ctrl+V pastes one
// (copyPicture, pastePicture); all from keys of the window alone, outside the menus.
class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // Start-up and New: fits the canvas to the smaller side of the client area (the height on
    // a tie), selects the freehand tool and the eight-image mode, ends a chain, clears the
    // canvas and shows the window. The anchor and last point keep their values. A New after
    // the start can be undone.
    void Form_Load();
    // Start-up with a picture file (`mirona FILE`): the picture opened is the start, with
    // nothing to undo. Where it cannot be opened, the start is Form_Load's and the window says
    // why, as openFile does.
    void startWith(const QString& fileName);
    // Opens a picture file (readPicture) onto the canvas, as an undo step that ends a chain of
    // lines and keeps the tool and the mode. Where it cannot be opened, a modal message box names
    // the file and says why, and the picture and its history stay as they were. Returns whether
    // the picture opened.
    bool openFile(const QString& fileName);

    // Asks the user for the name to save under; an empty name means cancelled. Saving shows
    // a SaveDialog unless a test has put another asker in its place.
    using FileNameAsker = std::function<QString(QWidget* parent)>;
    void setFileNameAsker(FileNameAsker asker) { askFileName_ = std::move(asker); }

    [[nodiscard]] CanvasWidget& canvas() { return *Picture1; }
    [[nodiscard]] Editor& editor() { return editor_; }

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
    // Puts the whole picture on the clipboard as an image, as it is: never a stroke in progress
    // (Editor::picture). The picture, its history and the drawing state stay as they are.
    void copyPicture();
    // Opens the image on the clipboard as openFile opens a file, with the same checks and
    // reasons: a single local file copied in a file manager opens as that file, encoded image
    // bytes (the first image/ format, PNG before any other) as they would from a file, and
    // pixels the platform decoded as they are. A message box without a file name says why an
    // image cannot be opened; a clipboard without an image changes nothing and says nothing.
    void pastePicture();
    // Undo and redo: do nothing while a button is held on the canvas; end a chain of lines.
    void undo();
    void redo();

    void Picture1_MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void Picture1_MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void Picture1_MouseUp(qint16 Button, qint16 Shift, float X, float Y);

protected:
    // A file dropped on the window opens as openFile does, once the drop has ended.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The canvas fits the client area as that changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectTool(ToolNumber tool);
    void selectMode(SymmetryMode mode);
    // Sets the check marks of the tool and mode menus from the state, item by item.
    void showChoices();
    // Opens a picture read from a file or the clipboard; otherwise says why, naming the file
    // where there is one.
    bool openRead(const std::variant<QImage, OpenFailure>& picture, const QString& fileName);

    CanvasWidget* Picture1;
    Editor editor_;
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

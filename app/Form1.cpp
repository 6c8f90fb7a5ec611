#include "app/Form1.hpp"

#include "app/BmpFile.hpp"
#include "app/Form2.hpp"
#include "app/PictureFile.hpp"
#include "app/QtText.hpp"
#include "app/SaveDialog.hpp"
#include "texts/Texts.hpp"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <array>

namespace mirona {

namespace {

// The client area of a new window, in pixels.
constexpr QSize kClientSize{451, 452};

void showSaveFailure(QWidget* parent, const QString& fileName, const QString& reason) {
    QMessageBox box(QMessageBox::Warning, qtText(textOf("SaveTitle")), qtText(textOf("SaveFailed")),
                    QMessageBox::Ok, parent);
    box.setInformativeText(QDir::toNativeSeparators(fileName) + u'\n' + reason);
    box.exec();
}

void showOpenFailure(QWidget* parent, const QString& fileName, OpenFailure failure) {
    QMessageBox box(QMessageBox::Warning, qtText(textOf("OpenTitle")), qtText(textOf("OpenFailed")),
                    QMessageBox::Ok, parent);
    box.setInformativeText(fileName.isEmpty() ? openFailureText(failure)
                                              : QDir::toNativeSeparators(fileName) + u'\n' +
                                                    openFailureText(failure));
    box.exec();
}

// The local file a drag or the clipboard brings, if it brings exactly one.
QString singleLocalFile(const QMimeData* data) {
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

// The menus as the shared table lists them, each title before its items.
void addMenus(QMenuBar* bar) {
    QMenu* menu = nullptr;
    for (const NamedText& t : kTexts) {
        QObject* added = nullptr;
        if (t.role == TextRole::MenuTitle) {
            menu = bar->addMenu(qtText(t.text));
            added = menu;
        } else if (t.role != TextRole::Other) {
            QAction* item = menu->addAction(qtText(t.text));
            item->setCheckable(t.role == TextRole::RadioItem);
            added = item;
        }
        if (added != nullptr)
            added->setObjectName(qtText(t.name));
    }
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), Picture1(new CanvasWidget), editor_(Picture1->surface()),
      askFileName_(&SaveDialog::askFileName) {
    setWindowTitle(QStringLiteral("Form1"));
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->installEventFilter(this);
    setAcceptDrops(true);
    Picture1->setParent(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(0, 0);

    addMenus(menuBar());
    const auto item = [this](std::string_view name) {
        return menuBar()->findChild<QAction*>(qtText(name));
    };
    Hakushi = item("Hakushi");
    Hozon = item("Hozon");
    Quit = item("Quit");
    Joge = item("Joge");
    Sayu = item("Sayu");
    JogeSayu = item("JogeSayu");
    JogeSayuNaname = item("JogeSayuNaname");
    MenuFreeLine = item("MenuFreeLine");
    MenuContLine = item("MenuContLine");
    MenuBox = item("MenuBox");
    MenuEllipse = item("MenuEllipse");
    Joho = item("Joho");

    connect(Hakushi, &QAction::triggered, this, &Form1::Hakushi_Click);
    connect(Hozon, &QAction::triggered, this, &Form1::Hozon_Click);
    connect(Quit, &QAction::triggered, this, &Form1::Quit_Click);
    connect(Joge, &QAction::triggered, this, &Form1::Joge_Click);
    connect(Sayu, &QAction::triggered, this, &Form1::Sayu_Click);
    connect(JogeSayu, &QAction::triggered, this, &Form1::JogeSayu_Click);
    connect(JogeSayuNaname, &QAction::triggered, this, &Form1::JogeSayuNaname_Click);
    connect(MenuFreeLine, &QAction::triggered, this, &Form1::MenuFreeLine_Click);
    connect(MenuContLine, &QAction::triggered, this, &Form1::MenuContLine_Click);
    connect(MenuBox, &QAction::triggered, this, &Form1::MenuBox_Click);
    connect(MenuEllipse, &QAction::triggered, this, &Form1::MenuEllipse_Click);
    connect(Joho, &QAction::triggered, this, &Form1::Joho_Click);
    auto* undo = new QAction(this);
    undo->setShortcuts(QKeySequence::Undo);
    auto* redo = new QAction(this);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    redo->setShortcuts(redoKeys);
    addActions({undo, redo});
    connect(undo, &QAction::triggered, this, &Form1::undo);
    connect(redo, &QAction::triggered, this, &Form1::redo);
    auto* copy = new QAction(this);
    copy->setShortcuts(QKeySequence::Copy);
    auto* paste = new QAction(this);
    paste->setShortcuts(QKeySequence::Paste);
    addActions({copy, paste});
    connect(copy, &QAction::triggered, this, &Form1::copyPicture);
    connect(paste, &QAction::triggered, this, &Form1::pastePicture);

    connect(Picture1, &CanvasWidget::MouseDown, this, &Form1::Picture1_MouseDown);
    connect(Picture1, &CanvasWidget::MouseMove, this, &Form1::Picture1_MouseMove);
    connect(Picture1, &CanvasWidget::MouseUp, this, &Form1::Picture1_MouseUp);

    resize(kClientSize.width(), kClientSize.height() + menuBar()->sizeHint().height());
}

void Form1::Form_Load() {
    // The client area as the window's layout gives it, also before the window is first shown.
    layout()->activate();
    const QSize client = centralWidget()->size();
    Picture1->setArea(client);
    editor_.newPictureIn(client.width(), client.height());
    showChoices();
    show();
}

void Form1::startWith(const QString& fileName) {
    const auto picture = readPicture(fileName);
    const auto* image = std::get_if<QImage>(&picture);
    if (image == nullptr) {
        Form_Load();
        QMetaObject::invokeMethod(
            this,
            [this, fileName, failure = std::get<OpenFailure>(picture)] {
                showOpenFailure(this, fileName, failure);
            },
            Qt::QueuedConnection);
        return;
    }
    layout()->activate();
    Picture1->setArea(centralWidget()->size());
    editor_.openPicture(image->width(), image->height(),
                        {image->constBits(), static_cast<std::size_t>(image->sizeInBytes())});
    showChoices();
    show();
}

bool Form1::openFile(const QString& fileName) {
    return openRead(readPicture(fileName), fileName);
}

bool Form1::openRead(const std::variant<QImage, OpenFailure>& picture, const QString& fileName) {
    if (const auto* failure = std::get_if<OpenFailure>(&picture)) {
        showOpenFailure(this, fileName, *failure);
        return false;
    }
    const auto& image = std::get<QImage>(picture);
    editor_.openPicture(image.width(), image.height(),
                        {image.constBits(), static_cast<std::size_t>(image.sizeInBytes())});
    return true;
}

void Form1::copyPicture() {
    QGuiApplication::clipboard()->setImage(CanvasWidget::imageOf(
        editor_.picture(), Picture1->surface().width(), Picture1->surface().height()));
}

void Form1::pastePicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr)
        return;
    if (const QString fileName = singleLocalFile(data); !fileName.isEmpty()) {
        openFile(fileName);
        return;
    }
    QStringList encoded = data->formats().filter(QRegularExpression(QStringLiteral("^image/")));
    if (encoded.contains(QStringLiteral("image/png")))
        encoded.prepend(QStringLiteral("image/png"));
    if (!encoded.isEmpty()) {
        QByteArray bytes = data->data(encoded.front());
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        openRead(readPicture(buffer), {});
    } else if (data->hasImage()) {
        openRead(pictureOf(qvariant_cast<QImage>(data->imageData())), {});
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!singleLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QString fileName = singleLocalFile(event->mimeData());
    if (fileName.isEmpty())
        return;
    event->acceptProposedAction();
    // Not within the drop: a message box there would hold the program the file came from.
    QMetaObject::invokeMethod(
        this, [this, fileName] { openFile(fileName); }, Qt::QueuedConnection);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        Picture1->setArea(centralWidget()->size());
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Hakushi_Click() {
    Form_Load();
}

void Form1::Hozon_Click() {
    const QString fileName = askFileName_(this);
    if (fileName.isEmpty())
        return;
    if (const auto reason = saveBmp(Picture1->image(), fileName))
        showSaveFailure(this, fileName, *reason);
}

void Form1::Quit_Click() {
    QApplication::quit();
}

void Form1::selectTool(ToolNumber tool) {
    chooseTool(editor_.state(), tool);
    showChoices();
}

void Form1::showChoices() {
    const DrawingState& state = editor_.state();
    const std::array<QAction*, 4> tools{MenuFreeLine, MenuContLine, MenuBox, MenuEllipse};
    for (std::size_t i = 0; i < tools.size(); ++i)
        tools[i]->setChecked(isChosen(state, static_cast<ToolNumber>(i)));
    const std::array<QAction*, 4> modes{Joge, Sayu, JogeSayu, JogeSayuNaname};
    for (std::size_t i = 0; i < modes.size(); ++i)
        modes[i]->setChecked(isChosen(state, static_cast<SymmetryMode>(i)));
}

void Form1::MenuFreeLine_Click() {
    selectTool(ToolNumber::FreeLine);
}
void Form1::MenuContLine_Click() {
    selectTool(ToolNumber::ContLine);
}
void Form1::MenuBox_Click() {
    selectTool(ToolNumber::Box);
}
void Form1::MenuEllipse_Click() {
    selectTool(ToolNumber::Ellipse);
}

void Form1::selectMode(SymmetryMode mode) {
    chooseMode(editor_.state(), mode);
    showChoices();
}

void Form1::Joge_Click() {
    selectMode(SymmetryMode::Joge);
}
void Form1::Sayu_Click() {
    selectMode(SymmetryMode::Sayu);
}
void Form1::JogeSayu_Click() {
    selectMode(SymmetryMode::JogeSayu);
}
void Form1::JogeSayuNaname_Click() {
    selectMode(SymmetryMode::JogeSayuNaname);
}

void Form1::Joho_Click() {
    (new Form2(this))->exec(); // deleted on close
}

void Form1::undo() {
    editor_.undo();
}

void Form1::redo() {
    editor_.redo();
}

void Form1::Picture1_MouseDown(qint16 Button, qint16 Shift, float X, float Y) {
    editor_.Picture1_MouseDown(Button, Shift, X, Y);
}

void Form1::Picture1_MouseMove(qint16 Button, qint16 Shift, float X, float Y) {
    editor_.Picture1_MouseMove(Button, Shift, X, Y);
}

void Form1::Picture1_MouseUp(qint16 Button, qint16 Shift, float X, float Y) {
    editor_.Picture1_MouseUp(Button, Shift, X, Y);
    // The undo step is made once the release's drawing is on the screen.
    QMetaObject::invokeMethod(
        this, [this] { editor_.settle(); }, Qt::QueuedConnection);
}

} // namespace mirona

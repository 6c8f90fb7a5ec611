// Saving the picture: the save dialog, the BMP file it writes, failures and what saving leaves
// alone.
#include "ModalWatcher.hpp"
#include "app/BmpFile.hpp"
#include "app/Form1.hpp"
#include "app/JapaneseTranslations.hpp"
#include "app/SaveDialog.hpp"
#include "app/SaveFailure.hpp"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace mirona {
namespace {

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Everything a message box says: its text and its details.
QString messageOf(QWidget* modal) {
    const auto* box = qobject_cast<QMessageBox*>(modal);
    return box == nullptr ? QString() : box->text() + u'\n' + box->informativeText();
}

void press(QWidget* modal, QMessageBox::StandardButton button) {
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->button(button))
        box->button(button)->click();
    else
        modal->close();
}

void typeName(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

// Presses the dialog's save button, as the user would.
void pressSave(QFileDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (buttons != nullptr && buttons->button(QDialogButtonBox::Save) != nullptr)
        buttons->button(QDialogButtonBox::Save)->click();
}

// Types a name into the dialog, presses Save, and answers the message box that this brings up
// (if any) with `button`; returns what the box said.
QString typeAndSave(QFileDialog& dialog, const QString& name, QMessageBox::StandardButton button) {
    typeName(dialog, name);
    QString message;
    ModalWatcher box(
        [&](QWidget* modal) {
            message = messageOf(modal);
            press(modal, button);
        },
        &dialog);
    pressSave(dialog);
    return message;
}

// An answer for the save dialog: `use` gets the dialog, which is then cancelled if still open.
std::function<void(QWidget*)> withSaveDialog(std::function<void(QFileDialog&)> use) {
    return [use = std::move(use)](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal))
            use(*dialog);
        if (modal->isVisible())
            modal->close();
    };
}

std::uint32_t le(const QByteArray& bytes, int at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The picture, the drawing state, the checked menu items and the pen: all that saving must
// leave as it found it.
struct Snapshot {
    std::vector<std::uint32_t> pixels;
    DrawingState state;
    QStringList checked;
    DrawMode mode;
    DrawStyle style;

    explicit Snapshot(Form1& form)
        : pixels(form.canvas().surface().Image()), state(form.editor().state()),
          mode(form.canvas().surface().drawMode()), style(form.canvas().surface().drawStyle()) {
        for (const QAction* action : form.findChildren<QAction*>())
            if (action->isChecked())
                checked << action->objectName();
    }

    friend bool operator==(const Snapshot& a, const Snapshot& b) {
        const auto fields = [](const DrawingState& s) {
            return std::tuple(s.CanvasW, s.CanvasH, s.AnchorX, s.AnchorY, s.LastX, s.LastY,
                              s.ToolNo, s.ChainFlag, s.JogeFlag, s.SayuFlag, s.NanameFlag);
        };
        return a.pixels == b.pixels && fields(a.state) == fields(b.state) &&
               a.checked == b.checked && a.mode == b.mode && a.style == b.style;
    }
};

class SaveTest : public testing::Test {
protected:
    static void SetUpTestSuite() { installJapaneseTranslations(); }

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        form.Form_Load();
        // A freehand stroke and a rectangle, each in all eight images.
        form.Picture1_MouseDown(kLeftButton, 0, 30, 40);
        form.Picture1_MouseMove(kLeftButton, 0, 90, 170);
        form.Picture1_MouseUp(kLeftButton, 0, 90, 170);
        form.MenuBox_Click();
        form.Picture1_MouseDown(kLeftButton, 0, 60, 20);
        form.Picture1_MouseMove(kLeftButton, 0, 200, 110);
        form.Picture1_MouseUp(kLeftButton, 0, 200, 110);
    }

    void answerWith(const QString& name) {
        form.setFileNameAsker([name](QWidget*) { return name; });
    }

    // Saves and returns what the message box said; empty when none was shown.
    QString saveAndReadMessage() {
        QString message;
        ModalWatcher watcher([&](QWidget* modal) {
            message = messageOf(modal);
            press(modal, QMessageBox::Ok);
        });
        form.Hozon_Click();
        return message;
    }

    void trigger(const char* name) {
        form.findChild<QAction*>(QString::fromLatin1(name))->trigger();
    }

    QTemporaryDir folder;
    Form1 form;
};

using SaveDialogTest = SaveTest;

TEST_F(SaveDialogTest, AsksForABmpNameInJapaneseAndConfirmsOverwriting) {
    const SaveDialog dialog(&form);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("保存する"));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("BMPﾌｧｲﾙ (*.bmp)")});
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(dialog.defaultSuffix().isEmpty());
    EXPECT_TRUE(dialog.isModal());
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Save), nullptr);
    EXPECT_TRUE(hasJapanese(buttons->button(QDialogButtonBox::Save)->text()))
        << buttons->button(QDialogButtonBox::Save)->text().toStdString();
    EXPECT_EQ(dialog.locale().language(), QLocale::Japanese) << "dates and sizes in Japanese";
}

TEST_F(SaveDialogTest, TheSaveItemShowsItAndCancellingWritesNothing) {
    bool isSaveDialog = false;
    ModalWatcher watcher(withSaveDialog([&](QFileDialog& dialog) {
        isSaveDialog = qobject_cast<SaveDialog*>(&dialog) != nullptr;
        typeName(dialog, folder.filePath(QStringLiteral("picture.bmp")));
    }));
    trigger("Hozon");
    EXPECT_TRUE(watcher.seen());
    EXPECT_EQ(watcher.unexpected(), 0);
    EXPECT_TRUE(isSaveDialog);
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST_F(SaveDialogTest, AnExistingFileIsReplacedOnlyAfterAJapaneseQuestion) {
    const QString name = folder.filePath(QStringLiteral("old.bmp"));
    writeFile(name, "older picture");
    QString question;
    bool keptAfterNo = false;
    ModalWatcher watcher(withSaveDialog([&](QFileDialog& dialog) {
        question = typeAndSave(dialog, name, QMessageBox::No);
        keptAfterNo = dialog.isVisible() && readFile(name) == "older picture";
        typeAndSave(dialog, name, QMessageBox::Yes);
    }));
    form.Hozon_Click();
    ASSERT_TRUE(watcher.seen());
    EXPECT_EQ(watcher.unexpected(), 0);
    EXPECT_TRUE(question.contains(QStringLiteral("old.bmp"))) << question.toStdString();
    EXPECT_TRUE(hasJapanese(question)) << question.toStdString();
    EXPECT_TRUE(keptAfterNo);
    EXPECT_TRUE(readFile(name).startsWith("BM"));
}

TEST_F(SaveDialogTest, ANameInAMissingFolderIsRefusedWithTheDialogStillOpen) {
    const QString missing = folder.filePath(QStringLiteral("missing"));
    QString refusal;
    bool stayedOpen = false;
    ModalWatcher watcher(withSaveDialog([&](QFileDialog& dialog) {
        refusal = typeAndSave(dialog, missing + QStringLiteral("/picture.bmp"), QMessageBox::Ok);
        stayedOpen = dialog.isVisible();
    }));
    form.Hozon_Click();
    ASSERT_TRUE(watcher.seen());
    EXPECT_EQ(watcher.unexpected(), 0);
    EXPECT_TRUE(refusal.contains(QDir::toNativeSeparators(missing))) << refusal.toStdString();
    EXPECT_TRUE(hasJapanese(refusal));
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST_F(SaveTest, WritesTheCanvasAsABmpUnderTheNameAsGiven) {
    const QString name = folder.filePath(QStringLiteral("picture"));
    writeFile(name, "an older file of the same name");
    answerWith(name);
    EXPECT_TRUE(saveAndReadMessage().isEmpty());
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("picture")});

    const QByteArray bmp = readFile(name);
    const Surface& surface = form.canvas().surface();
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(le(bmp, 2, 4), static_cast<std::uint32_t>(bmp.size()));
    const std::uint32_t infoSize = le(bmp, 14, 4);
    EXPECT_GE(infoSize, 40u);
    const std::uint32_t offset = le(bmp, 10, 4);
    EXPECT_EQ(offset, 14 + infoSize); // no palette at 24 bits
    EXPECT_EQ(static_cast<std::int32_t>(le(bmp, 18, 4)), surface.width());
    EXPECT_EQ(static_cast<std::int32_t>(le(bmp, 22, 4)), surface.height()); // rows bottom-up
    EXPECT_EQ(le(bmp, 26, 2), 1u);                                          // planes
    EXPECT_EQ(le(bmp, 28, 2), 24u);                                         // bits per pixel
    EXPECT_EQ(le(bmp, 30, 4), 0u);                                          // uncompressed
    const int stride = (surface.width() * 3 + 3) / 4 * 4;
    ASSERT_GE(bmp.size(), static_cast<qsizetype>(offset) + stride * surface.height());

    int black = 0;
    int wrong = 0;
    for (int y = 0; y < surface.height(); ++y) {
        const int row = static_cast<int>(offset) + (surface.height() - 1 - y) * stride;
        for (int x = 0; x < surface.width(); ++x) {
            const std::uint32_t rgb = le(bmp, row + 3 * x, 3);
            black += rgb == 0 ? 1 : 0;
            wrong += rgb != (surface.pixel(x, y) & 0xFFFFFFu) ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(black, 0);
}

TEST_F(SaveTest, CancellingWritesAndSaysNothing) {
    answerWith(QString());
    const Snapshot before(form);
    EXPECT_TRUE(saveAndReadMessage().isEmpty());
    EXPECT_TRUE(entries(folder.path()).isEmpty());
    EXPECT_TRUE(Snapshot(form) == before);
}

TEST_F(SaveTest, SavingLeavesPictureToolModeAndChainAlone) {
    trigger("MenuContLine");
    trigger("Joge");
    form.Picture1_MouseDown(kLeftButton, 0, 40, 50);
    form.Picture1_MouseMove(kLeftButton, 0, 100, 120);
    form.Picture1_MouseUp(kLeftButton, 0, 100, 120);
    ASSERT_EQ(form.editor().state().ChainFlag, 1);
    const Snapshot before(form);

    answerWith(folder.filePath(QStringLiteral("saved.bmp")));
    EXPECT_TRUE(saveAndReadMessage().isEmpty());
    EXPECT_TRUE(Snapshot(form) == before);

    answerWith(folder.filePath(QStringLiteral("missing/saved.bmp")));
    EXPECT_FALSE(saveAndReadMessage().isEmpty());
    EXPECT_TRUE(Snapshot(form) == before);
}

TEST_F(SaveTest, AnyExtensionStillGetsABmp) {
    const QString name = folder.filePath(QStringLiteral("picture.png"));
    ASSERT_FALSE(saveBmp(form.canvas().image(), name).has_value());
    EXPECT_TRUE(readFile(name).startsWith("BM"));
}

constexpr auto kFailed = QStringView(u"保存できませんでした。");

// The failure message in full Japanese: the message, the path and `reason`, with nothing else
// in Latin letters (the system's own texts are English in the C locale).
void expectJapaneseFailure(const QString& message, const QString& path, QStringView reason) {
    SCOPED_TRACE(message.toStdString());
    EXPECT_TRUE(message.startsWith(kFailed));
    const QString shownPath = QDir::toNativeSeparators(path);
    EXPECT_TRUE(message.contains(shownPath));
    EXPECT_TRUE(message.contains(reason));
    EXPECT_FALSE(QString(message).remove(shownPath).contains(QRegularExpression("[A-Za-z]")));
}

class SaveFailureTest : public SaveTest {
protected:
    static void SetUpTestSuite() {
        SaveTest::SetUpTestSuite();
        std::setlocale(LC_ALL, "C");
    }
};

TEST(SaveFailureReasonTest, CommonCausesReadInJapaneseAndOthersAfterAnUnknownReasonLine) {
    const QString system = QString::fromLocal8Bit(std::strerror(EIO));
    const QStringList unknown = saveFailureReason(EIO, system).split(u'\n');
    ASSERT_EQ(unknown.size(), 2);
    EXPECT_TRUE(hasJapanese(unknown[0]));
    EXPECT_EQ(unknown[1], system);
    for (const int error :
         {ENOENT, EISDIR, ENOTDIR, EACCES, EPERM, EROFS, ENOSPC, EFBIG, ENAMETOOLONG}) {
        const QString reason =
            saveFailureReason(error, QString::fromLocal8Bit(std::strerror(error)));
        EXPECT_TRUE(hasJapanese(reason)) << error;
        EXPECT_FALSE(reason.contains(QRegularExpression("[A-Za-z]"))) << error;
        EXPECT_FALSE(reason.contains(unknown[0])) << error;
    }
}

TEST_F(SaveFailureTest, AMissingFolderIsReportedAndNothingIsCreated) {
    const QString name = folder.filePath(QStringLiteral("missing/picture.bmp"));
    answerWith(name);
    expectJapaneseFailure(saveAndReadMessage(), name, u"保存先のフォルダがありません。");
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST_F(SaveFailureTest, AFolderOrAFileInThePathOrATooLongNameIsReportedAndNothingChanged) {
    const QString file = folder.filePath(QStringLiteral("notes"));
    writeFile(file, "not a folder");
    const QString inFile = file + QStringLiteral("/picture.bmp");
    const QString tooLong = folder.filePath(QString(300, u'a'));
    for (const auto& [name, reason] :
         {std::pair(folder.path(), u"同じ名前のフォルダがあります。"),
          std::pair(inFile, u"保存先のフォルダの代わりに同じ名前のファイルがあります。"),
          std::pair(tooLong, u"ファイルの名前が長すぎます。")}) {
        answerWith(name);
        expectJapaneseFailure(saveAndReadMessage(), name, reason);
    }
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("notes")});
    EXPECT_EQ(readFile(file), "not a folder");
}

// A save that fails in a child process for a cause set up there alone: `restrict` returns false
// when this machine cannot set it up.
struct RestrictedSave {
    const char* cause;
    const char16_t* reason;
    bool (*restrict)(const QString& folder);
};

void PrintTo(const RestrictedSave& save, std::ostream* out) {
    *out << save.cause;
}

// The folder covered, in a mount namespace of the child's own, by a fresh tmpfs.
bool coverWithTmpfs(const QString& folder, unsigned long flags, const char* options) {
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", flags, options) == 0;
}

constexpr RestrictedSave kRestrictedSaves[] = {
    {"TooLargeAFile", u"ファイルが大きすぎます。",
     [](const QString&) {
         // A few kilobytes per file, and no signal when a write goes beyond.
         constexpr rlim_t kFileSizeLimit = 4096;
         std::signal(SIGXFSZ, SIG_IGN);
         const rlimit limit{kFileSizeLimit, kFileSizeLimit};
         return setrlimit(RLIMIT_FSIZE, &limit) == 0;
     }},
    {"NoPermission", u"この場所に保存する権限がありません。",
     [](const QString&) {
         // Another user than the folder's owner (root, for whom permissions do not apply).
         constexpr uid_t kNobody = 65534;
         return setgid(kNobody) == 0 && setuid(kNobody) == 0 && geteuid() == kNobody;
     }},
    {"AReadOnlyMedium", u"保存先は書き込みのできない場所です。",
     [](const QString& folder) { return coverWithTmpfs(folder, MS_RDONLY, nullptr); }},
    {"AFullDisk", u"ディスクの空きが足りません。",
     [](const QString& folder) { return coverWithTmpfs(folder, 0, "size=8k"); }},
};

class RestrictedSaveTest : public SaveFailureTest,
                           public testing::WithParamInterface<RestrictedSave> {};

TEST_P(RestrictedSaveTest, IsReportedInJapaneseAndTheOldFileKept) {
    constexpr int kCannotRestrict = 77;
    const QString name = folder.filePath(QStringLiteral("picture.bmp"));
    writeFile(name, "an older picture");
    answerWith(name);

    std::array<int, 2> channel{};
    ASSERT_EQ(pipe(channel.data()), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        close(channel[0]);
        if (!GetParam().restrict(folder.path()))
            _exit(kCannotRestrict);
        const QByteArray message = saveAndReadMessage().toUtf8();
        const bool sent = write(channel[1], message.constData(), message.size()) == message.size();
        _exit(sent ? 0 : 3);
    }
    close(channel[1]);
    QByteArray received;
    std::array<char, 512> chunk{};
    for (ssize_t n; (n = read(channel[0], chunk.data(), chunk.size())) > 0;)
        received.append(chunk.data(), n);
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    if (WEXITSTATUS(status) == kCannotRestrict)
        GTEST_SKIP() << "this machine cannot set up " << GetParam().cause;
    ASSERT_EQ(WEXITSTATUS(status), 0);

    expectJapaneseFailure(QString::fromUtf8(received), name, GetParam().reason);
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("picture.bmp")});
    EXPECT_EQ(readFile(name), "an older picture");
}

INSTANTIATE_TEST_SUITE_P(Causes, RestrictedSaveTest, testing::ValuesIn(kRestrictedSaves),
                         [](const auto& info) { return std::string(info.param.cause); });

} // namespace
} // namespace mirona

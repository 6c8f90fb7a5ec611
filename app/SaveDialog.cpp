#include "app/SaveDialog.hpp"

#include "app/QtText.hpp"
#include "texts/Texts.hpp"

#include <QFileInfo>
#include <QMessageBox>

namespace mirona {

SaveDialog::SaveDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog);
    setModal(true);
    setWindowTitle(qtText(textOf("SaveTitle")));
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(qtText(textOf("BmpFilter")));
}

QString SaveDialog::askFileName(QWidget* parent) {
    SaveDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void SaveDialog::accept() {
    // Qt's dialog would accept a name in any folder; this one wants the folder to exist.
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.constFirst());
        if (!chosen.dir().exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 qtText(textOf("NoSuchFolder")) + QLatin1Char('\n') +
                                     QDir::toNativeSeparators(chosen.path()));
            return;
        }
    }
    QFileDialog::accept();
}

} // namespace mirona

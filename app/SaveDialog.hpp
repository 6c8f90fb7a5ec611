#pragma once

#include <QFileDialog>

namespace mirona {

// The save-file dialog of the Hozon command: Qt's own dialog (so Qt's Japanese translations
// apply), modal, titled "保存する", offering the one filter "BMPﾌｧｲﾙ (*.bmp)". Choosing an
// existing file asks before replacing it; a name in a folder that does not exist is refused
// with a message and the dialog stays open. No extension is added to a typed name.
class SaveDialog final : public QFileDialog {
    Q_OBJECT

public:
    explicit SaveDialog(QWidget* parent);

    // Shows a SaveDialog over `parent` and returns the chosen name as the dialog gives it, or
    // an empty string when the user cancels.
    [[nodiscard]] static QString askFileName(QWidget* parent);

public slots:
    void accept() override;
};

} // namespace mirona

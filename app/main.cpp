#include "app/ApplicationIcon.hpp"
#include "app/Form1.hpp"
#include "app/JapaneseTranslations.hpp"
#include "packaging/ApplicationId.hpp"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirona"));
    QApplication::setDesktopFileName(QString::fromLatin1(mirona::applicationId));
    QApplication::setWindowIcon(mirona::applicationIcon());

    // The interface is Japanese whatever the system's locale, Qt's own dialogs included.
    mirona::installJapaneseTranslations();

    mirona::Form1 form;
    form.Form_Load();
    return QApplication::exec();
}

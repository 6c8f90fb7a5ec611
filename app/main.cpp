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

    // `mirona FILE` starts with the picture in FILE, as file managers' "open with" asks.
    mirona::Form1 form;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        form.startWith(arguments.at(1));
    else
        form.Form_Load();
    return QApplication::exec();
}

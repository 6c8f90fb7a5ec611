#include "app/ApplicationIcon.hpp"
#include "app/Form1.hpp"
#include "packaging/ApplicationId.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirona"));
    QApplication::setDesktopFileName(QString::fromLatin1(mirona::applicationId));
    QApplication::setWindowIcon(mirona::applicationIcon());

    // The interface is Japanese whatever the system's locale, Qt's own dialogs included.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    mirona::Form1 form;
    form.Form_Load();
    return QApplication::exec();
}

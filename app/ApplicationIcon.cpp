#include "app/ApplicationIcon.hpp"

#include <QDirIterator>

namespace mirona {

QIcon applicationIcon() {
    QIcon icon;
    // Each file's size is read from the file itself.
    QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        icon.addFile(it.next());
    return icon;
}

} // namespace mirona

#include "app/Form2.hpp"

#include "app/AboutLabel.hpp"

#include <QPushButton>

namespace mirona {

namespace {

constexpr QSize kClientSize{330, 178};

// The layout is designed in twips; 15 twips are one pixel.
constexpr int kTwipsPerPixel = 15;

constexpr QRect fromTwips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

// "System" where a font of that name exists, otherwise IPA Gothic, whose compact lines match the
// layout and which the package brings; Noto Sans CJK, the most widely installed Japanese font,
// stands last (its taller lines are closed up by AboutLabel).
QFont aboutFont() {
    QFont font;
    font.setFamilies({QStringLiteral("System"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(13.5);
    font.setWeight(QFont::Normal);
    return font;
}

AboutLabel* addLabel(QWidget* box, const char* name, const QRect& geometry, const QString& text) {
    auto* label = new AboutLabel(text, box);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

} // namespace

Form2::Form2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(kClientSize);
    setFont(aboutFont());

    Label1 = addLabel(this, "Label1", fromTwips(120, 0, 3975, 375),
                      QStringLiteral("ミロナ　Windows版　ver.1.00"));
    Label2 = addLabel(this, "Label2", fromTwips(120, 480, 4215, 615),
                      QStringLiteral("美術の授業で使う、対称図形を\n描くためのソフトウェアです。"));
    Label3 = addLabel(this, "Label3", fromTwips(0, 1200, 4335, 375),
                      QStringLiteral("作者：ミロナ開発チーム"));
    Label4 = addLabel(this, "Label4", fromTwips(0, 1560, 4335, 375),
                      QStringLiteral("連絡先：学校の担当の先生まで"));
    Label5 = addLabel(this, "Label5", fromTwips(0, 2160, 4335, 375),
                      QStringLiteral("© 2026 ミロナ開発チーム　MIT"));

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(fromTwips(4200, 2160, 735, 495));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
}

void Form2::Command1_Click() {
    close();
}

} // namespace mirona

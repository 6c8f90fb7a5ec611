#include "app/Form2.hpp"

#include "app/AboutLabel.hpp"
#include "app/QtText.hpp"
#include "texts/Texts.hpp"

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
    setWindowTitle(qtText(textOf("Form2Title")));
    setFixedSize(kClientSize);
    setFont(aboutFont());

    Label1 = addLabel(this, "Label1", fromTwips(120, 0, 3975, 375), qtText(textOf("Label1")));
    Label2 = addLabel(this, "Label2", fromTwips(120, 480, 4215, 615), qtText(textOf("Label2")));
    Label3 = addLabel(this, "Label3", fromTwips(0, 1200, 4335, 375), qtText(textOf("Label3")));
    Label4 = addLabel(this, "Label4", fromTwips(0, 1560, 4335, 375), qtText(textOf("Label4")));
    Label5 = addLabel(this, "Label5", fromTwips(0, 2160, 4335, 375), qtText(textOf("Label5")));

    Command1 = new QPushButton(qtText(textOf("Command1")), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(fromTwips(4200, 2160, 735, 495));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
}

void Form2::Command1_Click() {
    close();
}

} // namespace mirona

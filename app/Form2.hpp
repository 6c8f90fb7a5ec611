#pragma once

#include <QDialog>

class QPushButton;

namespace mirona {

class AboutLabel;

// The about box: the program's name and version, a short description, author, contact and
// rights lines (a copyright notice and the MIT licence), and an OK button. Fixed client area of 330
// x 178 pixels, centred on its owner when shown. It deletes itself when closed (by OK or the close
// box), so every showing is a freshly loaded box.
class Form2 final : public QDialog {
    Q_OBJECT

public:
    explicit Form2(QWidget* owner);

public slots:
    void Command1_Click();

private:
    AboutLabel* Label1;
    AboutLabel* Label2;
    AboutLabel* Label3;
    AboutLabel* Label4;
    AboutLabel* Label5;
    QPushButton* Command1;
};

} // namespace mirona

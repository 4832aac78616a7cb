// The program's about window.
#pragma once

#include <QDialog>

class QPushButton;

namespace kmr {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *owner);

    QPushButton *BtnOK;
};

// Shows the about window modally, captioned with the language's about text.
void ShowAbout(QWidget *owner);

} // namespace kmr

// The question whether to save a changed schematic: yes (1), no (7) or
// cancel (2); closing the window counts as cancel.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kmr {

class TAskSave : public QDialog {
    Q_OBJECT
public:
    static constexpr int kYes = 1, kNo = 7, kCancel = 2;

    explicit TAskSave(QWidget *owner);

    void reject() override; // Esc and the close box

    QLabel *Label1;
    QPushButton *BtnOK, *BtnNo, *BtnCancel;
};

// Shows the question modally and answers 1, 7 or 2. A non-empty `text`
// replaces the question (the read-only question of saving).
int AskSaveQuestion(QWidget *owner, const QString &text = QString());

} // namespace kmr

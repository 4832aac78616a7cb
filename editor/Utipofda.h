// The tip of the day. Which tip comes next is kept in the settings store
// ("Tip" of "Setup"): the index of the next tip, or -1 when the user asked
// for no more tips at start-up.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kmr {

constexpr int kTipCount = 17;
// Tip `index` (0..16); an empty text outside.
QString TipText(int index);

class TTipOfDay : public QDialog {
    Q_OBJECT
public:
    // Shows the next tip at once.
    explicit TTipOfDay(QWidget *owner);

    // The tip shown now.
    int Shown() const { return shown_; }

    QLabel *Label1;
    QLabel *LabelTip;
    QCheckBox *CheckBox1;
    QPushButton *ButtonMore;
    QPushButton *ButtonOK;

private:
    // Reads the next tip's index (an index out of range starts again at 0),
    // shows that tip and stores the index after it.
    void ShowNextTip();
    void ButtonOKClick();

    int shown_ = 0;
};

// Makes the tip window, shows it modally and destroys it.
void ShowTipOfDay(QWidget *owner);

} // namespace kmr

// The message window: the program's own messages, one text and a caption,
// with a single button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kmr {

class TFormMessage : public QDialog {
    Q_OBJECT
public:
    // `lang` is the interface language: other than Russian, the caption and
    // the button take their texts from the language table.
    TFormMessage(QWidget *owner, char lang);

    QLabel *Label1;
    QPushButton *BtnOK;
};

// Shows `text` with `caption` (the window keeps its own caption when
// `caption` is empty), modally; answers when it is closed.
void MessageWindow(QWidget *owner, char lang, const QString &text, const QString &caption);
// The texts are language texts by number.
void MessageWindowById(QWidget *owner, char lang, int textId, int captionId);
// The text that a module type is not installed, captioned with its name.
void MessageWindowForName(QWidget *owner, char lang, const QString &name);

} // namespace kmr

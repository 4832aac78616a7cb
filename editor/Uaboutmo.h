// The about window of a module type: the type's tool tip above its about
// text.
#pragma once

#include <QDialog>

#include "ModuleType.h"

class QLabel;
class QPushButton;

namespace kmr {

class TAboutMod : public QDialog {
    Q_OBJECT
public:
    explicit TAboutMod(QWidget *owner);

    QLabel *Label1; // the about text
    QLabel *Label2; // the tool tip
    QPushButton *BtnOK;
};

// Shows the about window of `type` modally. Nothing happens when the type is
// not loaded or has no about text.
void ShowModuleAbout(QWidget *owner, const MODULE_TYPE &type);

} // namespace kmr

#include "Uabout.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "Pictures.h"
#include "Seam.h"
#include "Strings.h"

namespace kmr {

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutBox"));
    setFixedSize(330, 170);

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(8, 8, 314, 114);

    auto *picture = new QLabel(frame);
    picture->setGeometry(10, 10, 64, 64);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(ProgramPicture(QStringLiteral("icon")).scaled(64, 64));

    auto *name = new QLabel(QStringLiteral("Kelmora 4.0"), frame);
    QFont big = name->font();
    big.setBold(true);
    big.setPixelSize(18);
    name->setFont(big);
    name->setGeometry(88, 12, 216, 26);

    auto *line = new QLabel(QStringLiteral("Sound-processing schematics,\nbuilt and calculated sample by sample."), frame);
    line->setWordWrap(true);
    line->setGeometry(88, 44, 216, 60);

    BtnOK = new QPushButton(QStringLiteral("&OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnOK->setGeometry(127, 132, 75, 27);
    connect(BtnOK, &QPushButton::clicked, this, [this] { done(1); });
}

void ShowAbout(QWidget *owner) {
    TAboutBox form(owner);
    form.setWindowTitle(QString::fromUtf8(GetString(130)));
    ExecModal(form);
}

} // namespace kmr

#include "Uaboutmo.h"

#include <QLabel>
#include <QPushButton>

#include "Cp1251.h"
#include "Seam.h"
#include "Strings.h"

namespace kmr {

TAboutMod::TAboutMod(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutMod"));
    setFixedSize(317, 192);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(10, 10, 297, 24);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(bold);
    Label1->setFrameShape(QFrame::Box);
    Label1->setFrameShadow(QFrame::Sunken);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(10, 42, 297, 89);

    BtnOK = new QPushButton(this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnOK->setGeometry(121, 150, 75, 27);
    connect(BtnOK, &QPushButton::clicked, this, [this] { done(1); });

    setWindowTitle(QString::fromUtf8(GetString(105)));
    BtnOK->setText(QString::fromUtf8(GetString(83)));
}

void ShowModuleAbout(QWidget *owner, const MODULE_TYPE &type) {
    if (!type.Loaded()) return;
    const char *about = kmd::About(type);
    if (!about) return;
    TAboutMod form(owner);
    form.Label1->setText(QString::fromStdString(Cp1251ToUtf8(about)));
    const char *tip = kmd::ToolTip(type);
    form.Label2->setText(QString::fromStdString(Cp1251ToUtf8(tip ? tip : "")));
    ExecModal(form);
}

} // namespace kmr

#include "Uasksave.h"

#include <QLabel>
#include <QPushButton>

#include "Seam.h"
#include "Strings.h"

namespace kmr {

TAskSave::TAskSave(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AskSave"));
    setFixedSize(369, 131);

    Label1 = new QLabel(QStringLiteral("Схема изменена... Сохранить изменения ? "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(12, 12, 345, 64);

    BtnOK = new QPushButton(QStringLiteral("&Да"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnOK->setGeometry(36, 90, 91, 27);
    BtnNo = new QPushButton(QStringLiteral("&Нет"), this);
    BtnNo->setObjectName(QStringLiteral("BtnNo"));
    BtnNo->setGeometry(139, 90, 91, 27);
    BtnCancel = new QPushButton(QStringLiteral(" &Отмена"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(242, 90, 91, 27);
    connect(BtnOK, &QPushButton::clicked, this, [this] { done(kYes); });
    connect(BtnNo, &QPushButton::clicked, this, [this] { done(kNo); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { done(kCancel); });

    // The language texts replace the window's own when it is shown.
    setWindowTitle(QString::fromUtf8(GetString(120)));
    Label1->setText(QString::fromUtf8(GetString(123)));
    BtnOK->setText(QString::fromUtf8(GetString(122)));
    BtnNo->setText(QString::fromUtf8(GetString(121)));
    BtnCancel->setText(QString::fromUtf8(GetString(82)));
}

void TAskSave::reject() { done(kCancel); }

int AskSaveQuestion(QWidget *owner, const QString &text) {
    TAskSave form(owner);
    if (!text.isEmpty()) form.Label1->setText(text);
    const int r = ExecModal(form);
    return r == TAskSave::kYes || r == TAskSave::kNo ? r : TAskSave::kCancel;
}

} // namespace kmr

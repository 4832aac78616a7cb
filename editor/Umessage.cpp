#include "Umessage.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "Pictures.h"
#include "Seam.h"
#include "Strings.h"

namespace kmr {

TFormMessage::TFormMessage(QWidget *owner, char lang) : QDialog(owner) {
    setObjectName(QStringLiteral("FormMessage"));
    setFixedSize(397, 186);
    setWindowTitle(QStringLiteral("Сообщение"));

    auto *picture = new QLabel(this);
    picture->setGeometry(12, 16, 58, 70);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(ProgramPicture(QStringLiteral("message")));

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(84, 12, 301, 122);

    Label1 = new QLabel(frame);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(6, 6, 289, 110);

    BtnOK = new QPushButton(QStringLiteral("&Да"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnOK->setGeometry(161, 146, 75, 27);
    connect(BtnOK, &QPushButton::clicked, this, [this] { done(1); });

    if (lang != 0) {
        setWindowTitle(QString::fromUtf8(GetString(55)));
        BtnOK->setText(QString::fromUtf8(GetString(56)));
    }
}

void MessageWindow(QWidget *owner, char lang, const QString &text, const QString &caption) {
    TFormMessage form(owner, lang);
    form.Label1->setText(text);
    if (!caption.isEmpty()) form.setWindowTitle(caption);
    ExecModal(form);
}

void MessageWindowById(QWidget *owner, char lang, int textId, int captionId) {
    // GetString's two buffers hold both texts at once.
    const char *text = GetString(textId);
    const char *caption = GetString(captionId);
    MessageWindow(owner, lang, QString::fromUtf8(text), QString::fromUtf8(caption));
}

void MessageWindowForName(QWidget *owner, char lang, const QString &name) {
    MessageWindow(owner, lang, QString::fromUtf8(GetString(131)), name);
}

} // namespace kmr

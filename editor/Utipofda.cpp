#include "Utipofda.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "Pictures.h"
#include "Seam.h"
#include "Settings.h"

namespace kmr {

namespace {

const char *const kTips[kTipCount] = {
    "Самый простой способ разобраться с этой программой - это пройти курс обучения, расположенный в главном "
    "меню: Окно\\Обучение\\Начать...",
    "Окно дополнительных модулей вызывается кнопкой F12...",
    "Быстрый вызов Инспектора модулей производится кнопкой F11. Наведите мышь на модуль и нажмите F11. Для "
    "закрытия Инспектора модулей также можно использовать кнопку F11...",
    "Изображение схемы можно сохранить в виде графического файла. Нажмите F5 и в каталоге программы появится "
    "файл FormImg.bmp ...",
    "Чтобы быстро вызвать окно открытия файла нажмите F3...",
    "Чтобы быстро записать схему без вызова окна записи файла нажмите F2...",
    "Для удаления любого сегмента связи просто наведите мышь на удаляемый сегмент и нажмите DEL...",
    "Для удаления всех сегментов связи просто наведите мышь на любой сегмент удаляемой цепи и нажмите кнопку "
    "F8...",
    "Для удаления любого модуля просто наведите мышь на удаляемый модуль и нажмите Ctrl+X...",
    "Для копирования любого модуля просто наведите мышь на удаляемый модуль и нажмите Ctrl+C. Для вставки "
    "скопированного модуля нажмите Ctrl+V в нужном месте...",
    "Для вызова окна \"Совет дня\" можно нажать Ctrl+T в любое время...",
    "Окно конфигурации панели модулей можно вызвать, нажав правую кнопку мышки над панелью управления...",
    "Порядок расположения модулей в панели управления можно поменять...",
    "Правой кнопкой мышки вызывается контекстное меню для каждого модуля Вашей схемы...",
    "Кнопка помощи F1 работает в каждом окне...",
    "Для преобразования сегмента под произвольным углом наведите мышь на сегмент и нажмите кнопку A...",
    "Для того, чтобы разбить сегмент на два наведите мышь на сегмент в нужном месте и нажмите кнопку F...",
};

} // namespace

QString TipText(int index) {
    return index >= 0 && index < kTipCount ? QString::fromUtf8(kTips[index]) : QString();
}

TTipOfDay::TTipOfDay(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("TipOfDay"));
    setFixedSize(425, 247);
    setWindowTitle(QStringLiteral("Совет дня..."));

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(8, 8, 409, 176);
    frame->setAutoFillBackground(true);
    QPalette white = frame->palette();
    white.setColor(QPalette::Window, Qt::white);
    frame->setPalette(white);

    auto *picture = new QLabel(frame);
    picture->setGeometry(10, 8, 40, 40);
    picture->setPixmap(ProgramPicture(QStringLiteral("tip")));

    Label1 = new QLabel(QStringLiteral("Знаете ли Вы, что..."), frame);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPixelSize(16);
    Label1->setFont(heading);
    Label1->setGeometry(60, 16, 330, 24);

    LabelTip = new QLabel(frame);
    LabelTip->setObjectName(QStringLiteral("LabelTip"));
    LabelTip->setAlignment(Qt::AlignCenter);
    LabelTip->setWordWrap(true);
    LabelTip->setGeometry(12, 64, 385, 81);

    CheckBox1 = new QCheckBox(QStringLiteral("Больше не показывать"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(10, 200, 190, 24);

    ButtonMore = new QPushButton(QStringLiteral("&Следующий"), this);
    ButtonMore->setObjectName(QStringLiteral("ButtonMore"));
    ButtonMore->setGeometry(222, 198, 95, 27);
    ButtonMore->setAutoDefault(false);
    ButtonOK = new QPushButton(QStringLiteral("&OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonOK->setGeometry(325, 198, 90, 27);
    connect(ButtonMore, &QPushButton::clicked, this, [this] { ShowNextTip(); });
    connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(); });

    ShowNextTip();
}

void TTipOfDay::ShowNextTip() {
    int index = ReadTip();
    if (index < 0 || index >= kTipCount) index = 0;
    shown_ = index;
    LabelTip->setText(TipText(index));
    WriteTip(index + 1);
}

void TTipOfDay::ButtonOKClick() {
    if (CheckBox1->isChecked()) WriteTip(-1);
    done(1);
}

void ShowTipOfDay(QWidget *owner) {
    TTipOfDay form(owner);
    ExecModal(form);
}

} // namespace kmr

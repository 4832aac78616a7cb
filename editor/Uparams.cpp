#include "Uparams.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "Duration.h"
#include "Keys.h"
#include "Seam.h"
#include "Strings.h"
#include "Umain.h"

namespace kmr {

namespace {

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

// --- The small pictures of the pages, drawn here -------------------------

QPixmap Blank(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

// Stripes across (horizontal) or along (vertical) a 24 by 16 flag.
QPixmap Stripes(std::initializer_list<QColor> colours, bool vertical) {
    QPixmap flag = Blank(24, 16);
    QPainter p(&flag);
    const int n = int(colours.size()), side = vertical ? 24 : 16;
    int i = 0;
    for (const QColor &c : colours) {
        const int from = side * i / n, to = side * (i + 1) / n;
        if (vertical)
            p.fillRect(from, 0, to - from, 16, c);
        else
            p.fillRect(0, from, 24, to - from, c);
        ++i;
    }
    return flag;
}

QPixmap LanguageFlag(int language) {
    const QColor white(255, 255, 255), red(214, 40, 40), blue(0, 57, 166), yellow(255, 215, 0);
    const QColor green(0, 140, 69), black(0, 0, 0), gold(255, 206, 0);
    switch (language) {
    case 0:
        return Stripes({white, blue, red}, false);
    case 1: {
        QPixmap flag = Blank(24, 16);
        QPainter p(&flag);
        p.fillRect(0, 0, 24, 16, QColor(1, 33, 105));
        p.setPen(QPen(white, 3));
        p.drawLine(0, 0, 23, 15);
        p.drawLine(0, 15, 23, 0);
        p.setPen(QPen(QColor(200, 16, 46), 1));
        p.drawLine(0, 0, 23, 15);
        p.drawLine(0, 15, 23, 0);
        p.fillRect(9, 0, 6, 16, white);
        p.fillRect(0, 5, 24, 6, white);
        p.fillRect(10, 0, 4, 16, QColor(200, 16, 46));
        p.fillRect(0, 6, 24, 4, QColor(200, 16, 46));
        return flag;
    }
    case 2:
        return Stripes({blue, yellow}, false);
    case 3:
        return Stripes({black, red, gold}, false);
    case 4: {
        QPixmap flag = Blank(24, 16);
        QPainter p(&flag);
        p.fillRect(0, 0, 24, 11, QColor(200, 49, 62));
        p.fillRect(0, 11, 24, 5, QColor(0, 122, 61));
        p.fillRect(0, 0, 4, 16, white);
        for (int y = 1; y < 16; y += 3) p.fillRect(1, y, 2, 2, QColor(200, 49, 62));
        return flag;
    }
    case 5:
        return Stripes({blue, white, red}, true);
    case 6:
        return Stripes({white, red}, false);
    default:
        return Stripes({green, white, red}, true);
    }
}

// Beside the rates: a radio mast, a tape cassette and a compact disc.
QPixmap RatePicture(int item) {
    QPixmap pic = Blank(24, 16);
    QPainter p(&pic);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (item) {
    case 0:
        p.drawLine(12, 5, 8, 15);
        p.drawLine(12, 5, 16, 15);
        p.drawLine(10, 11, 14, 11);
        p.drawArc(7, 0, 10, 10, 30 * 16, 120 * 16);
        p.drawArc(3, -3, 18, 16, 35 * 16, 110 * 16);
        break;
    case 1:
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(2, 2, 20, 12, 2, 2);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 7), 2.5, 2.5);
        p.drawEllipse(QPointF(16, 7), 2.5, 2.5);
        break;
    default:
        p.setBrush(QColor(200, 200, 230));
        p.drawEllipse(QPointF(12, 8), 7.5, 7.5);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 8), 2, 2);
        break;
    }
    return pic;
}

// Beside the read-only flag a padlock, beside the conversion a right-angled
// wire.
QPixmap OptionPicture(bool lock) {
    QPixmap pic = Blank(24, 16);
    QPainter p(&pic);
    p.setPen(QPen(Qt::black, 1));
    if (lock) {
        p.drawArc(8, 1, 8, 10, 0, 180 * 16);
        p.drawLine(8, 6, 8, 8);
        p.drawLine(16, 6, 16, 8);
        p.fillRect(6, 8, 13, 8, QColor(200, 160, 40));
    } else {
        p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        p.drawLine(3, 13, 20, 2);
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(3, 13, 20, 13);
        p.drawLine(20, 13, 20, 2);
    }
    return pic;
}

QLabel *PictureLabel(QWidget *parent, const QPixmap &picture, int x, int y) {
    auto *label = new QLabel(parent);
    label->setPixmap(picture);
    label->setGeometry(x, y, picture.width(), picture.height());
    return label;
}

template <class T> T *Named(T *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TFormParams::TFormParams(TFMain &owner) : QDialog(&owner), owner_(owner) {
    setObjectName(QStringLiteral("FormParams"));
    setWindowTitle(QStringLiteral("Установки"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(351, 343);

    CreatePages();
    // The help key opens the topic of the page the focus is on, or the
    // dialog's own.
    SetHelpContext(this, kHelpTopics[0]);
    for (int i = 0; i < 4; ++i) SetHelpContext(PageSetup->widget(i), kHelpTopics[i]);

    // The buttons sit in a raised frame at the bottom.
    frame_ = new QFrame(this);
    QFrame *frame = frame_;
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(8, 281, 337, 54);
    BtnCancel = Named(new QPushButton(QStringLiteral("&Отмена"), frame), "BtnCancel");
    BtnCancel->setGeometry(40, 12, 105, 30);
    BtnOK = Named(new QPushButton(QStringLiteral("&Да"), frame), "BtnOK");
    BtnOK->setGeometry(192, 12, 105, 30);
    BtnOK->setDefault(true);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { done(kCancel); });
    connect(BtnOK, &QPushButton::clicked, this, &TFormParams::BtnOKClick);

    Fill();
    FitTabs();
    // The handlers are attached once the controls show the settings, so
    // building the dialog changes nothing it holds.
    Connect();
}

void TFormParams::CreatePages() {
    PageSetup = Named(new QTabWidget(this), "PageSetup");
    PageSetup->setGeometry(8, 8, 337, 265);
    PageSetup->setUsesScrollButtons(false);

    // 1. Calculation parameters.
    TabSheetParams = Named(new QWidget, "TabSheetParams");
    PageSetup->addTab(TabSheetParams, QStringLiteral("Параметры расчета"));
    GroupBox1 = Named(new QGroupBox(QStringLiteral("Длительность звука (сек)"), TabSheetParams), "GroupBox1");
    GroupBox1->setGeometry(8, 4, 313, 92);
    Edit = Named(new QLineEdit(GroupBox1), "Edit");
    Edit->setGeometry(192, 20, 65, 24);
    TrackBar = Named(new QSlider(Qt::Horizontal, GroupBox1), "TrackBar");
    TrackBar->setGeometry(8, 52, 257, 32);
    TrackBar->setRange(0, kTrackBarMax);
    TrackBar->setSingleStep(1);
    TrackBar->setPageStep(10);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    TrackBar->setTickInterval(100);

    FreqSel = Named(new QGroupBox(QStringLiteral("Частота"), TabSheetParams), "FreqSel");
    FreqSel->setGeometry(8, 100, 313, 96);
    freqGroup_ = new QButtonGroup(this);
    freqGroup_->setExclusive(true);
    const char *rates[3] = {"11025   Гц  (радиотрансляция)", "22050   Гц  (магнитофон)", "44100   Гц  (компакт-диск)"};
    for (int i = 0; i < 3; ++i) {
        FreqItems[size_t(i)] = new QRadioButton(QString::fromUtf8(rates[i]), FreqSel);
        FreqItems[size_t(i)]->setObjectName(QStringLiteral("FreqSel%1").arg(i));
        FreqItems[size_t(i)]->setGeometry(40, 22 + 24 * i, 265, 22);
        freqGroup_->addButton(FreqItems[size_t(i)], i);
        PictureLabel(FreqSel, RatePicture(i), 10, 25 + 24 * i);
    }
    CheckBoxLimit = Named(new QCheckBox(QStringLiteral("    Ограничение сигнала"), TabSheetParams), "CheckBoxLimit");
    CheckBoxLimit->setGeometry(16, 204, 297, 24);

    // 2. Language.
    TabSheetLanguage = Named(new QWidget, "TabSheetLanguage");
    PageSetup->addTab(TabSheetLanguage, QStringLiteral("Выбор языка"));
    const char *languages[8] = {"Русский", "Английский", "Украинский", "Немецкий",
                                "Белорусский", "Французский", "Польский", "Итальянский"};
    const char *names[8] = {"RBRussian", "RBEnglish", "RBUkrain", "RBGerman",
                            "RBBelorussian", "RBFrance", "RBPoland", "RBItalian"};
    for (int i = 0; i < 8; ++i) {
        const int x = 16 + (i / 4) * 156, y = 20 + (i % 4) * 48;
        PictureLabel(TabSheetLanguage, LanguageFlag(i), x, y + 3);
        RBLanguage[size_t(i)] = Named(new QRadioButton(QString::fromUtf8(languages[i]), TabSheetLanguage), names[i]);
        RBLanguage[size_t(i)]->setGeometry(x + 32, y, 118, 22);
    }

    // 3. File options.
    TabSheetFile = Named(new QWidget, "TabSheetFile");
    PageSetup->addTab(TabSheetFile, QStringLiteral("Опции файла"));
    CheckBoxASave = Named(new QCheckBox(QStringLiteral("    Автосохранение"), TabSheetFile), "CheckBoxASave");
    CheckBoxASave->setGeometry(16, 16, 297, 24);
    CheckBoxALoad = Named(new QCheckBox(QStringLiteral("    Автозагрузка"), TabSheetFile), "CheckBoxALoad");
    CheckBoxALoad->setGeometry(16, 48, 297, 24);
    auto *line = new QFrame(TabSheetFile);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(8, 92, 313, 4);
    CheckBoxRO = Named(new QCheckBox(QStringLiteral("    Только для чтения"), TabSheetFile), "CheckBoxRO");
    CheckBoxRO->setGeometry(48, 112, 265, 24);
    PictureLabel(TabSheetFile, OptionPicture(true), 16, 116);
    CheckBoxConvert =
        Named(new QCheckBox(QStringLiteral("    Преобразование сегментов"), TabSheetFile), "CheckBoxConvert");
    CheckBoxConvert->setGeometry(48, 148, 265, 24);
    PictureLabel(TabSheetFile, OptionPicture(false), 16, 152);

    // 4. Programs for waves and spectra.
    TabSheetProg = Named(new QWidget, "TabSheetProg");
    PageSetup->addTab(TabSheetProg, QStringLiteral("Опции программы"));
    auto group = [this](const char *caption, const char *name, int y, QRadioButton *&in, QRadioButton *&ext,
                        QLineEdit *&edit, QPushButton *&button, const char *inName, const char *extName,
                        const char *editName, const char *buttonName) {
        auto *box = Named(new QGroupBox(QString::fromUtf8(caption), TabSheetProg), name);
        box->setGeometry(8, y, 313, 104);
        in = Named(new QRadioButton(QStringLiteral("Встроенный"), box), inName);
        in->setGeometry(12, 22, 140, 22);
        ext = Named(new QRadioButton(QStringLiteral("Внешний"), box), extName);
        ext->setGeometry(160, 22, 140, 22);
        edit = Named(new QLineEdit(box), editName);
        edit->setGeometry(12, 62, 252, 24);
        button = Named(new QPushButton(QStringLiteral("..."), box), buttonName);
        button->setGeometry(270, 62, 32, 24);
        return box;
    };
    GroupBox2 = group("Просмотр WAV-файлов", "GroupBox2", 4, RBWavIn, RBWavExt, EditWav, ButtonWav, "RBWavIn",
                      "RBWavExt", "EditWav", "ButtonWav");
    GroupBox3 = group("Анализатор спектра", "GroupBox3", 114, RBSpecIn, RBSpecExt, EditSpec, ButtonSpec, "RBSpecIn",
                      "RBSpecExt", "EditSpec", "ButtonSpec");
}

void TFormParams::ApplyCaptions() {
    setWindowTitle(Text(36));
    PageSetup->setTabText(0, Text(76));
    PageSetup->setTabText(1, Text(91));
    PageSetup->setTabText(2, Text(108));
    PageSetup->setTabText(3, Text(136));
    GroupBox1->setTitle(Text(77));
    FreqSel->setTitle(Text(78));
    for (int i = 0; i < 3; ++i) FreqItems[size_t(i)]->setText(Text(79 + i));
    BtnCancel->setText(Text(82));
    BtnOK->setText(Text(83));
    CheckBoxLimit->setText(Text(98));
    CheckBoxASave->setText(Text(34));
    CheckBoxALoad->setText(Text(35));
    CheckBoxRO->setText(Text(124));
    CheckBoxConvert->setText(Text(141));
    for (int i = 0; i < 8; ++i) RBLanguage[size_t(i)]->setText(Text(109 + i));
    GroupBox2->setTitle(Text(137));
    GroupBox3->setTitle(Text(138));
    RBWavIn->setText(Text(139));
    RBSpecIn->setText(Text(139));
    RBWavExt->setText(Text(140));
    RBSpecExt->setText(Text(140));
}

void TFormParams::FitTabs() {
    // The page tabs of a language with longer words, or of a larger font,
    // widen the dialog rather than lose letters.
    const int extra = std::max(0, PageSetup->tabBar()->sizeHint().width() + 4 - PageSetup->width());
    if (extra == 0) return;
    PageSetup->resize(PageSetup->width() + extra, PageSetup->height());
    frame_->resize(frame_->width() + extra, frame_->height());
    for (QPushButton *b : {BtnCancel, BtnOK}) b->move(b->x() + extra / 2, b->y());
    setFixedSize(width() + extra, height());
}

void TFormParams::Fill() {
    const PARAMS &params = owner_.Engine().Params;
    const SetupSettings &setup = owner_.Setup;

    duration_ = params.FullTime;
    frequency_ = params.Freq;
    TrackBar->setValue(int(std::clamp<int64_t>(DurationPosition(duration_), 0, kTrackBarMax)));
    Edit->setText(QString::fromStdString(FormatDuration(duration_)));
    const int item = RateItem(frequency_);
    if (item >= 0) FreqItems[size_t(item)]->setChecked(true);

    PageSetup->setCurrentIndex(0);
    modified_ = false;
    ApplyCaptions();

    CheckBoxLimit->setChecked(params.Limitation);
    CheckBoxASave->setChecked(setup.AvtoSave);
    CheckBoxALoad->setChecked(setup.AvtoLoad);
    CheckBoxRO->setChecked(owner_.ReadOnly);
    CheckBoxConvert->setChecked(setup.SegConvertion);

    for (int i = 0; i < 8; ++i) {
        RBLanguage[size_t(i)]->setEnabled(Language.LanguageExists(i));
        RBLanguage[size_t(i)]->setChecked(i == params.Lang);
    }

    RBWavExt->setChecked(setup.ExtWave);
    RBWavIn->setChecked(!setup.ExtWave);
    EditWav->setEnabled(setup.ExtWave);
    ButtonWav->setEnabled(setup.ExtWave);
    EditWav->setText(setup.WaveExe);
    RBSpecExt->setChecked(setup.ExtSpectrum);
    RBSpecIn->setChecked(!setup.ExtSpectrum);
    EditSpec->setEnabled(setup.ExtSpectrum);
    ButtonSpec->setEnabled(setup.ExtSpectrum);
    EditSpec->setText(setup.SpectrumExe);
}

void TFormParams::Connect() {
    const auto touched = [this] { modified_ = true; };
    connect(TrackBar, &QSlider::valueChanged, this, &TFormParams::TrackBarChange);
    connect(Edit, &QLineEdit::textChanged, this, &TFormParams::EditChange);
    connect(freqGroup_, &QButtonGroup::buttonClicked, this, touched); // FreqSelClick
    connect(CheckBoxLimit, &QCheckBox::clicked, this, touched);       // CheckBoxLimitClick
    connect(CheckBoxRO, &QCheckBox::clicked, this, touched);          // CheckBoxROClick
    connect(CheckBoxConvert, &QCheckBox::clicked, this, touched);

    const auto enable = [](QLineEdit *edit, QPushButton *button, bool on) {
        edit->setEnabled(on);
        button->setEnabled(on);
    };
    connect(RBWavIn, &QRadioButton::clicked, this, [=, this] { enable(EditWav, ButtonWav, false); });
    connect(RBWavExt, &QRadioButton::clicked, this, [=, this] { enable(EditWav, ButtonWav, true); });
    connect(RBSpecIn, &QRadioButton::clicked, this, [=, this] { enable(EditSpec, ButtonSpec, false); });
    connect(RBSpecExt, &QRadioButton::clicked, this, [=, this] { enable(EditSpec, ButtonSpec, true); });
    connect(ButtonWav, &QPushButton::clicked, this, [this] { ChooseProgram(EditWav); });
    connect(ButtonSpec, &QPushButton::clicked, this, [this] { ChooseProgram(EditSpec); });
}

void TFormParams::TrackBarChange(int position) {
    // position / 100 is the duration the edit then shows exactly.
    duration_ = position / 100.0;
    Edit->setText(QString::fromStdString(FormatDuration(duration_)));
    modified_ = true;
}

void TFormParams::EditChange(const QString &text) {
    const double typed = ParseDuration(text.toStdString());
    if (!DurationFits(typed)) {
        // Not taken: the duration stays and the edit shows it again.
        const QSignalBlocker quiet(Edit);
        Edit->setText(QString::fromStdString(FormatDuration(duration_)));
        return;
    }
    duration_ = typed;
    modified_ = true;
    const int64_t position = DurationPosition(typed);
    if (position == TrackBar->value()) return;
    if (position >= 0 && position <= kTrackBarMax) {
        // The bar's change event shows the duration with two decimals.
        TrackBar->setValue(int(position));
    } else {
        // Beyond the bar's range the bar stands at its end and the text
        // stays as typed.
        const QSignalBlocker quiet(TrackBar);
        TrackBar->setValue(position < 0 ? 0 : kTrackBarMax);
    }
}

void TFormParams::BtnOKClick() {
    PARAMS &params = owner_.Engine().Params;
    SetupSettings &setup = owner_.Setup;

    if (modified_) owner_.Modified = true;
    frequency_ = RateOfItem(freqGroup_->checkedId());

    params.Limitation = CheckBoxLimit->isChecked();
    setup.AvtoSave = CheckBoxASave->isChecked();
    setup.AvtoLoad = CheckBoxALoad->isChecked();
    owner_.ReadOnly = CheckBoxRO->isChecked();
    setup.SegConvertion = CheckBoxConvert->isChecked();

    int chosen = -1;
    for (int i = 0; i < 8; ++i)
        if (RBLanguage[size_t(i)]->isChecked()) chosen = i;
    if (chosen >= 0 && chosen != params.Lang && Language.LanguageExists(chosen)) owner_.SetLanguage(chosen);

    setup.ExtWave = RBWavExt->isChecked();
    setup.WaveExe = EditWav->text();
    setup.ExtSpectrum = RBSpecExt->isChecked();
    setup.SpectrumExe = EditSpec->text();
    done(kOK);
}

void TFormParams::ChooseProgram(QLineEdit *edit) {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Executable files (*)"));
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDot);
    dialog.setSizeGripEnabled(true);
    const QFileInfo current(edit->text());
    if (!edit->text().isEmpty() && current.dir().exists()) {
        dialog.setDirectory(current.dir());
        dialog.selectFile(current.fileName());
    }
    if (ExecModal(dialog) != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) edit->setText(chosen.first());
}

void TFormParams::reject() { done(kCancel); }

void TFormParams::showEvent(QShowEvent *event) {
    modified_ = false;
    if (const QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}


} // namespace kmr

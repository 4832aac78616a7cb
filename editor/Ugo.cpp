#include "Ugo.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "Strings.h"

namespace kmr {

const QEvent::Type RunEndEvent::kType = QEvent::Type(QEvent::registerEventType(QEvent::User + 3024));

RunEndNotice PostRunEndTo(QObject *window) {
    // postEvent is safe from any thread; a window gone meanwhile gets nothing.
    QPointer<QObject> target(window);
    return [target](RunEnd end) {
        if (QObject *w = target.data()) QCoreApplication::postEvent(w, new RunEndEvent(end));
    };
}

TFormGo::TFormGo(QWidget *owner, GoRun &run) : QDialog(owner), run_(&run) {
    setObjectName(QStringLiteral("FormGo"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(300, 168);

    auto label = [this](int y) {
        auto *l = new QLabel(this);
        l->setGeometry(12, y, 150, 20);
        return l;
    };
    auto count = [this](int y) {
        auto *l = new QLabel(QStringLiteral("0"), this);
        l->setGeometry(170, y, 110, 20);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    Panel2 = label(8);
    Panel3 = label(30);
    Panel4 = label(52);
    QModules = count(8);
    QWires = count(30);
    QSegs = count(52);
    QModules->setObjectName(QStringLiteral("QModules"));
    QWires->setObjectName(QStringLiteral("QWires"));
    QSegs->setObjectName(QStringLiteral("QSegs"));

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setGeometry(8, 76, 284, 48);
    ProgressBar1 = new QProgressBar(GroupBox1);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, 20, 268, 18);

    BtnCancel = new QPushButton(this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(112, 132, 75, 27);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TFormGo::Show(int modules, int nets, int segments) {
    setWindowTitle(QString::fromUtf8(GetString(68)));
    Panel2->setText(QString::fromUtf8(GetString(69)));
    Panel3->setText(QString::fromUtf8(GetString(70)));
    Panel4->setText(QString::fromUtf8(GetString(71)));
    BtnCancel->setText(QString::fromUtf8(GetString(72)));
    GroupBox1->setTitle(QString::fromUtf8(GetString(73)));
    QModules->setNum(modules);
    QWires->setNum(nets);
    QSegs->setNum(segments);
    ProgressBar1->setValue(0);
    show();
    Timer1->start();
}

void TFormGo::Timer1Timer() {
    const int progress = run_->Progress();
    if (run_->Running() && progress != -1) ProgressBar1->setValue(std::clamp(progress, 0, 100));
    if (progress == 100) {
        ProgressBar1->setValue(0);
        Timer1->stop();
        hide();
    }
}

void TFormGo::BtnCancelClick() {
    if (run_->Running()) run_->Cancel();
    ProgressBar1->setValue(0);
    Timer1->stop();
    hide();
}

void TFormGo::reject() { BtnCancelClick(); }

} // namespace kmr

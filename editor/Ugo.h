// The progress window of a calculation, and how the end of a run reaches
// the main window: the calculation thread's end notice becomes an event
// posted to the window's queue.
#pragma once

#include <QDialog>
#include <QEvent>

#include "Run.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kmr {

// What the progress window and the main window see of a calculation.
class GoRun {
public:
    virtual ~GoRun() = default;
    virtual bool Running() const = 0;
    // Percentage of samples done, 0..100; -1 is ignored.
    virtual int Progress() const = 0;
    // Asks the calculation to stop after the sample in progress.
    virtual void Cancel() = 0;
    // Milliseconds the samples took (stop tick minus start tick).
    virtual int64_t Elapsed() const = 0;
};

// The calculation thread of the engine seen as a GoRun.
class ThreadGoRun : public GoRun {
public:
    explicit ThreadGoRun(ThreadGo &thread) : thread_(thread) {}
    bool Running() const override { return thread_.Running(); }
    int Progress() const override { return thread_.Progress(); }
    void Cancel() override { thread_.Cancel(); }
    int64_t Elapsed() const override { return thread_.StopTime() - thread_.StartTime(); }

private:
    ThreadGo &thread_;
};

// The end of a run as an event: wmGOEND (finished or cancelled) or
// wmGOFAILED (an instance refused to start).
class RunEndEvent : public QEvent {
public:
    static const QEvent::Type kType;
    explicit RunEndEvent(RunEnd end) : QEvent(kType), end_(end) {}
    RunEnd End() const { return end_; }

private:
    RunEnd end_;
};

// The end notice to hand to ThreadGo::Go: it posts a RunEndEvent to
// `window`; safe to call on the calculation thread.
RunEndNotice PostRunEndTo(QObject *window);

// The progress window: counts of the schematic, the progress bar and the
// Cancel button. Stays on top; not modal.
class TFormGo : public QDialog {
    Q_OBJECT
public:
    TFormGo(QWidget *owner, GoRun &run);

    void SetRun(GoRun &run) { run_ = &run; }

    // Sets the texts and the counts and empties the bar, then shows the
    // window.
    void Show(int modules, int nets, int segments);

    // Every 100 ms while shown: the bar follows the run's progress; at 100 %
    // the bar empties and the window closes.
    void Timer1Timer();
    // Cancels a running calculation and closes the window.
    void BtnCancelClick();

    QLabel *Panel2, *Panel3, *Panel4;
    QLabel *QModules, *QWires, *QSegs;
    QGroupBox *GroupBox1;
    QProgressBar *ProgressBar1;
    QPushButton *BtnCancel;
    QTimer *Timer1;

protected:
    void reject() override; // Esc and the close box act as Cancel

private:
    GoRun *run_;
};

} // namespace kmr

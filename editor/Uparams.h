// The settings dialog: on four pages the calculation parameters (duration,
// sample rate, limitation), the interface language, the file options and the
// programs for waves and spectra. It works on the main window's live
// settings: OK writes them (the duration and the rate are taken by the
// caller), Cancel leaves everything as it was.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace kmr {

class TFMain;

class TFormParams : public QDialog {
    Q_OBJECT
public:
    // The dialog's results.
    static constexpr int kOK = 1, kCancel = 2;
    // Help topics of the dialog and its first page, then of pages 2 to 4.
    static constexpr int kHelpTopics[4] = {790, 791, 792, 793};

    // Built from the main window's settings, first page active.
    explicit TFormParams(TFMain &owner);

    // What the caller takes after OK.
    double Duration() const { return duration_; }
    int32_t Frequency() const { return frequency_; }
    // The duration, the rate, the limitation, the read-only flag or the
    // segment conversion was touched.
    bool Modified() const { return modified_; }

    void reject() override; // Esc and the close box: Cancel

    // --- Controls ------------------------------------------------------
    QTabWidget *PageSetup;
    QWidget *TabSheetParams, *TabSheetLanguage, *TabSheetFile, *TabSheetProg;
    QGroupBox *GroupBox1;
    QLineEdit *Edit;
    QSlider *TrackBar;
    QGroupBox *FreqSel;
    std::array<QRadioButton *, 3> FreqItems;
    QCheckBox *CheckBoxLimit;
    // RBRussian .. RBItalian, in the order of the language numbers.
    std::array<QRadioButton *, 8> RBLanguage;
    QCheckBox *CheckBoxASave, *CheckBoxALoad, *CheckBoxRO, *CheckBoxConvert;
    QGroupBox *GroupBox2, *GroupBox3;
    QRadioButton *RBWavIn, *RBWavExt, *RBSpecIn, *RBSpecExt;
    QLineEdit *EditWav, *EditSpec;
    QPushButton *ButtonWav, *ButtonSpec;
    QPushButton *BtnCancel, *BtnOK;

    // --- Events ----------------------------------------------------------
    void TrackBarChange(int position);
    void EditChange(const QString &text);
    void BtnOKClick();

protected:
    void showEvent(QShowEvent *event) override; // FormShow

private:
    void CreatePages();
    void ApplyCaptions();
    void Fill();
    void FitTabs();
    void Connect();
    // OpenDialog1: a program chosen by the user replaces the text of `edit`.
    void ChooseProgram(QLineEdit *edit);

    TFMain &owner_;
    double duration_ = 0;
    int32_t frequency_ = 0;
    bool modified_ = false;
    QButtonGroup *freqGroup_;
    QFrame *frame_;
};

} // namespace kmr

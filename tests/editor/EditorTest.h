// Shared pieces of the editor tests: a temporary current folder with a kmd/
// folder of chosen plug-ins, a clean settings store, and a record of the
// modal windows the program tried to show (answered without waiting).
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "Ugo.h"

namespace edtest {

// A fresh folder that is the current folder while the object lives.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string &Path() const { return path_; }

private:
    std::string path_, previous_;
};

// Writes `text` to `path` (relative to the current folder).
void WriteFile(const std::string &path, const std::string &text);
std::string ReadFile(const std::string &path);
std::vector<std::string> ReadLines(const std::string &path);

// kmd/<name> in the current folder, standing for the built plug-in <name>.
void AddPlugin(const std::string &name);

// Empties the settings store.
void ClearSettings();

// A modal window the program showed.
struct Shown {
    QString type;  // the window's class, e.g. "kmr::TAskSave"
    QString title; // its caption
    QString text;  // the text of its Label1, when it has one
};

// While it lives, modal windows are answered by `answer` (default: 1) and
// recorded.
class ModalRecorder {
public:
    ModalRecorder();
    ~ModalRecorder();
    std::function<int(QDialog &)> answer;
    std::vector<Shown> shown;
    int Count(const QString &type) const;
};

// Saves a project into `path` holding one instance of the plug-in `plugin`
// (loaded from the built plug-ins) at `at`, with the rate and length given.
void MakeProject(const std::string &path, const std::string &plugin, CPOINT at = CPOINT{64, 80}, int32_t freq = 44100,
                 double fullTime = 5.0);

// A calculation whose state the test sets.
struct FakeRun : kmr::GoRun {
    bool running = true;
    int progress = 0;
    int cancels = 0;
    int64_t elapsed = 0;
    bool Running() const override { return running; }
    int Progress() const override { return progress; }
    void Cancel() override { ++cancels; }
    int64_t Elapsed() const override { return elapsed; }
};

} // namespace edtest

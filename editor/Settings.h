// The settings store: the user's settings that survive from one run to the
// next, kept per user in sections of named values under KMR/Config (an INI
// file, $XDG_CONFIG_HOME/KMR/Config.ini). The module wizard reads the same
// store. A store object is opened for one group of reads or writes and
// closed (written out) when it goes away; no handle stays open between them.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

class QSettings;

namespace kmr {

class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore(); // writes out what was set
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Each read yields `def` when the section or the value is absent, or
    // when the stored text does not read as the value's kind.
    int32_t Integer(const QString &section, const QString &name, int32_t def);
    bool Boolean(const QString &section, const QString &name, bool def);
    QString Text(const QString &section, const QString &name, const QString &def);

    void SetInteger(const QString &section, const QString &name, int32_t value);
    void SetBoolean(const QString &section, const QString &name, bool value);
    void SetText(const QString &section, const QString &name, const QString &value);

    // Removes every value of every section.
    void Clear();

private:
    std::unique_ptr<QSettings> settings_;
};

// The longest project name the main window keeps, in bytes.
constexpr size_t kProjectNameMax = 255;

// The values of section "Setup" that the main window keeps in memory from
// start-up to its end.
struct SetupSettings {
    bool AvtoSave = true;      // save a modified project without asking at close
    bool AvtoLoad = false;     // load the project named by "FileName" at start-up
    bool Hints = true;         // tool tips of the main window and the module window
    bool Flat = true;          // flat toolbar buttons
    int32_t LessonIndex = 0;   // the next lesson
    int32_t Tip = 0;           // the next tip of the day, -1 for none
    bool SegConvertion = true; // new slanted wires become right-angled paths
    bool ExtWave = false;      // show waves with WaveExe instead of the built-in viewer
    QString WaveExe;
    bool ExtSpectrum = false;
    QString SpectrumExe;
};

// Section "Window": the main window's position and outer size.
struct WindowPlace {
    int32_t Top = 99, Left = 182, Height = 381, Width = 554;
};

// Reads "Window" with `current` as the defaults.
WindowPlace ReadWindowPlace(SettingsStore &store, const WindowPlace &current);
void WriteWindowPlace(SettingsStore &store, const WindowPlace &place);

// Reads section "Setup" in its order: the flags into `setup`, "FileName"
// into `fileName` (the system's bytes; a stored name longer than
// kProjectNameMax bytes counts as absent) and "Lang" into `lang`, its low
// eight bits as a signed number.
void ReadSetup(SettingsStore &store, SetupSettings &setup, std::string &fileName, char &lang);

// Writes section "Setup" except "Tip" and "KMDDIR"; "LessonIndex" only when
// it is not 0, so a stored lesson number is never replaced by 0.
void WriteSetup(SettingsStore &store, const SetupSettings &setup, const std::string &fileName, char lang);

// The tip of the day's own value.
int32_t ReadTip();
void WriteTip(int32_t tip);

// "KMDDIR", the plug-in folder the module wizard writes new modules into.
void WriteKmdDir(const QString &folder);

} // namespace kmr

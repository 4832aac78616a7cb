#include "Settings.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <climits>

namespace kmr {

namespace {

QString Key(const QString &section, const QString &name) { return section + QLatin1Char('/') + name; }

const QString kWindow = QStringLiteral("Window");
const QString kSetup = QStringLiteral("Setup");

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KMR"),
                                            QStringLiteral("Config"))) {}

SettingsStore::~SettingsStore() { settings_->sync(); }

int32_t SettingsStore::Integer(const QString &section, const QString &name, int32_t def) {
    const QVariant v = settings_->value(Key(section, name));
    if (!v.isValid()) return def;
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        n = v.toLongLong(&ok);
        break;
    case QMetaType::QString:
        n = v.toString().trimmed().toLongLong(&ok, 10);
        break;
    default:
        break;
    }
    return ok && n >= INT32_MIN && n <= INT32_MAX ? int32_t(n) : def;
}

bool SettingsStore::Boolean(const QString &section, const QString &name, bool def) {
    const QVariant v = settings_->value(Key(section, name));
    if (!v.isValid()) return def;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() != QMetaType::QString) return def;
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1")) return true;
    if (t == QLatin1String("false") || t == QLatin1String("0")) return false;
    return def;
}

QString SettingsStore::Text(const QString &section, const QString &name, const QString &def) {
    const QVariant v = settings_->value(Key(section, name));
    if (!v.isValid()) return def;
    // A hand-written value with unquoted commas reads back as a list.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::Bool:
        return v.toString();
    default:
        return def;
    }
}

void SettingsStore::SetInteger(const QString &section, const QString &name, int32_t value) {
    settings_->setValue(Key(section, name), int(value));
}

void SettingsStore::SetBoolean(const QString &section, const QString &name, bool value) {
    settings_->setValue(Key(section, name), value);
}

void SettingsStore::SetText(const QString &section, const QString &name, const QString &value) {
    settings_->setValue(Key(section, name), value);
}

void SettingsStore::Clear() { settings_->clear(); }

WindowPlace ReadWindowPlace(SettingsStore &store, const WindowPlace &current) {
    WindowPlace p;
    p.Top = store.Integer(kWindow, QStringLiteral("Top"), current.Top);
    p.Left = store.Integer(kWindow, QStringLiteral("Left"), current.Left);
    p.Height = store.Integer(kWindow, QStringLiteral("Height"), current.Height);
    p.Width = store.Integer(kWindow, QStringLiteral("Width"), current.Width);
    return p;
}

void WriteWindowPlace(SettingsStore &store, const WindowPlace &place) {
    store.SetInteger(kWindow, QStringLiteral("Top"), place.Top);
    store.SetInteger(kWindow, QStringLiteral("Left"), place.Left);
    store.SetInteger(kWindow, QStringLiteral("Height"), place.Height);
    store.SetInteger(kWindow, QStringLiteral("Width"), place.Width);
}

void ReadSetup(SettingsStore &store, SetupSettings &setup, std::string &fileName, char &lang) {
    setup.AvtoSave = store.Boolean(kSetup, QStringLiteral("AvtoSave"), true);
    setup.AvtoLoad = store.Boolean(kSetup, QStringLiteral("AvtoLoad"), false);
    const QByteArray name = QFile::encodeName(store.Text(kSetup, QStringLiteral("FileName"), QStringLiteral("default.kpj")));
    // A name that does not fit the project name is taken as absent rather
    // than cut, which would name another file.
    fileName = size_t(name.size()) <= kProjectNameMax ? name.toStdString() : std::string("default.kpj");
    setup.Hints = store.Boolean(kSetup, QStringLiteral("Hints"), true);
    lang = char(int8_t(store.Integer(kSetup, QStringLiteral("Lang"), 0) & 0xFF));
    setup.Flat = store.Boolean(kSetup, QStringLiteral("Flat"), true);
    setup.LessonIndex = store.Integer(kSetup, QStringLiteral("LessonIndex"), 0);
    setup.Tip = store.Integer(kSetup, QStringLiteral("Tip"), 0);
    setup.SegConvertion = store.Boolean(kSetup, QStringLiteral("SegConvertion"), true);
    setup.ExtWave = store.Boolean(kSetup, QStringLiteral("ExtWave"), false);
    setup.WaveExe = store.Text(kSetup, QStringLiteral("WaveExe"), QString());
    setup.ExtSpectrum = store.Boolean(kSetup, QStringLiteral("ExtSpectrum"), false);
    setup.SpectrumExe = store.Text(kSetup, QStringLiteral("SpectrumExe"), QString());
}

void WriteSetup(SettingsStore &store, const SetupSettings &setup, const std::string &fileName, char lang) {
    store.SetBoolean(kSetup, QStringLiteral("AvtoSave"), setup.AvtoSave);
    store.SetBoolean(kSetup, QStringLiteral("AvtoLoad"), setup.AvtoLoad);
    store.SetText(kSetup, QStringLiteral("FileName"), QFile::decodeName(QByteArray::fromStdString(fileName)));
    store.SetBoolean(kSetup, QStringLiteral("Hints"), setup.Hints);
    store.SetBoolean(kSetup, QStringLiteral("Flat"), setup.Flat);
    store.SetInteger(kSetup, QStringLiteral("Lang"), int8_t(lang));
    if (setup.LessonIndex != 0) store.SetInteger(kSetup, QStringLiteral("LessonIndex"), setup.LessonIndex);
    store.SetBoolean(kSetup, QStringLiteral("SegConvertion"), setup.SegConvertion);
    store.SetBoolean(kSetup, QStringLiteral("ExtWave"), setup.ExtWave);
    store.SetText(kSetup, QStringLiteral("WaveExe"), setup.WaveExe);
    store.SetBoolean(kSetup, QStringLiteral("ExtSpectrum"), setup.ExtSpectrum);
    store.SetText(kSetup, QStringLiteral("SpectrumExe"), setup.SpectrumExe);
}

int32_t ReadTip() {
    SettingsStore store;
    return store.Integer(kSetup, QStringLiteral("Tip"), 0);
}

void WriteTip(int32_t tip) {
    SettingsStore store;
    store.SetInteger(kSetup, QStringLiteral("Tip"), tip);
}

void WriteKmdDir(const QString &folder) {
    SettingsStore store;
    store.SetText(kSetup, QStringLiteral("KMDDIR"), folder);
}

} // namespace kmr

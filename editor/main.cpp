// Kmr99: the editor and calculation program.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Globals.h"
#include "Help.h"
#include "Umain.h"

// The help hook the plug-ins reach by name: shows topic `topic` of the help
// whose contents page is `index`.
extern "C" __attribute__((visibility("default"))) void KmrShowHelp(const char *index, int topic) {
    if (index) kmr::ShowHelp(QFile::decodeName(index), topic);
}

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelmora"));

    // Every relative name the program uses (plug-ins, toolbar file, log,
    // help, default projects) lies in its own folder. A project named on the
    // command line relative to the folder the program was started in keeps
    // naming that file.
    QStringList arguments = QApplication::arguments().mid(1);
    const QString programFolder = QApplication::applicationDirPath();
    if (!arguments.isEmpty() && arguments.first() != QLatin1String("-d") && QFileInfo(arguments.first()).isRelative() &&
        QDir::current() != QDir(programFolder) && QFileInfo::exists(arguments.first()))
        arguments.first() = QFileInfo(arguments.first()).absoluteFilePath();
    QDir::setCurrent(programFolder);

    kmr::EditorEngine engine(QFile::encodeName(programFolder).toStdString());
    int result;
    {
        kmr::TFMain window(engine, {arguments, true});
        window.show();
        result = QApplication::exec();
    }
    return result;
}

#include "Help.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace kmr {

namespace {

QString &HelpIndex() {
    static QString index;
    return index;
}

bool Readable(const QString &path) {
    QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

void SetHelpFile(const QString &index) { HelpIndex() = index; }
const QString &HelpFile() { return HelpIndex(); }

QString FindHelpFile() {
    const QString index = QStringLiteral("Help/index.html");
    return Readable(index) ? QFileInfo(index).absoluteFilePath() : QString();
}

QString HelpPage(const QString &index, int topic) {
    if (topic > 0) {
        const QString page = QFileInfo(index).absolutePath() + QLatin1Char('/') + QString::number(topic) +
                             QStringLiteral(".html");
        if (Readable(page)) return page;
    }
    return index;
}

void ShowHelp(const QString &index, int topic) {
    if (index.isEmpty() || !Readable(index)) return;
    // One help window for the whole program; it stays until closed.
    static QPointer<QTextBrowser> window;
    if (!window) {
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("HelpWindow"));
        window->setOpenExternalLinks(true);
        window->resize(640, 480);
    }
    window->setSource(QUrl::fromLocalFile(HelpPage(index, topic)));
    window->setWindowTitle(window->documentTitle().isEmpty() ? QStringLiteral("Kelmora") : window->documentTitle());
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowHelpContents() { ShowHelp(HelpFile(), 0); }
void ShowHelpTopic(int topic) { ShowHelp(HelpFile(), topic); }

} // namespace kmr

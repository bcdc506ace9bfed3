#include "tubra/app/Help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tubra::app {

QString HelpIndexPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        dir + QStringLiteral("/../share/tubra/help/index.html"),
        dir + QStringLiteral("/help/index.html"),
#ifdef TUBRA_SOURCE_HELP_DIR
        QStringLiteral(TUBRA_SOURCE_HELP_DIR "/index.html"),
#endif
    };
    for (const QString& c : candidates) {
        const QFileInfo f(c);
        if (f.isFile()) return QDir::cleanPath(f.absoluteFilePath());
    }
    return {};
}

}  // namespace tubra::app

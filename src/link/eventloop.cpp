#include "link/eventloop.h"

#include <QDir>
#include <QLibraryInfo>
#include <QtGlobal>

void preferPlainEventLoop(bool withWindows) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (qEnvironmentVariableIsSet("QT_NO_GLIB")) return;
    if (withWindows) {
        const QDir themes(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                          QStringLiteral("/platformthemes"));
        if (!themes.entryList({QStringLiteral("*gtk*")}, QDir::Files).isEmpty()) return;
    }
    qputenv("QT_NO_GLIB", "1");
#else
    (void)withWindows;
#endif
}

#include "link/portlock.h"

#include "core/fileio.h"

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace portlock {
namespace {

// The names programs give the lock of one device: the classic one after the device's last
// path part, and the toolkit's, which keeps the folders below /dev with "_" between them.
QStringList lockNames(const QString& device) {
    QStringList paths{device};
    const QString resolved = QFileInfo(device).canonicalFilePath();
    if (!resolved.isEmpty()) paths.append(resolved);
    QStringList names;
    for (const QString& path : std::as_const(paths)) {
        QString below = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
        names.append(QStringLiteral("LCK..") + below.replace(QLatin1Char('/'), QLatin1Char('_')));
        names.append(QStringLiteral("LCK..") + QFileInfo(path).fileName());
    }
    names.removeDuplicates();
    return names;
}

qint64 pidOf(const QByteArray& lock) {
    bool ok = false;
    const qint64 pid = lock.left(lock.indexOf('\n')).trimmed().toLongLong(&ok);
    if (ok) return pid;
    int binary = 0;
    if (lock.size() == qsizetype(sizeof binary)) {
        std::memcpy(&binary, lock.constData(), sizeof binary);
        return binary;
    }
    return 0;
}

bool alive(qint64 pid) {
#ifdef Q_OS_UNIX
    if (pid <= 0 || pid > INT_MAX || pid == ::getpid()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

QStringList defaultDirectories() {
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/run/lock"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/lock/lockdev"),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),
            QDir::tempPath()};
}

std::optional<Holder> liveHolder(const QString& device, const QStringList& directories) {
    if (device.isEmpty()) return std::nullopt;
    const QStringList names = lockNames(device);
    for (const QString& directory : directories) {
        for (const QString& name : names) {
            const QString path = QDir(directory).filePath(name);
            // A lock is a few bytes; anything larger is nobody's lock.
            const fileio::ReadResult lock = fileio::readFile(path, 256);
            if (!lock.ok()) continue;
            const qint64 pid = pidOf(lock.data);
            if (!alive(pid)) continue;
            const fileio::ReadResult comm =
                fileio::readFile(QStringLiteral("/proc/%1/comm").arg(pid), 256);
            return Holder{pid, QString::fromLocal8Bit(comm.data).trimmed(), path};
        }
    }
    return std::nullopt;
}

QString holderText(const Holder& holder) {
    const QString program =
        holder.program.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder.program);
    return QStringLiteral("Prozess %1%2, Sperrdatei %3")
        .arg(holder.pid)
        .arg(program, holder.lockFile);
}

} // namespace portlock

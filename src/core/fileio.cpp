#include "core/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fileio {
namespace {

QString tooLarge(qint64 maxSize) {
    return QStringLiteral("Die Datei ist größer als %1 KB und kann keine gültige Datei sein.")
        .arg(maxSize / 1024);
}
const auto notRegular = QStringLiteral(
    "Das ist keine gewöhnliche Datei (sondern z. B. ein Ordner, ein Gerät oder eine Pipe).");
const auto notFound = QStringLiteral("Die Datei existiert nicht.");
const auto noReadPermission = QStringLiteral("Keine Berechtigung, die Datei zu lesen.");
const auto readError = QStringLiteral("Die Datei konnte nicht gelesen werden.");
const auto noFolder = QStringLiteral("Der Ordner existiert nicht.");
const auto isFolder = QStringLiteral("Unter diesem Namen gibt es bereits einen Ordner.");
const auto noWritePermission =
    QStringLiteral("Keine Berechtigung, in diesen Ordner oder diese Datei zu schreiben.");
const auto writeError =
    QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden (Datenträger voll?).");

#ifdef Q_OS_UNIX
QString reasonForErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return notFound;
    case EACCES:
    case EPERM:
        return noReadPermission;
    case EISDIR:
        return notRegular;
    default:
        return readError;
    }
}
#endif

QString openFailureReason(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return isFolder;
    if (!info.absoluteDir().exists()) return noFolder;
    return noWritePermission;
}

} // namespace

ReadResult readFile(const QString& path, qint64 maxSize) {
    ReadResult result;
    if (path.isEmpty() || path.contains(QChar(0))) {
        result.error = notFound;
        return result;
    }
#ifdef Q_OS_UNIX
    // Opened without blocking, so a FIFO without a writer cannot hang here, and checked on the
    // open descriptor, so nothing can swap the file between the check and the read.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.error = reasonForErrno(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.error = notRegular;
        return result;
    }
    if (st.st_size > maxSize) {
        ::close(fd);
        result.error = tooLarge(maxSize);
        result.tooLarge = true;
        return result;
    }
    // The size may change while reading; never take more than the limit.
    QByteArray data(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == data.size()) {
            if (data.size() > maxSize) break;
            data.resize(qMin<qint64>(maxSize + 1, data.size() + 4096));
        }
        const ssize_t n = ::read(fd, data.data() + got, static_cast<size_t>(data.size() - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            result.error = readError;
            return result;
        }
        if (n == 0) break;
        got += n;
    }
    ::close(fd);
    if (got > maxSize) {
        result.error = tooLarge(maxSize);
        result.tooLarge = true;
        return result;
    }
    data.truncate(got);
    result.data = data;
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = notFound;
        return result;
    }
    if (!info.isFile()) {
        result.error = notRegular;
        return result;
    }
    if (info.size() > maxSize) {
        result.error = tooLarge(maxSize);
        result.tooLarge = true;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = noReadPermission;
        return result;
    }
    result.data = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = readError;
        result.data.clear();
    } else if (result.data.size() > maxSize) {
        result.error = tooLarge(maxSize);
        result.tooLarge = true;
        result.data.clear();
    }
#endif
    return result;
}

QString checkSaveTarget(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0))) return noFolder;
#ifdef Q_OS_UNIX
    // stat() follows a link to its target and never opens anything, so a device is not woken.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : errno == ENOTDIR ? noFolder : noWritePermission;
    if (S_ISDIR(st.st_mode)) return isFolder;
    if (!S_ISREG(st.st_mode)) return notRegular;
#else
    const QFileInfo info(path);
    if (info.isDir()) return isFolder;
    if (info.exists() && !info.isFile()) return notRegular;
#endif
    return {};
}

QString openForWriting(QFile& file, const QString& path) {
    file.close();
    if (const QString why = checkSaveTarget(path); !why.isEmpty()) return why;
#ifdef Q_OS_UNIX
    // Whatever the name stands for by the time it is opened, it is checked on the descriptor
    // before a byte is written or the file is emptied.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == ENXIO) return notRegular; // a pipe nobody reads
        if (error == ENOENT || error == ENOTDIR) return noFolder;
        if (error == EISDIR) return isFolder;
        return noWritePermission;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegular;
    }
    if (::ftruncate(fd, 0) != 0 || !file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                                              QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return noWritePermission;
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return openFailureReason(path);
#endif
    return {};
}

QString writeFile(const QString& path, const QByteArray& data) {
    if (const QString why = checkSaveTarget(path); !why.isEmpty()) return why;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return openFailureReason(path);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return writeError;
    }
    if (!file.commit()) return writeError;
    return {};
}

QString writeFileHead(const QString& path, const QByteArray& data) {
    QByteArray contents = data;
    if (QFileInfo::exists(path)) {
        const ReadResult old = readFile(path);
        if (!old.ok()) return old.error;
        if (old.data.size() > data.size()) contents.append(old.data.mid(data.size()));
    }
    return writeFile(path, contents);
}

} // namespace fileio

#include "station/report.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace station {

namespace {

QString systemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

ReportFile::~ReportFile() {
    if (fd_ >= 0) ::close(fd_);
}

QString ReportFile::open(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("jsonl") && suffix != QLatin1String("csv"))
        return QStringLiteral("Protokoll %1: die Endung muss .jsonl oder .csv sein.").arg(path);
    csv_ = suffix == QLatin1String("csv");
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a named pipe without a reader must not hold the station before it starts.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return QStringLiteral("Protokoll %1 kann nicht geschrieben werden: %2.")
            .arg(path, systemReason());
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("Protokoll %1 ist keine gewöhnliche Datei.").arg(path);
    }
    fd_ = fd;
    if (csv_ && st.st_size == 0) return writeAll(csvHeader());
    return {};
}

QString ReportFile::writeAll(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            return QStringLiteral("Protokoll %1: Schreiben fehlgeschlagen: %2.")
                .arg(path_, systemReason());
        done += n;
    }
    ::fdatasync(fd_);
    return {};
}

QString ReportFile::append(const TerminalRecord& record) {
    if (fd_ < 0) return {};
    return writeAll(csv_ ? toCsvLine(record) : toJsonLine(record));
}

} // namespace station

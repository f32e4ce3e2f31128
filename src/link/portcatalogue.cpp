#include "link/portcatalogue.h"
#include "link/portsearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif
#include <cstring>

QString PortUse::text() const {
    if (!busy()) return QStringLiteral("frei");
    if (program.isEmpty()) return QStringLiteral("in Benutzung (PID %1)").arg(pid);
    return QStringLiteral("in Benutzung durch %1 (PID %2)").arg(program).arg(pid);
}

QString PortCatalogue::resolve(const QString& name, QString* error) const {
    const QString wanted = name.trimmed();
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return QString();
    };
    auto pick = [&](const QList<PortInfo>& matches, const QString& what) {
        if (matches.size() == 1) return matches[0].device;
        if (matches.isEmpty())
            return fail(QStringLiteral("Kein Adapter mit %1 gefunden.").arg(what));
        QStringList devices;
        for (const PortInfo& p : matches)
            devices << p.device;
        return fail(QStringLiteral("%1 ist nicht eindeutig: %2.")
                        .arg(what, devices.join(QStringLiteral(", "))));
    };
    if (wanted.startsWith(QLatin1String("usb:"), Qt::CaseInsensitive)) {
        const QString serial = wanted.mid(4).trimmed();
        if (serial.isEmpty()) return fail(QStringLiteral("Nach \"usb:\" fehlt die Seriennummer."));
        QList<PortInfo> matches;
        for (const PortInfo& p : ports())
            if (!p.serialNumber.isEmpty() &&
                p.serialNumber.compare(serial, Qt::CaseInsensitive) == 0)
                matches << p;
        return pick(matches, QStringLiteral("der Seriennummer \"%1\"").arg(serial));
    }
    if (!wanted.contains(QLatin1Char('/')) && wanted.startsWith(QLatin1String("usb-"))) {
        // A by-id name as `ports` prints it, without its folder.
        QList<PortInfo> matches;
        for (const PortInfo& p : ports())
            if (!p.byId.isEmpty() && QFileInfo(p.byId).fileName() == wanted) matches << p;
        return pick(matches, QStringLiteral("dem Namen \"%1\"").arg(wanted));
    }
    return canonical(wanted);
}

const PortCatalogue& PortCatalogue::system() {
    static const SystemPortCatalogue catalogue;
    return catalogue;
}

// --- this machine

namespace {

const QString kById = QStringLiteral("/dev/serial/by-id");

QHash<QString, QString> byIdLinks() {
    QHash<QString, QString> links; // device -> link
    const QDir dir(kById);
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (link.isSymLink()) links.insert(link.canonicalFilePath(), link.absoluteFilePath());
    return links;
}

#ifdef Q_OS_UNIX
bool alive(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
#endif

} // namespace

QList<PortInfo> SystemPortCatalogue::ports() const {
    const QHash<QString, QString> links = byIdLinks();
    QList<PortInfo> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortInfo p;
        p.device = canonical(info.systemLocation());
        p.byId = links.value(p.device);
        p.description = info.description();
        p.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier()) p.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) p.productId = info.productIdentifier();
        p.serialNumber = info.serialNumber();
        out << p;
    }
    return out;
}

QString SystemPortCatalogue::canonical(const QString& path) const {
    // A relative name ("COM3" on Windows) is the port layer's own, not a file here.
    if (QDir::isRelativePath(path)) return path;
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

QString SystemPortCatalogue::lockName(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

PortUse SystemPortCatalogue::use(const QString& device) const {
    PortUse use;
#ifdef Q_OS_UNIX
    // The folders the port layer and the UUCP tools put their locks in. A lock taken under
    // another name of the same device (its by-id link) counts too.
    static const QStringList folders = {QStringLiteral("/var/lock"),
                                        QStringLiteral("/etc/locks"),
                                        QStringLiteral("/var/spool/locks"),
                                        QStringLiteral("/var/spool/uucp"),
                                        QStringLiteral("/tmp"),
                                        QStringLiteral("/var/tmp"),
                                        QStringLiteral("/var/lock/lockdev"),
                                        QStringLiteral("/run/lock")};
    const QString resolved = canonical(device);
    QStringList names{lockName(resolved)};
    if (device != resolved) names << lockName(device);
    const QString link = byIdLinks().value(resolved);
    if (!link.isEmpty()) names << lockName(link);
    for (const QString& folder : folders) {
        for (const QString& name : names) {
            QFile lock(folder + QLatin1Char('/') + name);
            if (!lock.open(QIODevice::ReadOnly)) continue;
            // Binary locks hold a native int, text locks (QLockFile's and UUCP's) a decimal pid
            // on the first line.
            const QByteArray head = lock.read(64);
            qint64 pid = head.split('\n').value(0).trimmed().toLongLong();
            if (pid == 0 && head.size() == int(sizeof(int))) {
                int binary = 0;
                std::memcpy(&binary, head.constData(), sizeof binary);
                pid = binary;
            }
            if (!alive(pid)) continue; // stale: its process has gone
            use.pid = pid;
            use.lockFile = lock.fileName();
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            if (comm.open(QIODevice::ReadOnly))
                use.program = QString::fromLocal8Bit(comm.read(256)).trimmed();
            return use;
        }
    }
#else
    Q_UNUSED(device);
#endif
    return use;
}

// --- a table

QString FakePortCatalogue::canonical(const QString& path) const {
    if (links.contains(path)) return links.value(path);
    for (const PortInfo& p : table)
        if (!p.byId.isEmpty() && p.byId == path) return p.device;
    return path;
}

QString scanRowText(const ScanRow& row) {
    if (row.use.busy())
        return QStringLiteral("%1: übersprungen, %2").arg(row.device, row.use.text());
    if (!row.error.isEmpty())
        return row.error.startsWith(row.device + QLatin1Char(':'))
                   ? row.error
                   : QStringLiteral("%1: %2").arg(row.device, row.error);
    if (!row.found) return QStringLiteral("%1: kein Pultino gefunden").arg(row.device);
    QString text = QStringLiteral("%1: Pultino mit %2, Firmware %3")
                       .arg(row.device, row.found->settings, row.found->firmware);
    text += row.found->eeprom.isEmpty()
                ? QStringLiteral(", EEPROM-Information: keine Antwort")
                : QStringLiteral(", ") + row.found->eeprom.join(QStringLiteral(", "));
    return text;
}

QString searchHint() {
    return QStringLiteral("Ist das Pultino auf eine andere Baudrate eingestellt oder an einer "
                          "anderen Schnittstelle, findet es \"Pultino suchen\" unter \"COM "
                          "Einstellungen\" oder zeptal32-cli scan.");
}

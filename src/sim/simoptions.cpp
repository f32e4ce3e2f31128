#include "sim/simoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

struct Parser {
    QCommandLineParser p;
    QCommandLineOption display{
        QStringLiteral("display-type"),
        QStringLiteral("Display type, e.g. 20x4, 16x2 or 8x2 (default 20x4)."),
        QStringLiteral("type")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("Own bus address 0..15 (default 0)."),
                               QStringLiteral("n")};
    QCommandLineOption capacity{QStringLiteral("eeprom-capacity"),
                                QStringLiteral("Fixed-text EEPROM size in bytes (default 32768)."),
                                QStringLiteral("bytes")};
    QCommandLineOption versionReply{QStringLiteral("version-reply"),
                                    QStringLiteral("Answer to the version query (default 1.80B)."),
                                    QStringLiteral("text")};
    QCommandLineOption noEchoAfter{
        QStringLiteral("no-echo-after"),
        QStringLiteral("Fault: echo only the first n bytes of a transfer."), QStringLiteral("n")};
    QCommandLineOption wrongEchoAt{QStringLiteral("wrong-echo-at"),
                                   QStringLiteral("Fault: echo byte n of a transfer inverted."),
                                   QStringLiteral("n")};
    QCommandLineOption faultyTransfers{
        QStringLiteral("faulty-transfers"),
        QStringLiteral("The echo faults hit only the first n transfers (default: every one)."),
        QStringLiteral("n")};
    QCommandLineOption silentVersion{QStringLiteral("silent-version"),
                                     QStringLiteral("Fault: no answer to the version query.")};
    QCommandLineOption silentEeprom{QStringLiteral("silent-eeprom"),
                                    QStringLiteral("Fault: no answer to the EEPROM query.")};
    QCommandLineOption oldFirmware{QStringLiteral("old-firmware"),
                                   QStringLiteral("Fault: no answer to either query.")};
    QCommandLineOption shortVersion{
        QStringLiteral("short-version"),
        QStringLiteral("Fault: the version query is answered with \"B\" only.")};
    QCommandLineOption noise{QStringLiteral("noise"),
                             QStringLiteral("Fault: bytes (hex) sent after every reply and echo."),
                             QStringLiteral("hex")};
    QCommandLineOption lineRate{
        QStringLiteral("line-rate"),
        QStringLiteral("Every byte takes 11 bit times at the stored speed.")};
    QCommandLineOption strictSpeed{
        QStringLiteral("strict-speed"),
        QStringLiteral("Bytes sent at another speed than the stored one are lost.")};
    QCommandLineOption headless{QStringLiteral("headless"), QStringLiteral("No window.")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("Save the window as PNG when the simulator ends."),
                                  QStringLiteral("file")};

    // Not "--display": Qt's own -display option (the X server) would take it first.
    Parser() {
        p.setApplicationDescription(QStringLiteral(
            "Simulated Pultino terminal on a pseudo-terminal. The first line printed is the "
            "device to open."));
        p.addHelpOption();
        p.addOptions({display, address, capacity, versionReply, noEchoAfter, wrongEchoAt,
                      faultyTransfers, silentVersion, silentEeprom, oldFirmware, shortVersion,
                      noise, lineRate, strictSpeed, headless, screenshot});
    }
};

bool readInt(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < min || v > max) return false;
    *out = v;
    return true;
}

} // namespace

std::optional<QByteArray> parseHexBytes(const QString& text) {
    QByteArray out;
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    for (QString piece : text.split(separators, Qt::SkipEmptyParts)) {
        if (piece.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) piece = piece.mid(2);
        if (piece.isEmpty() || piece.size() % 2 != 0) return std::nullopt;
        for (int i = 0; i < piece.size(); i += 2) {
            bool ok = false;
            const int v = piece.mid(i, 2).toInt(&ok, 16);
            if (!ok) return std::nullopt;
            out.append(static_cast<char>(v));
        }
    }
    return out;
}

QString simulatorHelpText() {
    // Asked before an application object exists, the parser cannot know the program's name.
    return Parser().p.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("pultino-sim"));
}

bool parseSimulatorArguments(const QStringList& args, SimulatorCommandLine* out, QString* error) {
    Parser ps;
    auto& p = ps.p;
    auto failWith = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (!p.parse(args)) return failWith(p.errorText());
    if (!p.positionalArguments().isEmpty())
        return failWith(QStringLiteral("Unexpected argument: %1").arg(p.positionalArguments()[0]));
    SimulatorCommandLine r;
    TerminalOptions& t = r.terminal;

    if (p.isSet(ps.display)) {
        const QString wanted = p.value(ps.display).trimmed();
        bool found = false;
        for (const auto& type : kDisplayTypes) {
            if (QString::fromLatin1(type.text).trimmed() == wanted) {
                t.columns = type.columns;
                t.rows = type.rows;
                found = true;
            }
        }
        if (!found) return failWith(QStringLiteral("Unknown display type: %1").arg(wanted));
    }
    if (p.isSet(ps.address) && !readInt(p.value(ps.address), 0, 15, &t.busAddress))
        return failWith(QStringLiteral("Bus address must be 0..15."));
    if (p.isSet(ps.capacity) &&
        !readInt(p.value(ps.capacity), 0, 16 * 1024 * 1024, &t.eepromCapacity))
        return failWith(QStringLiteral("EEPROM capacity must be a number of bytes."));
    if (p.isSet(ps.versionReply)) t.versionReply = p.value(ps.versionReply).toLatin1();
    if (p.isSet(ps.noEchoAfter) && !readInt(p.value(ps.noEchoAfter), 0, 1 << 30, &t.noEchoAfter))
        return failWith(QStringLiteral("--no-echo-after needs a count of bytes."));
    if (p.isSet(ps.wrongEchoAt) && !readInt(p.value(ps.wrongEchoAt), 1, 1 << 30, &t.wrongEchoAt))
        return failWith(QStringLiteral("--wrong-echo-at needs a byte number from 1."));
    if (p.isSet(ps.faultyTransfers) &&
        !readInt(p.value(ps.faultyTransfers), 0, 1 << 30, &t.faultyTransfers))
        return failWith(QStringLiteral("--faulty-transfers needs a count of transfers."));
    t.silentVersion = p.isSet(ps.silentVersion) || p.isSet(ps.oldFirmware);
    t.silentEeprom = p.isSet(ps.silentEeprom) || p.isSet(ps.oldFirmware);
    t.shortVersionReply = p.isSet(ps.shortVersion);
    if (p.isSet(ps.noise)) {
        const auto bytes = parseHexBytes(p.value(ps.noise));
        if (!bytes || bytes->isEmpty())
            return failWith(QStringLiteral("--noise needs bytes in hex, e.g. FF or 00,FF."));
        t.noise = *bytes;
    }
    t.lineRate = p.isSet(ps.lineRate);
    t.strictSpeed = p.isSet(ps.strictSpeed);
    r.headless = p.isSet(ps.headless);
    r.screenshot = p.value(ps.screenshot);
    *out = r;
    return true;
}

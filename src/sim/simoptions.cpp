#include "sim/simoptions.h"

#include "core/numbers.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

struct Parser {
    QCommandLineParser p;
    QCommandLineOption display{
        QStringLiteral("display-type"),
        QStringLiteral("Display-Typ, z. B. 20x4, 16x2 oder 8x2 (Vorgabe 20x4)."),
        QStringLiteral("typ")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("Eigene Bus-Adresse 0..15 (Vorgabe 0)."),
                               QStringLiteral("n")};
    QCommandLineOption capacity{
        QStringLiteral("eeprom-capacity"),
        QStringLiteral("Größe des Festtext-EEPROMs in Bytes (Vorgabe 32768)."),
        QStringLiteral("bytes")};
    QCommandLineOption versionReply{
        QStringLiteral("version-reply"),
        QStringLiteral("Antwort auf die Versionsabfrage (Vorgabe 1.80B)."), QStringLiteral("text")};
    QCommandLineOption noEchoAfter{
        QStringLiteral("no-echo-after"),
        QStringLiteral("Fehler: nur die ersten n Bytes einer Übertragung als Echo zurück."),
        QStringLiteral("n")};
    QCommandLineOption wrongEchoAt{
        QStringLiteral("wrong-echo-at"),
        QStringLiteral("Fehler: Byte n einer Übertragung invertiert als Echo."),
        QStringLiteral("n")};
    QCommandLineOption faultyTransfers{
        QStringLiteral("faulty-transfers"),
        QStringLiteral("Die Echo-Fehler treffen nur die ersten n Übertragungen (sonst jede)."),
        QStringLiteral("n")};
    QCommandLineOption silentVersion{
        QStringLiteral("silent-version"),
        QStringLiteral("Fehler: keine Antwort auf die Versionsabfrage.")};
    QCommandLineOption silentEeprom{
        QStringLiteral("silent-eeprom"),
        QStringLiteral("Fehler: keine Antwort auf die EEPROM-Abfrage.")};
    QCommandLineOption oldFirmware{QStringLiteral("old-firmware"),
                                   QStringLiteral("Fehler: keine Antwort auf beide Abfragen.")};
    QCommandLineOption shortVersion{
        QStringLiteral("short-version"),
        QStringLiteral("Fehler: die Versionsabfrage wird nur mit \"B\" beantwortet.")};
    QCommandLineOption noise{
        QStringLiteral("noise"),
        QStringLiteral("Fehler: Bytes (hex) nach jeder Antwort und jedem Echo."),
        QStringLiteral("hex")};
    QCommandLineOption lineRate{
        QStringLiteral("line-rate"),
        QStringLiteral("Jedes Byte braucht 11 Bitzeiten der gespeicherten Baudrate.")};
    QCommandLineOption strictSpeed{
        QStringLiteral("strict-speed"),
        QStringLiteral("Bytes mit einer anderen als der gespeicherten Baudrate gehen verloren "
                       "(die Baudrate, die das Programm am Pseudo-Terminal eingestellt hat, wird "
                       "aus dessen Leitungseinstellungen gelesen).")};
    QCommandLineOption speed{QStringLiteral("speed"),
                             QStringLiteral("Beim Einschalten gespeicherte Baudrate: 9600, "
                                            "4800, 2400 oder 1200 (ohne Angabe 9600)."),
                             QStringLiteral("baud")};
    QCommandLineOption headless{QStringLiteral("headless"), QStringLiteral("Ohne Fenster.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Diese Hilfe.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Name und Version ausgeben.")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("Das Fenster beim Beenden als PNG speichern."),
                                  QStringLiteral("datei")};

    // Not "--display": Qt's own -display option (the X server) would take it first.
    Parser() {
        p.setApplicationDescription(QStringLiteral(
            "Simuliertes Pultino an einem Pseudo-Terminal. Die erste ausgegebene Zeile ist das "
            "Gerät, das zu öffnen ist."));
        p.addOption(help);
        p.addOption(version);
        p.addOptions({display, address, capacity, versionReply, noEchoAfter, wrongEchoAt,
                      faultyTransfers, silentVersion, silentEeprom, oldFirmware, shortVersion,
                      noise, lineRate, strictSpeed, speed, headless, screenshot});
    }
};

bool readInt(const QString& text, int min, int max, int* out) {
    const auto v = parseWholeNumber(text, min, max);
    if (v) *out = *v;
    return v.has_value();
}

// The parser's own complaints are English unless the toolkit's German catalogue is installed.
QString germanParseError(const QCommandLineParser& p) {
    if (!p.unknownOptionNames().isEmpty())
        return QStringLiteral("Unbekannte Option \"%1\".").arg(p.unknownOptionNames().first());
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    const QString text = p.errorText();
    const QString option = quoted.match(text).captured(1);
    if (text.startsWith(QLatin1String("Missing value")))
        return QStringLiteral("Die Option \"%1\" braucht einen Wert.").arg(option);
    if (text.startsWith(QLatin1String("Unexpected value")))
        return QStringLiteral("Die Option \"%1\" nimmt keinen Wert.").arg(option);
    return text;
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
    return Parser()
        .p.helpText()
        .replace(QStringLiteral("<executable_name>"), QStringLiteral("pultino-sim"))
        .replace(QStringLiteral("Usage:"), QStringLiteral("Aufruf:"))
        .replace(QStringLiteral("[options]"), QStringLiteral("[Optionen]"))
        .replace(QStringLiteral("Options:"), QStringLiteral("Optionen:"));
}

bool parseSimulatorArguments(const QStringList& args, SimulatorCommandLine* out, QString* error) {
    Parser ps;
    auto& p = ps.p;
    auto failWith = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (!p.parse(args)) return failWith(germanParseError(p));
    if (!p.positionalArguments().isEmpty())
        return failWith(
            QStringLiteral("Unerwartetes Argument \"%1\".").arg(p.positionalArguments()[0]));
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
        if (!found) return failWith(QStringLiteral("Unbekannter Display-Typ \"%1\".").arg(wanted));
    }
    if (p.isSet(ps.address) && !readInt(p.value(ps.address), 0, 15, &t.busAddress))
        return failWith(QStringLiteral("Die Bus-Adresse muss 0..15 sein."));
    if (p.isSet(ps.capacity) &&
        !readInt(p.value(ps.capacity), 0, 16 * 1024 * 1024, &t.eepromCapacity))
        return failWith(QStringLiteral("Die EEPROM-Größe muss eine Anzahl Bytes sein."));
    if (p.isSet(ps.versionReply)) t.versionReply = p.value(ps.versionReply).toLatin1();
    if (p.isSet(ps.noEchoAfter) && !readInt(p.value(ps.noEchoAfter), 0, 1 << 30, &t.noEchoAfter))
        return failWith(QStringLiteral("--no-echo-after braucht eine Anzahl Bytes."));
    if (p.isSet(ps.wrongEchoAt) && !readInt(p.value(ps.wrongEchoAt), 1, 1 << 30, &t.wrongEchoAt))
        return failWith(QStringLiteral("--wrong-echo-at braucht eine Bytenummer ab 1."));
    if (p.isSet(ps.faultyTransfers) &&
        !readInt(p.value(ps.faultyTransfers), 0, 1 << 30, &t.faultyTransfers))
        return failWith(QStringLiteral("--faulty-transfers braucht eine Anzahl Übertragungen."));
    t.silentVersion = p.isSet(ps.silentVersion) || p.isSet(ps.oldFirmware);
    t.silentEeprom = p.isSet(ps.silentEeprom) || p.isSet(ps.oldFirmware);
    t.shortVersionReply = p.isSet(ps.shortVersion);
    if (p.isSet(ps.noise)) {
        const auto bytes = parseHexBytes(p.value(ps.noise));
        if (!bytes || bytes->isEmpty())
            return failWith(QStringLiteral("--noise braucht Bytes in Hex, z. B. FF oder 00,FF."));
        t.noise = *bytes;
    }
    t.lineRate = p.isSet(ps.lineRate);
    t.strictSpeed = p.isSet(ps.strictSpeed);
    if (p.isSet(ps.speed)) {
        const int code =
            int(QList<int>{9600, 4800, 2400, 1200}.indexOf(p.value(ps.speed).trimmed().toInt()));
        if (code < 0)
            return failWith(QStringLiteral("--speed braucht 9600, 4800, 2400 oder 1200."));
        t.speedCode = code;
    }
    r.headless = p.isSet(ps.headless);
    r.screenshot = p.value(ps.screenshot);
    *out = r;
    return true;
}

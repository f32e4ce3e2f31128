#include "control/controllogic.h"

#include "core/commands.h"
#include "core/dialogs.h"
#include "core/win1252.h"
#include "link/serialport.h"

#include <utility>

namespace control {
namespace {

const QChar kCr(13);

// The terminal takes a command and its parameter byte as separate writes.
std::pair<QByteArray, QByteArray> splitParameter(const QByteArray& command) {
    return {command.chopped(1), command.right(1)};
}

QString twoCauses(const QString& what, const QString& version) {
    return QStringLiteral("Das Pultino hat auf die ") + what + QStringLiteral(" nicht reagiert.") +
           kCr + QStringLiteral("Dafür gibt es zwei mögliche Ursachen:") + kCr +
           QStringLiteral("(A) Die Firmware-Version ist ") + version +
           QStringLiteral(" oder älter.") + kCr +
           QStringLiteral("(B) Es ist kein Pultino angeschlossen");
}

} // namespace

QByteArray cursorSetBytes(int row, int col) {
    if (col <= 10) return cmd::cursorPosition(row, col);
    QByteArray bytes = cmd::cursorPosition(row, col / 10);
    bytes.insert(bytes.size() - 1, cmd::byte(col % 10));
    return bytes;
}

QList<QByteArray> textOutputWrites(const QStringList& fields, int rows) {
    QList<QByteArray> writes{cmd::clearDisplay()};
    for (int i = 0; i < rows && i < fields.size(); ++i) {
        if (fields[i].isEmpty()) continue;
        writes.append(cmd::cursorPosition(i, 0));
        writes.append(win1252::encode(fields[i]));
    }
    return writes;
}

QByteArray busAddressCommand(int selectedIndex) {
    if (selectedIndex <= 0) return cmd::selectAllTerminals();
    return cmd::selectTerminal(selectedIndex - 1);
}

std::optional<QString> versionFromReply(const QByteArray& reply) {
    const QString text = win1252::decode(reply);
    if (text.size() < 4) return std::nullopt;
    return text.left(4);
}

QString eepromLine(int number, const QString& group) {
    QString state;
    if (group == QLatin1String("00000000"))
        state = QStringLiteral("NICHT vorhanden oder defekt");
    else if (group == QLatin1String("11111111"))
        state = QStringLiteral("Vorhanden");
    else
        state = QStringLiteral("Fehlerhaft");
    return QStringLiteral("EEPROM Nr. %1: ").arg(number) + state;
}

std::optional<QStringList> eepromLinesFromReply(const QByteArray& reply) {
    const QString text = win1252::decode(reply);
    if (text.size() < 26) return std::nullopt;
    // The first character is the terminal's own; then one group of eight per EEPROM.
    QStringList lines;
    for (int n = 0; n < 3; ++n)
        lines.append(eepromLine(n + 1, text.mid(1 + 8 * n, 8)));
    return lines;
}

Message versionMessage(const QByteArray& reply) {
    if (const auto version = versionFromReply(reply))
        return {QStringLiteral("Die Firmware-Version ist ") + *version + QStringLiteral("."),
                kAppTitle};
    return {twoCauses(QStringLiteral("Versionsabfrage"), QStringLiteral("1.5")),
            QStringLiteral("Version")};
}

Message eepromMessage(const QByteArray& reply) {
    const QString title = QStringLiteral("EEPROM-Information");
    const auto lines = eepromLinesFromReply(reply);
    if (!lines)
        return {twoCauses(QStringLiteral("EEPROM-Informationsabfrage"), QStringLiteral("1.6")),
                title};
    QString text;
    for (const QString& line : *lines)
        text += line + kCr;
    return {text, title};
}

bool storeSpeedAtAllRates(SerialPort& port, const QStringList& speedItems, int speedCode,
                          const QString& shownText) {
    const QString remembered = port.settings();
    const auto [storeSpeed, code] = splitParameter(cmd::storeSpeed(speedCode));

    bool lost = false;
    const auto watch = QObject::connect(&port, &SerialPort::lost, &port, [&lost] { lost = true; });
    for (const QString& item : speedItems) {
        // Refusals are passed over: the terminal may still hear one of the other speeds.
        port.close();
        port.setSettings(item);
        port.open();
        port.write(storeSpeed);
        port.write(code);
        port.write(cmd::clearDisplay());
        if (lost) break;
    }
    QObject::disconnect(watch);

    const bool reachable = !lost && port.isOpen();
    port.close();
    port.setSettings(remembered);
    if (!reachable || !port.open()) return false;
    port.write(cmd::clearDisplay());
    port.write(win1252::encode(shownText));
    return true;
}

QList<QByteArray> storeDisplayTypeWrites(int displayCode, const QString& itemText) {
    const auto [storeType, code] = splitParameter(cmd::storeDisplayType(displayCode));
    return {storeType, code, cmd::clearDisplay(),
            win1252::encode(itemText + QStringLiteral(" Display"))};
}

} // namespace control

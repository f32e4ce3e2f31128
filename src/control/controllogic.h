#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class SerialPort;

// Rules of the terminal-control commands that need no widget: the bytes each button sends and
// how the terminal's replies are read.
namespace control {

// "Cursor setzen": a zero-based column above 10 leaves as two bytes, tens then units; every
// other column (10 included) as one byte.
QByteArray cursorSetBytes(int row, int col);

// The writes of "Text Senden": clear, then for every visible row whose field is not empty the
// cursor at the row's start and the row's text, as separate writes.
QList<QByteArray> textOutputWrites(const QStringList& fields, int rows);

// Select all terminals for "alle" (index 0) or nothing selected, else terminal index - 1.
QByteArray busAddressCommand(int selectedIndex);

// The first four characters of the version reply; nullopt when it is shorter than that.
std::optional<QString> versionFromReply(const QByteArray& reply);

// The three EEPROM lines of the reply; nullopt when it is shorter than 26 characters.
std::optional<QStringList> eepromLinesFromReply(const QByteArray& reply);
QString eepromLine(int number, const QString& group);

// A message box text and its caption.
struct Message {
    QString text;
    QString title;
};
Message versionMessage(const QByteArray& reply);
Message eepromMessage(const QByteArray& reply);

inline const QString kReopenFailed =
    QStringLiteral("COM Port konnte nicht wieder geöffnet werden.");

// Sends the store-speed command at every speed in `speedItems` in turn, so that the terminal
// hears it whatever speed it listens at, then goes back to the port's previous settings and shows
// `shownText` on the display. Returns false when the port could not be opened again; the port is
// then closed with its previous settings. A port that vanishes during the round is not opened
// again: the device behind its name may no longer be the terminal.
bool storeSpeedAtAllRates(SerialPort& port, const QStringList& speedItems, int speedCode,
                          const QString& shownText);

// The writes of "Pultino für .. Display konfigurieren".
QList<QByteArray> storeDisplayTypeWrites(int displayCode, const QString& itemText);

} // namespace control

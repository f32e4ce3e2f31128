#include "testmode/testsequence.h"

#include "core/commands.h"
#include "core/displaytypes.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/fixedtextops.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/serialport.h"

namespace testmode {
namespace {

using Status = OpResult::Status;

const QString kOk = QStringLiteral("OK");
const QString kCancelled = QStringLiteral("abgebrochen");
const QString kKeyTableFailed = QStringLiteral("FEHLER BEIM SPEICHERN DER UMKODIERTABELLE");
const QString kFixedTextsFailed = QStringLiteral("FEHLER BEIM SPEICHERN DER FESTTEXTE");

const QString kLinkFailed =
    QStringLiteral("Verbindungs- oder EEPROM-Fehler: Bitte prüfen:\r"
                   "Ist das Programm richtig konfiguriert? (COM-Port Einstellungen)\r"
                   "Ist das PT/BX richtig angeschlossen? (COM-Port / RS232-Kabel)\r"
                   "Ist der Startup-Bildschirm auf dem PT/BX und blinkt der Cursor?");

constexpr char kDemoCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

bool aborted() {
    return LinkFlags::instance().abortRequested();
}

// A time-out of `base` ms, shown or silent.
qint16 timeOutOf(const CommandExchange& exchange, int base, bool showMsgs) {
    return static_cast<qint16>(base * exchange.timeOutFactor() * (showMsgs ? 1 : -1));
}

StepResult cut(Status end) {
    return {kCancelled, true, end};
}

// The step title: "Test n:" and the name on the next row.
QByteArray title(int step, const char* name) {
    return "Test " + QByteArray::number(step) + ":\r" + name;
}

} // namespace

QString rowName(int row) {
    static const char* const names[kTestCount] = {"Schnittstellentest",
                                                  "Displaygeometrie",
                                                  "Tastatur-Test",
                                                  "Festtextprogrammierung",
                                                  "Festtext-Test",
                                                  "Tastaturbelegung",
                                                  "---"};
    return row >= 0 && row < kTestCount ? QString::fromUtf8(names[row]) : QString();
}

std::optional<int> geometryCode(int columns, int rows) {
    // 8x2 shares its code with 16x1 in the display list; the terminal cannot be set up for it.
    if (columns == 8) return std::nullopt;
    for (const DisplayType& t : kDisplayTypes)
        if (t.columns == columns && t.rows == rows) return t.code;
    return std::nullopt;
}

QByteArray numberedTextsImage() {
    QByteArray image;
    for (int n = 0; n < kFixedTextCount; ++n)
        image += QByteArray::number(n).rightJustified(3, '0') + '\0';
    return image + '\0';
}

QByteArray demoText(int columns, int rows) {
    const QByteArray row = QByteArray(kDemoCharacters).left(qMax(columns, 0));
    return cmd::clearDisplay() + row.repeated(qMax(rows, 0)) + cmd::cursorOn() +
           cmd::cursorPosition(0, 0);
}

QStringList demoPicture(int columns, int rows) {
    const QString row = QString::fromLatin1(kDemoCharacters).left(qMax(columns, 0));
    QStringList lines;
    for (int r = 0; r < rows; ++r)
        lines.append(row);
    return lines;
}

QByteArray endOfRunText(int columns, int rows) {
    return QByteArray(16, ' ') + cmd::clearDisplay() + QByteArray::number(columns) + 'x' +
           QByteArray::number(rows) + '\r' + "Test-Ende";
}

QString missingKeysText(const std::array<bool, 4>& arrived) {
    QString text;
    for (int k = 0; k < 4; ++k)
        if (!arrived[k]) text += QStringLiteral("F%1 ").arg(k + 1);
    return text;
}

StepResult linkTest(CommandExchange& exchange, bool showMsgs, TestPerson& person) {
    const qint16 timeOut = timeOutOf(exchange, 100, showMsgs);
    for (;;) {
        exchange.beginEchoTransfer(cmd::clearDisplay() + cmd::linkTestPrelude() +
                                   title(1, "Schnittstelle") + cmd::loadKeyTable());
        // 31 dots and a star fill the 32 bytes of the key table; the star's echo decides.
        for (int i = 1; i <= 31; ++i) {
            exchange.sendAndExpectEcho('.', timeOut);
            if (exchange.lastEnd() == CommandExchange::WaitEnd::PortLost)
                return cut(Status::PortLost);
        }
        if (exchange.sendAndExpectEcho('*', timeOut)) return {};
        switch (exchange.lastEnd()) {
        case CommandExchange::WaitEnd::PortLost:
            return cut(Status::PortLost);
        case CommandExchange::WaitEnd::Aborted:
            return cut(Status::Aborted);
        default:
            break;
        }
        if (!person.retryLinkTest(kLinkFailed)) {
            LinkFlags::instance().setAbortRequested(true);
            return cut(Status::Aborted);
        }
    }
}

StepResult loadStandardKeyTable(CommandExchange& exchange, bool showMsgs) {
    exchange.beginEchoTransfer(cmd::clearDisplay() + title(2, "Umkodiertabelle") +
                               cmd::loadKeyTable());
    const qint16 timeOut = timeOutOf(exchange, 500, showMsgs);
    StepResult result;
    // A byte without echo does not stop the table: the terminal still counts 32 bytes.
    for (const char b : cmd::standardKeyTable()) {
        if (exchange.sendAndExpectEcho(b, timeOut)) continue;
        if (exchange.lastEnd() == CommandExchange::WaitEnd::PortLost) return cut(Status::PortLost);
        result = {kKeyTableFailed, false, aborted() ? Status::Aborted : Status::TerminalFailed};
    }
    return result;
}

StepResult setDisplayGeometry(CommandExchange& exchange, const TestSetup& setup,
                              TestPerson& person) {
    SerialPort& port = exchange.port();
    port.write(cmd::clearDisplay() + title(3, "Aufloesung"));
    if (const auto code = geometryCode(setup.columns, setup.rows)) {
        port.write(cmd::storeDisplayType(*code));
        return {};
    }
    port.write(cmd::storeDisplayType(2));
    person.geometryNotSupported(QStringLiteral("Auflösung %1x%2 wird nicht unterstützt!\r"
                                               "PT wurde auf 16x4 eingestellt!")
                                    .arg(setup.columns)
                                    .arg(setup.rows));
    return {};
}

StepResult storeNumberedTexts(CommandExchange& exchange, bool showMsgs) {
    SerialPort& port = exchange.port();
    exchange.beginEchoTransfer(cmd::clearDisplay() + "Test 4:Speichere" + "Festtext " +
                               cmd::beginFixedTexts());
    const qint16 timeOut = timeOutOf(exchange, 1000, showMsgs);
    // The terminal echoes the 0 behind each text like any byte of the image; its echo is taken,
    // or it would stand before the next digit's echo. The final 0 gets none.
    const QByteArray image = numberedTextsImage();
    for (qsizetype i = 0; i + 1 < image.size(); ++i) {
        if (exchange.sendAndExpectEcho(image[i], timeOut)) continue;
        const auto end = exchange.lastEnd();
        // Two terminators end the terminal's storing wherever it stood; with only one, a text
        // cut in the middle would leave the terminal storing the next commands.
        port.write(QByteArray(2, '\0'));
        if (end == CommandExchange::WaitEnd::PortLost) return cut(Status::PortLost);
        return {kFixedTextsFailed, false,
                end == CommandExchange::WaitEnd::Aborted ? Status::Aborted
                                                         : Status::TerminalFailed};
    }
    port.write(cmd::byte(0));
    return {};
}

StepResult checkNumberedTexts(CommandExchange& exchange) {
    // The terminal is given the time to finish writing its EEPROM, as after any programming.
    exchange.pause(500);
    const FixedTextReadBack back = readFixedTextImage(exchange);
    if (!back.result.ok()) {
        if (back.result.status != Status::TerminalFailed) return cut(back.result.status);
        return {QStringLiteral("FEHLER BEIM LESEN DER FESTTEXTE"), false, Status::TerminalFailed};
    }
    // Whatever follows the closing 0, 0 in the last chunk is not part of the image.
    const QByteArray reply = back.reply.left(back.reply.indexOf(QByteArray(2, '\0')) + 2);
    if (const auto at = firstDifference(reply, numberedTextsImage()))
        return {QStringLiteral("FEHLER IN DEN FESTTEXTEN AN OFFSETADRESSE %1").arg(*at), false,
                Status::TerminalFailed};
    return {};
}

StepResult testFunction(CommandExchange& exchange, int index, bool showMsgs, const TestSetup& setup,
                        TestPerson& person) {
    if (aborted()) return cut(Status::Aborted);
    switch (index) {
    case 0:
        return linkTest(exchange, showMsgs, person);
    case 1:
        return loadStandardKeyTable(exchange, showMsgs);
    case 2:
        return setDisplayGeometry(exchange, setup, person);
    case 3:
        return storeNumberedTexts(exchange, showMsgs);
    default:
        return {};
    }
}

StepResult runRow(CommandExchange& exchange, int row, const TestSetup& setup, TestPerson& person) {
    if (aborted()) return cut(Status::Aborted);
    StepResult r;
    switch (static_cast<Row>(row)) {
    case Row::Link:
        return testFunction(exchange, 0, false, setup, person);
    case Row::Geometry: {
        r = testFunction(exchange, 2, false, setup, person);
        if (!r.good || r.end != Status::Done || aborted()) return r;
        // Setting the geometry only writes: a port lost meanwhile shows here.
        if (!exchange.port().isOpen()) return cut(Status::PortLost);
        exchange.port().write(demoText(setup.columns, setup.rows));
        const auto looksRight = person.checkDisplay(setup.columns, setup.rows);
        if (!looksRight) return {QStringLiteral("OK, ohne Sichtprüfung")};
        if (!*looksRight) return {QStringLiteral("DISPLAY ZEIGT NICHT DAS TESTBILD"), false};
        return {};
    }
    case Row::Keyboard: {
        // The link test left its dots in the key table: F1 to F4 send "1" to "4" only with
        // the standard table.
        r = testFunction(exchange, 1, false, setup, person);
        if (!r.good || r.end != Status::Done || aborted()) return r;
        const auto missing = person.checkKeyboard();
        if (!missing) return {QStringLiteral("OK, ohne Tastenprüfung")};
        if (!missing->isEmpty())
            return {QStringLiteral("TASTEN FEHLEN: ") + missing->trimmed(), false};
        return {};
    }
    case Row::FixedTexts:
        return testFunction(exchange, 3, false, setup, person);
    case Row::FixedTextCheck:
        return checkNumberedTexts(exchange);
    case Row::KeyTable:
        return testFunction(exchange, 1, false, setup, person);
    case Row::Spare:
        return {};
    }
    return {};
}

bool RunResult::allPassed() const {
    for (const RowState s : rows)
        if (s != RowState::Passed) return false;
    return true;
}

RunResult runTests(CommandExchange& exchange, const TestSetup& setup, TestPerson& person,
                   const RowCallback& onRow) {
    auto& flags = LinkFlags::instance();
    SerialPort& port = exchange.port();
    RunResult run;
    auto show = [&](int row, RowState state, const QString& text) {
        run.rows[row] = state;
        if (onRow) onRow(row, state, text);
    };
    for (int i = 0; i < kTestCount; ++i)
        show(i, RowState::Neutral, QString());
    for (int i = 0; i < kTestCount; ++i) {
        if (flags.abortRequested() || run.portLost) {
            show(i, RowState::Cancelled, kCancelled);
            continue;
        }
        show(i, RowState::Running, QStringLiteral("Test läuft"));
        const StepResult r = runRow(exchange, i, setup, person);
        // Steps that only write learn of a lost port from the port itself.
        if (r.end == Status::PortLost || !port.isOpen()) run.portLost = true;
        if (flags.abortRequested() || run.portLost)
            show(i, RowState::Cancelled, kCancelled);
        else
            show(i, r.good ? RowState::Passed : RowState::Failed, r.text);
    }
    if (!run.portLost) port.write(endOfRunText(setup.columns, setup.rows));
    return run;
}

} // namespace testmode

#pragma once

#include "core/displaytypes.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <array>
#include <optional>

// How the simulated Pultino is built and which faults it shows. The transports read the
// line-level switches (lineRate, strictSpeed); everything else is the engine's.
struct TerminalOptions {
    // Physical display; a stored display type (ESC "&S") changes it later.
    int columns = 20;
    int rows = 4;
    // Own address on the bus, 0..15.
    int busAddress = 0;
    // Fixed-text EEPROM size in bytes; image bytes beyond it are neither stored nor echoed.
    // The default holds a full image of 128 texts on the largest display (40 x 4).
    int eepromCapacity = 32768;
    // What ESC "&V" answers: the first four characters are the version, "B" ends the reply.
    QByteArray versionReply = "1.80B";
    // What ESC "&E" answers: one character, EEPROMs 1..3 as eight "0"/"1" each, then ";".
    QByteArray eepromReply = "E111111110000000000000000;";
    // Power-on values of what the terminal keeps.
    int speedCode = 0; // 9600 baud
    int keyboardMode = 2;
    // What ESC "W" answers before anything was stored: an image with one empty text.
    QByteArray initialImage = QByteArray(2, '\0');

    // Faults. Echo counts restart with every echo transfer (ESC "R", ESC "&u", ESC "&L").
    int noEchoAfter = -1;       // bytes after the Nth of a transfer get no echo; -1 = off
    int wrongEchoAt = 0;        // the Nth byte (1-based) of a transfer is echoed inverted; 0 = off
    int faultyTransfers = -1;   // the echo faults hit only the first n transfers; -1 = every one
    bool silentVersion = false; // no answer to ESC "&V" (firmware 1.5 or older)
    bool silentEeprom = false;  // no answer to ESC "&E" (firmware 1.6 or older)
    bool shortVersionReply = false; // ESC "&V" answers only "B"
    QByteArray noise{};             // sent after every reply and every echo
    bool lineRate = false;          // each byte takes 11 bit times at the stored speed, both ways
    bool strictSpeed = false;       // bytes sent at another speed than the stored one are lost
    // An ESC inside a transfer after which the line stays quiet this long was no data byte but
    // the program (or the operator) breaking off: it ends the transfer and begins a command.
    int loneEscMs = 2000;
};

// One of the eight CG-RAM places: the character code it replaces (-1: none) and its pixel
// rows, bit 4 = leftmost pixel.
struct CgramPlace {
    int code = -1;
    std::array<quint8, 8> rows{};
};

// A copy of everything the terminal keeps; cheap enough to hand across threads.
struct TerminalState {
    int columns = 20;
    int rows = 4;
    QList<QByteArray> lines; // `rows` lines of `columns` character codes
    int cursorRow = 0;
    int cursorColumn = 0;
    bool cursorOn = false;
    std::array<CgramPlace, 8> cgram;
    QByteArray keyTable; // 32 codes, key k = row * 8 + column
    int keyboardMode = 2;
    std::optional<quint8> bufferedKey; // polling mode's one-key buffer
    int speedCode = 0;
    int displayCode = 5;
    int busAddress = 0;
    bool selected = true;
    QByteArray eeprom; // the fixed-text image as stored
    bool eepromProgrammed = false;

    // Each display line as text, trailing blanks kept.
    QStringList rowsText() const;
    int baud() const;
    // The place whose pattern a code shows, or -1.
    int placeForCode(int code) const;
};

// The terminal's firmware: bytes from the program in, bytes to the program out. No I/O, no
// timing, no threads; the transports take care of those.
class TerminalEngine {
  public:
    explicit TerminalEngine(TerminalOptions options = {});

    // Processes the bytes in order and returns everything the terminal sends back, or only the
    // newest `keepLast` bytes of it when that is not negative.
    QByteArray feed(const QByteArray& bytes, qsizetype keepLast = -1);

    // A key of the matrix keyboard (0..31) goes down: returns what goes on the line (nothing
    // in polling mode, where the code waits in the one-key buffer, or while not selected).
    QByteArray pressKey(int key);

    const TerminalState& state() const { return s_; }
    const TerminalOptions& options() const { return options_; }

    // The stored image as ESC "W" sends it, always ending in 0, 0.
    QByteArray fixedTextImage() const;
    // Text n of the stored image (without its 0), empty when the image has fewer texts.
    QByteArray fixedText(int n) const;

    // True between commands: no sequence or transfer is half done.
    bool idle() const { return state_ == Parse::Text || state_ == Parse::ImageEnded; }

    // The last byte was an ESC inside a running transfer; data bytes follow at once, so the
    // transports call lineQuiet() when nothing follows for loneEscMs.
    bool loneEscPending() const { return undoEsc_.has_value(); }
    // Takes that ESC back out of the transfer data, ends the transfer and lets the ESC begin
    // the next command.
    void lineQuiet();

    static int baudForSpeedCode(int code);
    static std::array<quint8, 32> standardKeyTable();

  private:
    enum class Parse {
        Text,
        Esc,
        Amp,
        CursorRow,
        CursorSemicolon,
        CursorColumn,
        CursorColumnOrH,
        CursorH,
        SpeedCode,
        DisplayCode,
        BusAddress,
        KeyboardMode,
        ShowText,
        CgramPlace,
        CgramData,
        KeyTableData,
        ImageData,
        ImageEnded,
    };

    QByteArray feedByte(quint8 b);
    QByteArray feedByteSelected(quint8 b);
    QByteArray feedDeselected(quint8 b);
    QByteArray escape(quint8 b);
    QByteArray ampersand(quint8 b);
    // A byte that does not fit the sequence: an ESC starts the next one, anything else is
    // dropped together with the broken sequence.
    void broken(quint8 b);
    QByteArray echo(quint8 b);
    void startTransfer(Parse transfer);

    void writeChar(quint8 code);
    void newLine();
    void clearDisplay();
    void setCursor(int row, int column);
    void setDisplayCode(int code);
    void showFixedText(int n);
    void bind(int place, int code, const std::array<quint8, 8>& rows);

    TerminalOptions options_;
    TerminalState s_;
    Parse state_ = Parse::Text;
    int cursorRowArg_ = 0;
    int columnArg_ = 0;
    int placeArg_ = 0;
    int transferCount_ = 0;
    int transfers_ = 0;
    bool lastWasZero_ = false;
    QByteArray pending_; // data of the CG-RAM transfer under way

    // What an ESC inside a transfer changed, until the next byte shows it was data.
    struct EscUndo {
        qsizetype eepromSize;
        QByteArray keyTable;
        QByteArray pending;
    };
    std::optional<EscUndo> undoEsc_;
};

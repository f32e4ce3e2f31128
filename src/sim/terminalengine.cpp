#include "sim/terminalengine.h"

#include "core/win1252.h"

#include <algorithm>

namespace {

constexpr quint8 kEsc = 27;
constexpr quint8 kCr = 13;
constexpr quint8 kUnbindCode = 10;
constexpr int kKeyCount = 32;
constexpr int kCgramBytes = 9; // code and eight rows

QByteArray one(quint8 b) {
    return QByteArray(1, static_cast<char>(b));
}

} // namespace

QStringList TerminalState::rowsText() const {
    QStringList out;
    for (const auto& line : lines)
        out.append(win1252::decode(line));
    return out;
}

int TerminalState::baud() const {
    return TerminalEngine::baudForSpeedCode(speedCode);
}

int TerminalState::placeForCode(int code) const {
    for (int p = 0; p < int(cgram.size()); ++p)
        if (cgram[p].code == code) return p;
    return -1;
}

int TerminalEngine::baudForSpeedCode(int code) {
    static constexpr std::array<int, 4> bauds = {9600, 4800, 2400, 1200};
    return code >= 0 && code < int(bauds.size()) ? bauds[code] : 9600;
}

std::array<quint8, 32> TerminalEngine::standardKeyTable() {
    std::array<quint8, 32> table{};
    for (int k = 0; k < kKeyCount; ++k)
        table[k] = static_cast<quint8>((k / 8) * 16 + k % 8);
    return table;
}

TerminalEngine::TerminalEngine(TerminalOptions options) : options_(std::move(options)) {
    s_.columns = std::clamp(options_.columns, 1, kMaxColumns);
    s_.rows = std::clamp(options_.rows, 1, kMaxRows);
    s_.displayCode = 5;
    for (const auto& t : kDisplayTypes)
        if (t.columns == s_.columns && t.rows == s_.rows) {
            s_.displayCode = t.code;
            break;
        }
    s_.lines = QList<QByteArray>(s_.rows, QByteArray(s_.columns, ' '));
    const auto table = standardKeyTable();
    s_.keyTable = QByteArray(reinterpret_cast<const char*>(table.data()), kKeyCount);
    s_.keyboardMode = std::clamp(options_.keyboardMode, 0, 7);
    s_.speedCode = std::clamp(options_.speedCode, 0, 3);
    s_.busAddress = std::clamp(options_.busAddress, 0, 15);
    options_.eepromCapacity = std::max(0, options_.eepromCapacity);
}

QByteArray TerminalEngine::feed(const QByteArray& bytes, qsizetype keepLast) {
    QByteArray out;
    for (char c : bytes) {
        const QByteArray reply = feedByte(static_cast<quint8>(c));
        if (reply.isEmpty()) continue;
        out += reply;
        out += options_.noise;
        // A few thousand read-back requests in one burst answer with hundreds of megabytes;
        // what the caller would drop anyway is dropped as it comes.
        if (keepLast >= 0 && out.size() > 2 * keepLast) out = out.right(keepLast);
    }
    if (keepLast >= 0 && out.size() > keepLast) out = out.right(keepLast);
    return out;
}

QByteArray TerminalEngine::feedByte(quint8 b) {
    if (!s_.selected) return feedDeselected(b);
    undoEsc_.reset();
    const bool inTransfer =
        state_ == Parse::CgramData || state_ == Parse::KeyTableData || state_ == Parse::ImageData;
    if (inTransfer && b == kEsc) {
        EscUndo undo{s_.eeprom.size(), s_.keyTable, pending_};
        QByteArray reply = feedByteSelected(b);
        // An ESC that completes the transfer is its last data byte, whatever follows.
        if (state_ == Parse::CgramData || state_ == Parse::KeyTableData ||
            state_ == Parse::ImageData)
            undoEsc_ = std::move(undo);
        return reply;
    }
    return feedByteSelected(b);
}

void TerminalEngine::lineQuiet() {
    if (!undoEsc_) return;
    s_.eeprom.truncate(undoEsc_->eepromSize);
    s_.keyTable = undoEsc_->keyTable;
    pending_ = undoEsc_->pending;
    undoEsc_.reset();
    state_ = Parse::Esc;
}

QByteArray TerminalEngine::feedByteSelected(quint8 b) {
    switch (state_) {
    case Parse::Text:
        if (b == kEsc)
            state_ = Parse::Esc;
        else if (b == kCr)
            newLine();
        else if (b != 0 && b != 10) // NUL and LF move nothing on this display
            writeChar(b);
        return {};
    case Parse::Esc:
        return escape(b);
    case Parse::Amp:
        return ampersand(b);

    case Parse::CursorRow:
        if (b == kEsc) {
            broken(b);
            return {};
        }
        cursorRowArg_ = b;
        state_ = Parse::CursorSemicolon;
        return {};
    case Parse::CursorSemicolon:
        if (b == ';')
            state_ = Parse::CursorColumn;
        else
            broken(b);
        return {};
    case Parse::CursorColumn:
        // Binary: 27 is column 27 here, not a new command.
        columnArg_ = b;
        state_ = Parse::CursorColumnOrH;
        return {};
    case Parse::CursorColumnOrH:
        if (b == 'H') {
            setCursor(cursorRowArg_, columnArg_);
            state_ = Parse::Text;
        } else if (columnArg_ <= 9 && b <= 9) {
            // Two column bytes: tens and units.
            columnArg_ = columnArg_ * 10 + b;
            state_ = Parse::CursorH;
        } else {
            broken(b);
        }
        return {};
    case Parse::CursorH:
        if (b == 'H') {
            setCursor(cursorRowArg_, columnArg_);
            state_ = Parse::Text;
        } else {
            broken(b);
        }
        return {};

    case Parse::SpeedCode:
        if (b <= 3) {
            s_.speedCode = b;
            state_ = Parse::Text;
        } else {
            broken(b);
        }
        return {};
    case Parse::DisplayCode:
        if (b <= 12) {
            setDisplayCode(b);
            state_ = Parse::Text;
        } else {
            broken(b);
        }
        return {};
    case Parse::BusAddress:
        if (b == 'Z') {
            s_.selected = true;
            state_ = Parse::Text;
        } else if (b <= 15) {
            s_.selected = b == s_.busAddress;
            state_ = Parse::Text;
        } else {
            broken(b);
        }
        return {};
    case Parse::KeyboardMode:
        if (b >= '0' && b <= '7') {
            state_ = Parse::Text;
            s_.keyboardMode = b - '0';
            if (s_.keyboardMode == 0 && s_.bufferedKey) {
                const quint8 key = *s_.bufferedKey;
                s_.bufferedKey.reset();
                return one(key);
            }
            if (s_.keyboardMode != 0) s_.bufferedKey.reset();
        } else {
            broken(b);
        }
        return {};
    case Parse::ShowText:
        state_ = Parse::Text;
        showFixedText(b);
        return {};

    case Parse::CgramPlace:
        if (b <= 7) {
            placeArg_ = b;
            pending_.clear();
            startTransfer(Parse::CgramData);
        } else {
            broken(b);
        }
        return {};
    case Parse::CgramData: {
        pending_.append(static_cast<char>(b));
        const QByteArray reply = echo(b);
        if (pending_.size() == kCgramBytes) {
            std::array<quint8, 8> rows{};
            for (int r = 0; r < 8; ++r)
                rows[r] = static_cast<quint8>(pending_[r + 1]) & 0x1F;
            bind(placeArg_, static_cast<quint8>(pending_[0]), rows);
            state_ = Parse::Text;
        }
        return reply;
    }
    case Parse::KeyTableData: {
        // Stored as it comes: a transfer broken off leaves a partly loaded table.
        s_.keyTable[transferCount_] = static_cast<char>(b);
        const QByteArray reply = echo(b);
        if (transferCount_ == kKeyCount) state_ = Parse::Text;
        return reply;
    }
    case Parse::ImageData: {
        // The image has no empty text, so its first two 0 bytes in a row are its end.
        const bool ends = b == 0 && lastWasZero_;
        lastWasZero_ = b == 0;
        if (ends) state_ = Parse::ImageEnded;
        if (s_.eeprom.size() >= options_.eepromCapacity) {
            ++transferCount_;
            return {}; // full: nothing stored, nothing echoed
        }
        s_.eeprom.append(static_cast<char>(b));
        return echo(b);
    }
    case Parse::ImageEnded:
        // The program closes every transfer with one more 0, which is not answered; anything
        // else is already the next command.
        state_ = Parse::Text;
        if (b == 0) return {};
        return feedByteSelected(b);
    }
    return {};
}

QByteArray TerminalEngine::feedDeselected(quint8 b) {
    // Another terminal owns the line: listen only for a new selection.
    switch (state_) {
    case Parse::Esc:
        state_ = b == '&' ? Parse::Amp : b == kEsc ? Parse::Esc : Parse::Text;
        break;
    case Parse::Amp:
        state_ = b == 'A' ? Parse::BusAddress : b == kEsc ? Parse::Esc : Parse::Text;
        break;
    case Parse::BusAddress:
        state_ = b == kEsc ? Parse::Esc : Parse::Text;
        if (b == 'Z' || b == s_.busAddress) s_.selected = true;
        break;
    default:
        state_ = b == kEsc ? Parse::Esc : Parse::Text;
        break;
    }
    return {};
}

QByteArray TerminalEngine::escape(quint8 b) {
    state_ = Parse::Text;
    switch (b) {
    case '&':
        state_ = Parse::Amp;
        break;
    case '[':
        state_ = Parse::CursorRow;
        break;
    case 'R':
        s_.eeprom.clear();
        s_.eepromProgrammed = true;
        lastWasZero_ = false;
        startTransfer(Parse::ImageData);
        break;
    case 'W':
        return fixedTextImage();
    case 'D':
        state_ = Parse::ShowText;
        break;
    case kEsc:
        state_ = Parse::Esc;
        break;
    default:
        break; // unknown command letter: dropped
    }
    return {};
}

QByteArray TerminalEngine::ampersand(quint8 b) {
    state_ = Parse::Text;
    switch (b) {
    case '#':
        clearDisplay();
        break;
    case 'C':
        s_.cursorOn = true;
        break;
    case 'D':
        s_.cursorOn = false;
        break;
    case 'B':
        state_ = Parse::SpeedCode;
        break;
    case 'S':
        state_ = Parse::DisplayCode;
        break;
    case 'A':
        state_ = Parse::BusAddress;
        break;
    case 'P':
        state_ = Parse::KeyboardMode;
        break;
    case 'u':
        startTransfer(Parse::KeyTableData);
        break;
    case 'L':
        state_ = Parse::CgramPlace;
        break;
    case 'V':
        if (options_.silentVersion) return {};
        return options_.shortVersionReply ? QByteArray("B") : options_.versionReply;
    case 'E':
        if (options_.silentEeprom) return {};
        return options_.eepromReply;
    case kEsc:
        state_ = Parse::Esc;
        break;
    default:
        break;
    }
    return {};
}

void TerminalEngine::broken(quint8 b) {
    state_ = b == kEsc ? Parse::Esc : Parse::Text;
}

void TerminalEngine::startTransfer(Parse transfer) {
    state_ = transfer;
    transferCount_ = 0;
    ++transfers_;
}

QByteArray TerminalEngine::echo(quint8 b) {
    ++transferCount_;
    if (options_.faultyTransfers >= 0 && transfers_ > options_.faultyTransfers) return one(b);
    if (options_.noEchoAfter >= 0 && transferCount_ > options_.noEchoAfter) return {};
    if (transferCount_ == options_.wrongEchoAt) return one(static_cast<quint8>(~b));
    return one(b);
}

QByteArray TerminalEngine::pressKey(int key) {
    if (key < 0 || key >= kKeyCount || !s_.selected) return {};
    const auto code = static_cast<quint8>(s_.keyTable[key]);
    if (s_.keyboardMode == 0) {
        // The one-key buffer keeps the first unread key; later ones are lost.
        if (!s_.bufferedKey) s_.bufferedKey = code;
        return {};
    }
    return one(code);
}

QByteArray TerminalEngine::fixedTextImage() const {
    QByteArray image = s_.eepromProgrammed ? s_.eeprom : options_.initialImage;
    // A full EEPROM cut the image short; the read-back still ends the way the program expects.
    while (!image.endsWith(QByteArray(2, '\0')))
        image.append('\0');
    return image;
}

QByteArray TerminalEngine::fixedText(int n) const {
    const QByteArray image = fixedTextImage();
    const QList<QByteArray> texts = image.left(image.size() - 1).split('\0');
    // split() leaves an empty piece after the last 0.
    return n >= 0 && n < texts.size() - 1 ? texts[n] : QByteArray();
}

void TerminalEngine::writeChar(quint8 code) {
    s_.lines[s_.cursorRow][s_.cursorColumn] = static_cast<char>(code);
    if (++s_.cursorColumn >= s_.columns) newLine();
}

void TerminalEngine::newLine() {
    s_.cursorColumn = 0;
    s_.cursorRow = (s_.cursorRow + 1) % s_.rows;
}

void TerminalEngine::clearDisplay() {
    for (auto& line : s_.lines)
        line.fill(' ');
    s_.cursorRow = 0;
    s_.cursorColumn = 0;
}

void TerminalEngine::setCursor(int row, int column) {
    s_.cursorRow = std::clamp(row, 0, s_.rows - 1);
    s_.cursorColumn = std::clamp(column, 0, s_.columns - 1);
}

void TerminalEngine::setDisplayCode(int code) {
    s_.displayCode = code;
    for (const auto& t : kDisplayTypes)
        if (t.code == code && t.columns == s_.columns && t.rows == s_.rows)
            return; // 8x2 and 16x1 share a code: the fitted display stays as it is
    for (const auto& t : kDisplayTypes) {
        if (t.code != code) continue;
        s_.columns = t.columns;
        s_.rows = t.rows;
        s_.lines = QList<QByteArray>(s_.rows, QByteArray(s_.columns, ' '));
        s_.cursorRow = 0;
        s_.cursorColumn = 0;
        return;
    }
}

void TerminalEngine::showFixedText(int n) {
    if (n > 127) return;
    clearDisplay();
    for (char c : fixedText(n)) {
        const auto b = static_cast<quint8>(c);
        if (b == kCr)
            newLine();
        else
            writeChar(b);
    }
}

void TerminalEngine::bind(int place, int code, const std::array<quint8, 8>& rows) {
    auto& p = s_.cgram[place];
    p.rows = rows;
    if (code == kUnbindCode) {
        p.code = -1;
        return;
    }
    // One code shows one pattern: the newest binding wins.
    for (auto& other : s_.cgram)
        if (other.code == code) other.code = -1;
    p.code = code;
}

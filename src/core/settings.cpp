#include "core/settings.h"

#include "core/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <optional>

namespace {

// One line of the file: where its text begins and ends (line end not included).
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
};

QList<Line> splitLines(const QByteArray& file) {
    QList<Line> lines;
    qsizetype begin = 0;
    while (begin < file.size()) {
        qsizetype nl = file.indexOf('\n', begin);
        const qsizetype next = nl < 0 ? file.size() : nl + 1;
        qsizetype end = nl < 0 ? file.size() : nl;
        if (end > begin && file[end - 1] == '\r') --end;
        lines.append({begin, end});
        begin = next;
    }
    return lines;
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Key and group names as the INI format stores them: %XX for a Latin-1 character, %UXXXX for
// any other, so "COM-Anschluß" is the line "COM-Anschlu%DF=…".
QString unescapeName(const QByteArray& raw) {
    const QString text = QString::fromUtf8(raw).trimmed();
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        auto hexAt = [&](qsizetype from, int digits) {
            int v = 0;
            for (int d = 0; d < digits; ++d) {
                const int h = from + d < text.size() ? hexValue(text[from + d]) : -1;
                if (h < 0) return -1;
                v = v * 16 + h;
            }
            return v;
        };
        if (c == QLatin1Char('%') && i + 1 < text.size() && text[i + 1] == QLatin1Char('U')) {
            const int v = hexAt(i + 2, 4);
            if (v >= 0) {
                out.append(QChar(char16_t(v)));
                i += 5;
                continue;
            }
        } else if (c == QLatin1Char('%')) {
            const int v = hexAt(i + 1, 2);
            if (v >= 0) {
                out.append(QChar(char16_t(v)));
                i += 2;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

QByteArray escapeName(const QString& name) {
    QByteArray out;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        if (plain)
            out.append(char(u));
        else if (u < 256)
            out.append('%').append(QByteArray::number(u, 16).toUpper().rightJustified(2, '0'));
        else
            out.append("%U").append(QByteArray::number(u, 16).toUpper().rightJustified(4, '0'));
    }
    return out;
}

// A value as the text it was: quotes and backslash escapes are undone, but a comma is a comma
// (the INI reader of the toolkit would split an unquoted one into a list).
QString decodeValue(const QByteArray& raw) {
    const QString text = QString::fromUtf8(raw);
    QString out;
    bool quoted = false;
    qsizetype lastKept = -1; // trailing blanks outside quotes are dropped
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            lastKept = out.size() - 1;
            continue;
        }
        if (!quoted && c == QLatin1Char(';')) break;
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar e = text[++i];
            switch (e.unicode()) {
            case 'a':
                out.append(QChar(7));
                break;
            case 'b':
                out.append(QChar(8));
                break;
            case 'f':
                out.append(QChar(12));
                break;
            case 'n':
                out.append(QChar(10));
                break;
            case 'r':
                out.append(QChar(13));
                break;
            case 't':
                out.append(QChar(9));
                break;
            case 'v':
                out.append(QChar(11));
                break;
            case 'x': {
                int v = 0, n = 0;
                while (n < 4 && i + 1 < text.size() && hexValue(text[i + 1]) >= 0) {
                    v = v * 16 + hexValue(text[++i]);
                    ++n;
                }
                out.append(QChar(char16_t(v)));
                break;
            }
            default:
                if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                    int v = e.unicode() - '0', n = 1;
                    while (n < 3 && i + 1 < text.size() && text[i + 1] >= QLatin1Char('0') &&
                           text[i + 1] <= QLatin1Char('7')) {
                        v = v * 8 + (text[++i].unicode() - '0');
                        ++n;
                    }
                    out.append(QChar(char16_t(v)));
                } else {
                    out.append(e); // \\, \", \', \? and anything unknown stand for themselves
                }
            }
            lastKept = out.size() - 1;
            continue;
        }
        if (!quoted && c.isSpace()) {
            if (!out.isEmpty()) out.append(c);
            continue;
        }
        out.append(c);
        lastKept = out.size() - 1;
    }
    out.truncate(lastKept + 1);
    if (out.startsWith(QLatin1String("@@"))) out.remove(0, 1);
    return out;
}

QByteArray encodeValue(const QString& value) {
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char(';')) ||
                       value.contains(QLatin1Char('=')) ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    QString text = value.startsWith(QLatin1Char('@')) ? QStringLiteral("@") + value : value;
    QByteArray out;
    if (quote) out.append('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"')
            out.append('\\').append(char(u));
        else if (u < 32 || u == 127)
            out.append('\\').append(QByteArray::number(u, 8).rightJustified(3, '0'));
        else
            out.append(QString(c).toUtf8());
    }
    if (quote) out.append('"');
    return out;
}

struct KeyLine {
    QString group;
    QString key;
    Line line;
    qsizetype valueBegin = 0;
};

// Every key line of the file with its group; comments, blank lines and section lines are left
// out. `sectionEnds` gets, per group, the end of its last non-blank line.
QList<KeyLine> keyLines(const QByteArray& file, QHash<QString, qsizetype>* sectionEnds = nullptr) {
    QList<KeyLine> out;
    QString group = QStringLiteral("General");
    for (const Line& l : splitLines(file)) {
        const QByteArray text = file.mid(l.begin, l.end - l.begin).trimmed();
        if (text.isEmpty() || text.startsWith(';') || text.startsWith('#')) continue;
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            group = unescapeName(text.mid(1, close < 0 ? -1 : close - 1));
            if (sectionEnds) sectionEnds->insert(group, l.end);
            continue;
        }
        if (sectionEnds) sectionEnds->insert(group, l.end);
        const qsizetype eq = file.indexOf('=', l.begin);
        if (eq < 0 || eq >= l.end) continue;
        out.append({group, unescapeName(file.mid(l.begin, eq - l.begin)), l, eq + 1});
    }
    return out;
}

} // namespace

namespace {

std::optional<QString> findValue(const QByteArray& file, const QString& group, const QString& key) {
    std::optional<QString> found;
    for (const KeyLine& k : keyLines(file))
        if (k.group == group && k.key == key)
            found = decodeValue(file.mid(k.valueBegin, k.line.end - k.valueBegin));
    return found;
}

QByteArray replacedValue(const QByteArray& file, const QString& group, const QString& key,
                         const QString& value) {
    const QByteArray eol = file.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    const QByteArray line = escapeName(key) + '=' + encodeValue(value);
    QHash<QString, qsizetype> sectionEnds;
    std::optional<Line> last;
    for (const KeyLine& k : keyLines(file, &sectionEnds))
        if (k.group == group && k.key == key) last = k.line;
    QByteArray out = file;
    if (last) return out.replace(last->begin, last->end - last->begin, line);
    if (sectionEnds.contains(group)) {
        const qsizetype at = sectionEnds.value(group);
        // Behind the section's last line, whose own line end stays where it is.
        return out.insert(at, eol + line);
    }
    if (!out.isEmpty() && !out.endsWith('\n')) out.append(eol);
    if (!out.isEmpty()) out.append(eol);
    return out.append('[' + escapeName(group) + ']' + eol + line + eol);
}

} // namespace

SettingsStore::SettingsStore()
    : path_(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ZEPTAL32"),
                      QStringLiteral("ZEPTAL32"))
                .fileName()) {}

SettingsStore::SettingsStore(const QString& iniPath) : path_(iniPath) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString& group, const QString& key,
                             const QString& defaultValue) const {
    // Read afresh every time: the file is small and may be changed by hand between two reads.
    const fileio::ReadResult file = fileio::readFile(path_);
    if (!file.ok()) return defaultValue;
    return findValue(file.data, group, key).value_or(defaultValue);
}

QString SettingsStore::setValue(const QString& group, const QString& key, const QString& value) {
    QByteArray before;
    if (QFileInfo::exists(path_)) {
        const fileio::ReadResult file = fileio::readFile(path_);
        // A file that cannot be read whole is never replaced by a file of our keys alone; one
        // that is only too large is kept under another name.
        if (!file.ok() && !(file.tooLarge && setOversizeAside())) return file.error;
        before = file.data;
    }
    const QByteArray after = replacedValue(before, group, key, value);
    if (after == before) return {};
    QDir().mkpath(QFileInfo(path_).absolutePath());
    return fileio::writeFile(path_, after);
}

bool SettingsStore::oversize() const {
    return fileio::readFile(path_).tooLarge;
}

QString SettingsStore::oversizeBackupName() const {
    // An older backup is never overwritten: the operator may not have looked at it yet.
    const QString base = path_ + QStringLiteral(".zu-gross");
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) && n < 1000; ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

bool SettingsStore::setOversizeAside() const {
    const QString backup = oversizeBackupName();
    return !QFileInfo::exists(backup) && QFile::rename(path_, backup);
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    return value(QStringLiteral("Einstellungen"), key, defaultValue);
}

QString SettingsStore::write(const QString& key, const QString& value) {
    return setValue(QStringLiteral("Einstellungen"), key, value);
}

QString SettingsStore::portDevice(int n) const {
    return value(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), QString());
}

void SettingsStore::setPortDevice(int n, const QString& device) {
    setValue(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), device);
}

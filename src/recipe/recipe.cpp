#include "recipe/recipe.h"

#include "chars/charops.h"
#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/commands.h"
#include "core/displaytypes.h"
#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/fixedtextops.h"
#include "fixedtext/txtfile.h"
#include "keyboard/keyboardops.h"
#include "keyboard/keytable.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace recipe {

namespace {

const QString kFormatKey = QStringLiteral("format");
const QString kNameKey = QStringLiteral("name");
const QString kDisplayKey = QStringLiteral("display");
const QString kKeyTableKey = QStringLiteral("keyTable");
const QString kModeKey = QStringLiteral("keyboardMode");
const QString kCharactersKey = QStringLiteral("characters");
const QString kTextsKey = QStringLiteral("texts");
const QString kSpeedKey = QStringLiteral("speed");

// A recipe is a few hundred bytes; anything near this is not one.
constexpr qint64 kMaxRecipeSize = 64 * 1024;
constexpr int kBitsPerByte = 11; // start bit, 8 data bits, 2 stop bits

QByteArray sha256(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QString typeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String:
        return QStringLiteral("ein Text");
    case QJsonValue::Double:
        return QStringLiteral("eine Zahl");
    case QJsonValue::Array:
        return QStringLiteral("eine Liste");
    case QJsonValue::Object:
        return QStringLiteral("ein Objekt");
    case QJsonValue::Bool:
        return QStringLiteral("ein Wahrheitswert");
    default:
        return QStringLiteral("leer (null)");
    }
}

QString shown(const QJsonValue& value) {
    if (value.isString()) return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    if (value.isDouble()) return QString::number(value.toDouble(), 'g', 15);
    return typeName(value);
}

QString displayList() {
    QStringList names;
    for (const DisplayType& type : kDisplayTypes)
        names.append(QString::fromLatin1(type.text).trimmed());
    return names.join(QStringLiteral(", "));
}

int displayIndexOf(const QString& text) {
    const QString wanted = text.trimmed().toLower();
    for (int i = 0; i < int(kDisplayTypes.size()); ++i)
        if (QString::fromLatin1(kDisplayTypes[size_t(i)].text).trimmed() == wanted) return i;
    return -1;
}

int baudOf(const QString& item) {
    return item.section(QLatin1Char(','), 0, 0).toInt();
}

// Reads and checks the recipe; every problem ends the load with the entry it concerns.
class Loader {
  public:
    explicit Loader(const QString& path) : path_(QFileInfo(path).absoluteFilePath()) {}

    LoadResult load(int fallbackDisplayIndex);

  private:
    LoadResult fail(const QString& problem) const {
        return {std::nullopt, QStringLiteral("%1: %2").arg(QFileInfo(path_).fileName(), problem)};
    }
    // The file an entry names, read whole; false with `error_` set when it cannot be.
    bool readNamed(const QString& entry, const QJsonValue& value, QByteArray* data, QString* name);
    bool integer(const QString& entry, const QJsonValue& value, int* out);

    QString path_;
    Plan plan_;
    QString error_;
};

bool Loader::integer(const QString& entry, const QJsonValue& value, int* out) {
    const double d = value.toDouble();
    if (!value.isDouble() || d != std::floor(d) || std::abs(d) > 1e9) {
        error_ =
            QStringLiteral("\"%1\" muss eine ganze Zahl sein, nicht %2.").arg(entry, shown(value));
        return false;
    }
    *out = int(d);
    return true;
}

bool Loader::readNamed(const QString& entry, const QJsonValue& value, QByteArray* data,
                       QString* name) {
    if (!value.isString()) {
        error_ =
            QStringLiteral("\"%1\" muss ein Dateiname sein, nicht %2.").arg(entry, typeName(value));
        return false;
    }
    *name = value.toString();
    if (name->trimmed().isEmpty()) {
        error_ = QStringLiteral("\"%1\": der Dateiname ist leer.").arg(entry);
        return false;
    }
    const QString path = QFileInfo(QFileInfo(path_).dir(), *name).absoluteFilePath();
    const fileio::ReadResult read = fileio::readFile(path);
    if (!read.ok()) {
        error_ = QStringLiteral("\"%1\": \"%2\" kann nicht gelesen werden: %3")
                     .arg(entry, *name, read.error);
        return false;
    }
    *data = read.data;
    plan_.files.append({entry, path, sha256(read.data)});
    return true;
}

LoadResult Loader::load(int fallbackDisplayIndex) {
    const fileio::ReadResult read = fileio::readFile(path_, kMaxRecipeSize);
    if (!read.ok())
        return fail(QStringLiteral("Das Rezept kann nicht gelesen werden: %1").arg(read.error));
    plan_.path = path_;
    plan_.sha256 = sha256(read.data);

    QByteArray json = read.data;
    if (json.startsWith("\xEF\xBB\xBF")) json[0] = json[1] = json[2] = ' ';
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const auto [line, column] = lineAndColumn(json, parseError.offset);
        return fail(QStringLiteral("Kein gültiges JSON in Zeile %1, Spalte %2: %3.")
                        .arg(line)
                        .arg(column)
                        .arg(parseError.errorString()));
    }
    if (!document.isObject())
        return fail(QStringLiteral("Das Rezept muss ein JSON-Objekt { ... } sein."));
    const QJsonObject object = document.object();

    static const QStringList known = {kFormatKey, kNameKey,       kDisplayKey, kKeyTableKey,
                                      kModeKey,   kCharactersKey, kTextsKey,   kSpeedKey};
    for (const QString& key : object.keys())
        if (!known.contains(key))
            return fail(QStringLiteral("Unbekannter Eintrag \"%1\" (bekannt sind: %2).")
                            .arg(key, known.join(QStringLiteral(", "))));

    if (object.contains(kFormatKey)) {
        int format = 0;
        if (!integer(kFormatKey, object[kFormatKey], &format)) return fail(error_);
        if (format != kFormat)
            return fail(QStringLiteral("\"format\": %1 wird nicht unterstützt, nur %2.")
                            .arg(format)
                            .arg(kFormat));
    }
    if (object.contains(kNameKey)) {
        if (!object[kNameKey].isString())
            return fail(QStringLiteral("\"name\" muss ein Text sein, nicht %1.")
                            .arg(typeName(object[kNameKey])));
        plan_.name = object[kNameKey].toString();
    }

    plan_.displayIndex = fallbackDisplayIndex;
    if (object.contains(kDisplayKey)) {
        const QJsonValue value = object[kDisplayKey];
        const int index = value.isString() ? displayIndexOf(value.toString()) : -1;
        if (index < 0)
            return fail(QStringLiteral("\"display\": %1 ist kein Display-Typ (erlaubt: %2).")
                            .arg(shown(value), displayList()));
        plan_.displayIndex = index;
        const DisplayType& type = kDisplayTypes[size_t(index)];
        Step step;
        step.kind = StepKind::Display;
        step.title = QStringLiteral("Display-Typ");
        step.detail = QString::fromLatin1(type.text).trimmed();
        step.displayIndex = index;
        for (const QByteArray& write :
             control::storeDisplayTypeWrites(type.code, QString::fromLatin1(type.text)))
            step.bytes += write.size();
        plan_.steps.append(step);
    }
    if (plan_.displayIndex < 0 || plan_.displayIndex >= int(kDisplayTypes.size()))
        plan_.displayIndex = kDefaultDisplayTypeIndex;

    if (object.contains(kKeyTableKey)) {
        Step step;
        QByteArray data;
        if (!readNamed(kKeyTableKey, object[kKeyTableKey], &data, &step.detail))
            return fail(error_);
        // A table that stops short would leave keys sending 0 without anybody noticing.
        if (data.size() < kKeyCount)
            return fail(QStringLiteral("\"keyTable\": \"%1\" ist keine Tastaturtabelle (%2 statt "
                                       "%3 Bytes).")
                            .arg(step.detail)
                            .arg(data.size())
                            .arg(kKeyCount));
        step.kind = StepKind::KeyTable;
        step.title = QStringLiteral("Tastaturtabelle");
        step.keyTable = keyTableFromBytes(data);
        step.bytes = cmd::loadKeyTable().size() + kKeyCount;
        step.received = kKeyCount;
        plan_.steps.append(step);
    }

    if (object.contains(kModeKey)) {
        Step step;
        if (!integer(kModeKey, object[kModeKey], &step.keyboardMode)) return fail(error_);
        if (step.keyboardMode < 0 || step.keyboardMode > 7)
            return fail(QStringLiteral("\"keyboardMode\": %1 liegt nicht im Bereich 0 bis 7.")
                            .arg(step.keyboardMode));
        step.kind = StepKind::KeyboardMode;
        step.title = QStringLiteral("Tastaturmodus");
        step.detail = QString::number(step.keyboardMode);
        step.bytes = cmd::versionQuery().size() + cmd::keyboardMode(step.keyboardMode).size();
        step.received = 5; // the version reply
        step.pauseMs = 200;
        plan_.steps.append(step);
    }

    if (object.contains(kCharactersKey)) {
        const QJsonValue value = object[kCharactersKey];
        if (!value.isArray())
            return fail(QStringLiteral("\"characters\" muss eine Liste von Dateinamen sein, "
                                       "nicht %1.")
                            .arg(typeName(value)));
        Step step;
        step.kind = StepKind::Characters;
        step.title = QStringLiteral("Zeichen");
        QStringList names;
        QStringList placeEntry(kCgramPlaces);
        const QJsonArray list = value.toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QString entry = QStringLiteral("characters[%1]").arg(i);
            QByteArray data;
            QString name;
            if (!readNamed(entry, list[i], &data, &name)) return fail(error_);
            const auto definition = parseChrRecord(data);
            if (!definition)
                return fail(QStringLiteral("\"%1\": \"%2\" ist keine Zeichendefinition (%3 statt "
                                           "%4 Bytes).")
                                .arg(entry, name)
                                .arg(data.size())
                                .arg(kChrRecordSize));
            QString& owner = placeEntry[definition->place];
            if (!owner.isEmpty())
                return fail(QStringLiteral("\"%1\" (\"%2\") und %3 belegen beide CG-RAM %4.")
                                .arg(entry, name, owner)
                                .arg(definition->place + 1));
            owner = QStringLiteral("\"%1\" (\"%2\")").arg(entry, name);
            step.characters.append(*definition);
            names.append(name);
        }
        if (!step.characters.isEmpty()) {
            step.detail = names.join(QStringLiteral(", "));
            const qsizetype perCharacter = cmd::defineCharacter().size() + 1 + kPatternRows + 2 +
                                           cmd::clearDisplay().size() + 1;
            step.bytes = perCharacter * step.characters.size();
            step.received = (kPatternRows + 2) * step.characters.size();
            step.pauseMs = 200 * int(step.characters.size());
            plan_.steps.append(step);
        }
    }

    if (object.contains(kTextsKey)) {
        Step step;
        QByteArray data;
        if (!readNamed(kTextsKey, object[kTextsKey], &data, &step.detail)) return fail(error_);
        const DisplayType& type = kDisplayTypes[size_t(plan_.displayIndex)];
        FixedTextStore store;
        const FesttextLoad loaded = loadFesttextData(store, data, type.rows, type.columns);
        if (loaded.blanked > 0)
            plan_.notes.append(QStringLiteral("\"texts\": %1 Nullzeichen als Leerzeichen "
                                              "übernommen.")
                                   .arg(loaded.blanked));
        step.kind = StepKind::Texts;
        step.title = QStringLiteral("Festtexte");
        step.detail += QStringLiteral(" (Display %1x%2)").arg(type.columns).arg(type.rows);
        step.image = buildFesttextImage(store, type.rows, type.columns);
        step.bytes =
            cmd::beginFixedTexts().size() + step.image.size() + 1 + cmd::readFixedTexts().size();
        step.received = 2 * step.image.size(); // the echoes and the read-back
        step.pauseMs = 500;
        plan_.steps.append(step);
    }

    if (object.contains(kSpeedKey)) {
        Step step;
        int baud = 0;
        if (!integer(kSpeedKey, object[kSpeedKey], &baud)) return fail(error_);
        const QStringList items = control::speedItems();
        step.speedCode = -1;
        for (int i = 0; i < items.size(); ++i)
            if (baudOf(items[i]) == baud) step.speedCode = i;
        if (step.speedCode < 0)
            return fail(QStringLiteral("\"speed\": %1 ist keine Baudrate des Pultinos (erlaubt: "
                                       "9600, 4800, 2400, 1200).")
                            .arg(baud));
        step.kind = StepKind::Speed;
        step.title = QStringLiteral("Baudrate");
        step.detail = items[step.speedCode];
        step.bytes =
            items.size() * (cmd::storeSpeed(step.speedCode).size() + cmd::clearDisplay().size()) +
            cmd::clearDisplay().size() + step.detail.size();
        plan_.steps.append(step);
    }
    return {plan_, {}};
}

// Every character of the step in turn; the first that is not echoed ends it, so that a recipe
// never reports a terminal as set up that missed part of a definition.
StepRun storeCharacters(const Step& step, CommandExchange& exchange, const Progress& progress) {
    const qsizetype total = step.characters.size();
    const qsizetype perCharacter = total > 0 ? step.bytes / total : 0;
    for (qsizetype i = 0; i < total; ++i) {
        if (progress) progress(i * perCharacter, step.bytes);
        const CharacterDefinition& c = step.characters[i];
        const OpResult stored = storeCharacter(exchange, c.place, c.code, c.pattern.rows());
        if (!stored.ok()) {
            StepRun run{{stored.status, i, total}, {}, {}};
            run.failure = QStringLiteral("Kein oder falsches Echo beim Speichern von CG-RAM %1 "
                                         "(Tausch-Adresse %2, %3 von %4 Zeichen gespeichert).")
                              .arg(c.place + 1)
                              .arg(c.code)
                              .arg(i)
                              .arg(total);
            return run;
        }
    }
    if (progress) progress(step.bytes, step.bytes);
    return {OpResult::finished(total), {}, {}};
}

StepRun programTexts(const Plan& plan, const Step& step, CommandExchange& exchange,
                     const Progress& progress) {
    StepRun run;
    run.result = programFixedTexts(exchange, step.image, progress);
    if (!run.result.ok()) {
        run.failure = QStringLiteral("Fehler beim Speichern der Festtexte: kein oder falsches Echo "
                                     "bei Offset %1 (%1 von %2 Bytes gespeichert). "
                                     "Wahrscheinliche Ursache: %3.")
                          .arg(run.result.done)
                          .arg(run.result.total)
                          .arg(run.result.done < kLikelyEepromSize
                                   ? QStringLiteral("Übertragungsfehler")
                                   : QStringLiteral("nicht genügend EEPROM-Speicher"));
        return run;
    }
    const FixedTextReadBack back = readFixedTextImage(exchange);
    if (!back.result.ok()) {
        run.result = {back.result.status, step.image.size(), step.image.size()};
        run.failure = QStringLiteral("Das Pultino hat auf das Auslesen der Festtexte nicht "
                                     "geantwortet.");
        return run;
    }
    const int columns = kDisplayTypes[size_t(plan.displayIndex)].columns;
    run.comparison = compareFesttextImages(back.reply, step.image, columns);
    if (!run.comparison->identical()) {
        run.result = {OpResult::Status::TerminalFailed, *run.comparison->offset, step.image.size()};
        run.failure = comparisonReport(*run.comparison).join(QLatin1Char('\n'));
    }
    return run;
}

StepRun storeSpeed(const Step& step, CommandExchange& exchange) {
    SerialPort& port = exchange.port();
    const QStringList items = control::speedItems();
    const QString item = items[step.speedCode];
    const qsizetype total = step.bytes;
    if (!port.isOpen())
        return {{OpResult::Status::PortLost, 0, total},
                QStringLiteral("Die Schnittstelle ist nicht geöffnet."),
                {}};
    // The port moves to the new speed first, so that the round at every speed ends there and
    // the program goes on talking to the terminal at the speed it now listens at.
    port.close();
    port.setSettings(item);
    port.open();
    if (!control::storeSpeedAtAllRates(port, items, step.speedCode, item))
        return {{OpResult::Status::PortLost, 0, total}, control::kReopenFailed, {}};
    return {OpResult::finished(total), {}, {}};
}

} // namespace

const Step* Plan::find(StepKind kind) const {
    for (const Step& step : steps)
        if (step.kind == kind) return &step;
    return nullptr;
}

QPair<int, int> lineAndColumn(const QByteArray& utf8, qsizetype offset) {
    const QByteArray before = utf8.left(qBound(qsizetype(0), offset, utf8.size()));
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(lineStart)).size()) + 1;
    return {line, column};
}

LoadResult loadPlan(const QString& recipePath, int fallbackDisplayIndex) {
    return Loader(recipePath).load(fallbackDisplayIndex);
}

LoadResult loadPlan(const QString& recipePath) {
    return loadPlan(recipePath, kDefaultDisplayTypeIndex);
}

StepRun runPlanStep(const Plan& plan, int index, CommandExchange& exchange,
                    const Progress& progress) {
    const Step& step = plan.steps.at(index);
    switch (step.kind) {
    case StepKind::Display: {
        const DisplayType& type = kDisplayTypes[size_t(step.displayIndex)];
        const OpResult result =
            control::storeDisplayType(exchange.port(), type.code, QString::fromLatin1(type.text));
        return {result,
                result.ok() ? QString()
                            : QStringLiteral("Die Schnittstelle ist nicht "
                                             "geöffnet."),
                {}};
    }
    case StepKind::KeyTable: {
        const OpResult result = sendKeyTable(exchange, step.keyTable, progress);
        return {result,
                result.ok() ? QString()
                            : QStringLiteral("Fehler beim Ändern der Tastaturtabelle: kein oder "
                                             "falsches Echo bei Offset %1 (%1 von %2 Bytes).")
                                  .arg(result.done)
                                  .arg(result.total),
                {}};
    }
    case StepKind::KeyboardMode: {
        const OpResult result = setKeyboardMode(exchange, step.keyboardMode);
        return {result,
                result.ok() ? QString()
                            : QStringLiteral("Das Pultino hat auf die Versionsabfrage nicht "
                                             "reagiert; die Tastaturkonfiguration ist erst ab "
                                             "Firmware V.1.6 möglich."),
                {}};
    }
    case StepKind::Characters:
        return storeCharacters(step, exchange, progress);
    case StepKind::Texts:
        return programTexts(plan, step, exchange, progress);
    case StepKind::Speed:
        return storeSpeed(step, exchange);
    }
    return {};
}

OpResult runStep(const Plan& plan, int index, CommandExchange& exchange, const Progress& progress) {
    return runPlanStep(plan, index, exchange, progress).result;
}

qint64 estimatedMs(const Step& step, int baud) {
    if (baud <= 0) baud = 9600;
    return (qint64(step.bytes) + step.received) * kBitsPerByte * 1000 / baud + step.pauseMs;
}

QByteArray recipeDocument(const Contents& c) {
    const auto value = [](const QJsonValue& v) {
        QByteArray text = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        return text.mid(1, text.size() - 2);
    };
    QList<QByteArray> entries;
    const auto add = [&](const QString& key, const QByteArray& json) {
        entries.append("  " + value(key) + ": " + json);
    };
    add(kFormatKey, QByteArray::number(kFormat));
    if (!c.name.isEmpty()) add(kNameKey, value(c.name));
    if (c.displayIndex)
        add(kDisplayKey,
            value(QString::fromLatin1(kDisplayTypes[size_t(*c.displayIndex)].text).trimmed()));
    if (!c.keyTable.isEmpty()) add(kKeyTableKey, value(c.keyTable));
    if (c.keyboardMode) add(kModeKey, QByteArray::number(*c.keyboardMode));
    if (!c.characters.isEmpty()) {
        QList<QByteArray> names;
        for (const QString& name : c.characters)
            names.append(value(name));
        add(kCharactersKey, "[ " + names.join(", ") + " ]");
    }
    if (!c.texts.isEmpty()) add(kTextsKey, value(c.texts));
    if (c.speedCode)
        add(kSpeedKey, QByteArray::number(baudOf(control::speedItems()[*c.speedCode])));
    return "{\n" + entries.join(",\n") + "\n}\n";
}

} // namespace recipe

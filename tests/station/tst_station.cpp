#include "fixedtext/fixedtextops.h"
#include "sim/ptyterminal.h"
#include "station/report.h"
#include "station/station.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>
#include <sys/stat.h>

using namespace station;

Q_DECLARE_METATYPE(TerminalOptions)

namespace {

QByteArray image() {
    QByteArray out;
    for (int n = 0; n < 12; ++n)
        out += "Station " + QByteArray::number(n) + '\0';
    return out + '\0';
}

// A job of one fixed-text transfer, as a recipe's texts step does it.
SharedJob textsJob() {
    auto job = std::make_shared<Job>();
    job->name = QStringLiteral("Linie 3");
    job->sha256 = "ab12";
    const QByteArray bytes = image();
    job->steps.append({QStringLiteral("Festtexte"), bytes.size(),
                       [bytes](CommandExchange& exchange, const Progress& progress, QString*) {
                           return programFixedTexts(exchange, bytes, progress);
                       }});
    return job;
}

TerminalOptions withFault(int wrongEchoAt, int faultyTransfers = -1) {
    TerminalOptions o;
    o.wrongEchoAt = wrongEchoAt;
    o.faultyTransfers = faultyTransfers;
    return o;
}

} // namespace

class TestStation : public QObject {
    Q_OBJECT
  private slots:
    void eachPortOnItsOwn_data();
    void eachPortOnItsOwn();
    void reportRefusesWhatIsNoFile_data();
    void reportRefusesWhatIsNoFile();
    void reportLines();
};

void TestStation::eachPortOnItsOwn_data() {
    QTest::addColumn<TerminalOptions>("second");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<int>("offset");
    QTest::newRow("both good") << TerminalOptions{} << 0 << int(Outcome::Good) << 1 << 0;
    QTest::newRow("wrong echo") << withFault(40) << 0 << int(Outcome::TerminalFailed) << 1 << 39;
    QTest::newRow("wrong echo, again")
        << withFault(40) << 2 << int(Outcome::TerminalFailed) << 3 << 39;
    QTest::newRow("once wrong, retried") << withFault(40, 1) << 1 << int(Outcome::Good) << 2 << 0;
}

void TestStation::eachPortOnItsOwn() {
    QFETCH(TerminalOptions, second);
    QFETCH(int, retries);
    QFETCH(int, outcome);
    QFETCH(int, attempts);
    QFETCH(int, offset);
    PtyTerminal good;
    PtyTerminal faulty(second);
    QVERIFY(good.start() && faulty.start());
    Station::Options options;
    options.retries = retries;
    options.retryPauseMs = 20;
    Station station(textsJob(),
                    {{good.slavePath(), QStringLiteral("A"), {}, {}},
                     {faulty.slavePath(), QStringLiteral("B"), {}, {}}},
                    options);
    QSignalSpy finished(&station, &Station::finished);
    station.start();
    QVERIFY(finished.wait(20000));

    QCOMPARE(station.records().size(), 2);
    const TerminalRecord& a = station.records()[0].port == QLatin1String("A")
                                  ? station.records()[0]
                                  : station.records()[1];
    const TerminalRecord& b =
        &a == &station.records()[0] ? station.records()[1] : station.records()[0];
    QCOMPARE(a.outcome, Outcome::Good);
    QCOMPARE(good.snapshot().eeprom, image());
    QCOMPARE(a.firmware, QStringLiteral("1.80"));
    QCOMPARE(int(b.outcome), outcome);
    QCOMPARE(b.steps.value(0).attempts.size(), attempts);
    QCOMPARE(b.offset, offset);
    QCOMPARE(station.exitCode(), b.exitCode());
    if (b.outcome == Outcome::Good) QCOMPARE(faulty.snapshot().eeprom, image());
}

void TestStation::reportRefusesWhatIsNoFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder") << "dir.jsonl"
                            << "kann nicht geschrieben werden";
    QTest::newRow("pipe") << "fifo.jsonl"
                          << "kann nicht geschrieben werden";
    QTest::newRow("other ending") << "report.txt"
                                  << ".jsonl oder .csv";
}

void TestStation::reportRefusesWhatIsNoFile() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dir.jsonl")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.jsonl"))), 0600), 0);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    ReportFile report;
    QVERIFY(report.open(dir.filePath(name)).contains(reason));
    QVERIFY(!report.isOpen());
}

void TestStation::reportLines() {
    TerminalRecord r;
    r.started = QDateTime(QDate(2026, 5, 4), QTime(10, 0), QTimeZone::utc());
    r.ended = r.started.addMSecs(2500);
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.recipe = QStringLiteral("Linie, \"3\"");
    r.steps = {{QStringLiteral("Festtexte"),
                9,
                {{Outcome::TerminalFailed, 4, 10, {}}, {Outcome::Good, 9, 20, {}}}}};
    QTemporaryDir dir;
    for (const QString& name : {QStringLiteral("r.jsonl"), QStringLiteral("r.csv")}) {
        ReportFile report;
        QVERIFY(report.open(dir.filePath(name)).isEmpty());
        QVERIFY(report.append(r).isEmpty());
        QVERIFY(report.append(r).isEmpty());
    }
    QFile json(dir.filePath(QStringLiteral("r.jsonl")));
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(json.readLine()).object();
    QCOMPARE(o[QStringLiteral("started")].toString(), QStringLiteral("2026-05-04T10:00:00.000Z"));
    QCOMPARE(o[QStringLiteral("steps")][0][QStringLiteral("attempts")].toArray().size(), 2);
    QCOMPARE(o[QStringLiteral("recipe")].toString(), r.recipe);
    QFile csv(dir.filePath(QStringLiteral("r.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 4); // one header, two records, the empty rest
    QVERIFY(lines[1].contains(",\"Linie, \"\"3\"\"\","));
    QVERIFY(lines[1].contains("Festtexte:terminal_failed/4/10ms+ok/9/20ms"));
}

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"

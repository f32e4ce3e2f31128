#include "station/report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>
#include <sys/stat.h>

using namespace station;

// The report file on its own; the station's runs are tried through the tool.
class TestStation : public QObject {
    Q_OBJECT
  private slots:
    void reportRefusesWhatIsNoFile();
    void reportLines();
};

// Without a reader a pipe would hold the station before its first byte.
void TestStation::reportRefusesWhatIsNoFile() {
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.jsonl"))), 0600), 0);
    for (const auto& [name, reason] : {std::pair{"fifo.jsonl", "kann nicht geschrieben werden"},
                                       std::pair{"report.txt", ".jsonl oder .csv"}}) {
        ReportFile report;
        QVERIFY(report.open(dir.filePath(name)).contains(reason));
        QVERIFY(!report.isOpen());
    }
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

#include "core/commands.h"
#include "sim/bytelogwidget.h"
#include "sim/linkbatcher.h"
#include "sim/ptyterminal.h"

#include <QElapsedTimer>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using Direction = ByteLogWidget::Direction;

// How the simulated terminal's window keeps up with a busy line: the reports of the terminal's
// thread arrive batched, and the byte log keeps its newest lines.
class TestSimWindowUpdates : public QObject {
    Q_OBJECT
  private slots:
    void batchesKeepEveryByteInOrder_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("echoed transfer")
            << cmd::beginFixedTexts() + QByteArray(150, 'A') << QByteArray(150, 'A');
        QTest::newRow("text without answer") << QByteArray(150, 'x') << QByteArray();
    }
    void batchesKeepEveryByteInOrder() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        // Line-rate timing makes the terminal's thread report every byte on its own.
        PtyTerminal term({.lineRate = true});
        QVERIFY(term.start());
        LinkBatcher batcher(term.link());
        QMap<Direction, QByteArray> seen;
        int frames = 0;
        bool changed = false;
        connect(&batcher, &LinkBatcher::frame, this,
                [&](const LinkBatcher::Traffic& traffic, bool stateChanged) {
                    ++frames;
                    changed = changed || stateChanged;
                    for (const auto& [direction, bytes] : traffic)
                        seen[direction] += bytes;
                });
        const int fd = ::open(qPrintable(term.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::write(fd, input.constData(), size_t(input.size())), input.size());
        QTRY_COMPARE_WITH_TIMEOUT(seen.value(Direction::ToTerminal), input, 10000);
        QTRY_COMPARE(seen.value(Direction::FromTerminal), answer);
        QVERIFY(changed);
        // One frame a byte would be hundreds; the batcher hands over about one a frame time.
        QVERIFY2(frames <= clock.elapsed() / 10 + 2, qPrintable(QString::number(frames)));
        ::close(fd);
    }

    void logKeepsTheNewestLines_data() {
        QTest::addColumn<QList<int>>("chunksPerFlush");
        QTest::newRow("one flush over the limit") << QList<int>{3 * ByteLogWidget::kMaxLines};
        QTest::newRow("trimmed after several flushes")
            << QList<int>{1000, ByteLogWidget::kMaxLines, 600};
    }
    void logKeepsTheNewestLines() {
        QFETCH(QList<int>, chunksPerFlush);
        ByteLogWidget log;
        int next = 0;
        QStringList lines;
        for (int count : chunksPerFlush) {
            // Alternating directions: a line each, numbered by its two bytes.
            for (int i = 0; i < count; ++i, ++next)
                log.append(next % 2 ? Direction::FromTerminal : Direction::ToTerminal,
                           QByteArray(1, char(next >> 8)) + char(next & 0xFF));
            lines = log.text().split(QLatin1Char('\n'));
        }
        QVERIFY2(lines.size() >= ByteLogWidget::kMaxLines &&
                     lines.size() <= ByteLogWidget::kMaxLines * 5 / 4,
                 qPrintable(QString::number(lines.size())));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int expected = next - int(lines.size()) + int(i);
            QCOMPARE(lines[i].mid(14, 5).remove(QLatin1Char(' ')).toInt(nullptr, 16), expected);
            QCOMPARE(lines[i].startsWith(ByteLogWidget::prefix(Direction::FromTerminal)),
                     expected % 2 == 1);
        }
    }
};

QTEST_MAIN(TestSimWindowUpdates)
#include "tst_simwindowupdates.moc"

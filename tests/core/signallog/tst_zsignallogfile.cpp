// A day of the signal log: what the program writes reads back, the line variants a file may
// hold, damaged lines among good ones across chunk borders, the clock set back, and following a
// file the program is writing.

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "zsignallogfile.h"

namespace {

const QString Day = QStringLiteral("2026-12-10");

void write(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    QVERIFY(file.open(mode));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QVector<double> keysOf(const ZSignalLogFile::Result &result)
{
    return result.times;
}

} // namespace

class TestZSignalLogFile : public QObject
{
    Q_OBJECT

private slots:
    void writtenLinesReadBack();
    void line_data();
    void line();
    void damagedAndOutOfOrder_data();
    void damagedAndOutOfOrder();
    void followsCompleteLinesOnly();
    void pausesBreakTheLine_data();
    void pausesBreakTheLine();

private:
    QTemporaryDir m_dir;
};

void TestZSignalLogFile::writtenLinesReadBack()
{
    // Either side of midnight into the file of the day the program started, negative and
    // positive powers, one past the three decimals the line keeps.
    const QDate day(2026, 12, 10);
    const QVector<QPair<QDateTime, double>> samples{
        {QDateTime(day, QTime(14, 3, 7, 412)), -61.18},
        {QDateTime(day, QTime(23, 59, 59, 999)), 3.5},
        {QDateTime(day.addDays(1), QTime(0, 0, 1, 5)), -120.0004},
    };
    QByteArray text;
    for (const auto &sample : samples)
        text += ZSignalLogFile::line(sample.first, ZSignalLogFile::sample(sample.second));
    QCOMPARE(text.left(text.indexOf('\n') + 1), QByteArray("2026-12-10 14:03:07.412 \"-61.180\"\n"));
    QCOMPARE(ZSignalLogFile::fileName(day), Day);
    QCOMPARE(ZSignalLogFile::dayOf(Day), day);
    const QString path = m_dir.filePath(ZSignalLogFile::fileName(day));
    write(path, text);

    const ZSignalLogFile::Result result = ZSignalLogFile(path).read();
    QCOMPARE(result.lines, 3);
    QCOMPARE(result.damaged, 0);
    QCOMPARE(result.times, (QVector<double>{50587.412, 86399.999, 86401.005}));
    QCOMPARE(result.powers, (QVector<double>{-61.18, 3.5, -120.0}));
}

void TestZSignalLogFile::line_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("key"); // NaN: damaged
    QTest::addColumn<double>("value");
    const double damaged = std::nan("");

    QTest::newRow("exact") << QByteArray("2026-12-10 14:03:07.412 \"-61.180\"\n") << 50587.412 << -61.18;
    QTest::newRow("unquoted") << QByteArray("2026-12-10 00:00:00.000 -40.5\n") << 0.0 << -40.5;
    QTest::newRow("CRLF") << QByteArray("2026-12-10 23:59:59.999 \"-7.000\"\r\n") << 86399.999 << -7.0;
    QTest::newRow("next day") << QByteArray("2026-12-11 00:00:01.500 \"-50.000\"\n") << 86401.5 << -50.0;
    QTest::newRow("month 13") << QByteArray("2026-13-10 14:03:07.412 \"-61.180\"\n") << damaged << 0.0;
    QTest::newRow("31 November") << QByteArray("2026-11-31 14:03:07.412 \"-61.180\"\n") << damaged << 0.0;
    QTest::newRow("hour 24") << QByteArray("2026-12-10 24:03:07.412 \"-61.180\"\n") << damaged << 0.0;
    QTest::newRow("no milliseconds") << QByteArray("2026-12-10 14:03:07 \"-61.180\"\n") << damaged << 0.0;
    QTest::newRow("no value") << QByteArray("2026-12-10 14:03:07.412\n") << damaged << 0.0;
    QTest::newRow("empty quotes") << QByteArray("2026-12-10 14:03:07.412 \"\"\n") << damaged << 0.0;
    QTest::newRow("unclosed quote") << QByteArray("2026-12-10 14:03:07.412 \"-61.180\n") << damaged << 0.0;
    QTest::newRow("cut in the value") << QByteArray("2026-12-10 14:03:07.412 \"-6x.180\"\n") << damaged << 0.0;
    QTest::newRow("garbage after") << QByteArray("2026-12-10 14:03:07.412 \"-61.180\" ok\n") << damaged << 0.0;
    QTest::newRow("nan") << QByteArray("2026-12-10 14:03:07.412 \"nan\"\n") << damaged << 0.0;
    QTest::newRow("blank line") << QByteArray("\n") << damaged << 0.0;
}

void TestZSignalLogFile::line()
{
    QFETCH(QByteArray, line);
    QFETCH(double, key);
    QFETCH(double, value);

    const QString path = m_dir.filePath(Day);
    write(path, line);
    const ZSignalLogFile::Result result = ZSignalLogFile(path).read();
    QVERIFY(result.error.isEmpty());
    QCOMPARE(result.lines, 1);
    QCOMPARE(result.end, qint64(line.size()));
    if (std::isnan(key)) {
        QCOMPARE(result.damaged, 1);
        QVERIFY(result.times.isEmpty() && result.powers.isEmpty());
    } else {
        QCOMPARE(result.damaged, 0);
        QCOMPARE(result.times.size(), 1);
        QVERIFY(std::abs(result.times.first() - key) < 1e-6);
        QCOMPARE(result.powers, QVector<double>{value});
    }
}

void TestZSignalLogFile::damagedAndOutOfOrder_data()
{
    QTest::addColumn<int>("chunkBytes");
    // Borders inside the stamp, inside the value and right after a '\n'.
    QTest::newRow("7-byte chunks") << 7;
    QTest::newRow("34-byte chunks, one line each") << 34;
    QTest::newRow("whole file at once") << int(ZSignalLogFile::DefaultChunkBytes);
}

void TestZSignalLogFile::damagedAndOutOfOrder()
{
    QFETCH(int, chunkBytes);
    // The clock set back by a minute after the second line; one line cut by a power failure, one
    // of garbage longer than the longest line the reader keeps whole.
    const QString path = m_dir.filePath(Day);
    write(path, "2026-12-10 10:00:00.000 \"-60.000\"\n"
                "2026-12-10 10:00:00.500 \"-61.000\"\n"
                "2026-12-10 09:59:01.000 \"-62.000\"\n"
                "2026-12-10 09:59:01.5\n"
                + QByteArray(100000, 'x') + "\n" // no line of the log: let go, not held
                "2026-12-10 10:00:00.500 \"-63.000\"\n");
    QVector<double> fractions;
    const ZSignalLogFile::Result result = ZSignalLogFile(path, chunkBytes).read(nullptr, [&](double f) { fractions << f; });
    QCOMPARE(result.lines, 6);
    QCOMPARE(result.damaged, 2);
    QCOMPARE(keysOf(result), (QVector<double>{35941.0, 36000.0, 36000.5, 36000.5}));
    // Equal keys stay in the order written.
    QCOMPARE(result.powers.mid(2), (QVector<double>{-61.0, -63.0}));
    QVERIFY(!fractions.isEmpty() && std::is_sorted(fractions.begin(), fractions.end()));
    QCOMPARE(fractions.last(), 1.0);
}

void TestZSignalLogFile::followsCompleteLinesOnly()
{
    const QString path = m_dir.filePath(Day);
    write(path, "2026-12-10 10:00:00.000 \"-60.000\"\n"
                "2026-12-10 10:00:00.100 \"-61.000\"\n"
                "2026-12-10 10:00:00.2");
    const ZSignalLogFile file(path);
    const ZSignalLogFile::Result first = file.read();
    QCOMPARE(keysOf(first), (QVector<double>{36000.0, 36000.1}));
    QCOMPARE(first.end, qint64(68));
    QCOMPARE(first.damaged, 0);

    const ZSignalLogFile::Result nothingNew = file.readFrom(first.end, first.head);
    QVERIFY(nothingNew.times.isEmpty() && !nothingNew.replaced);
    QCOMPARE(nothingNew.end, first.end);

    write(path, "00 \"-62.000\"\n2026-12-10 10:00:00.300 \"-63", QIODevice::Append);
    const ZSignalLogFile::Result second = file.readFrom(first.end, first.head);
    QCOMPARE(keysOf(second), QVector<double>{36000.2});
    QCOMPARE(second.powers, QVector<double>{-62.0});
    QCOMPARE(second.damaged, 0);

    // Cut short, or put in place of the one read: to be read whole again.
    write(path, "2026-12-10 10:00:00.000 \"-60.000\"\n");
    QVERIFY(file.readFrom(second.end, second.head).replaced);
    write(path, QByteArray("2026-12-10 11:00:00.000 \"-60.000\"\n").repeated(4));
    QVERIFY(file.readFrom(second.end, second.head).replaced);
}

void TestZSignalLogFile::pausesBreakTheLine_data()
{
    QTest::addColumn<QVector<double>>("keys");
    QTest::addColumn<QVector<double>>("breaks"); // where the points of no value go
    QTest::newRow("closed for five minutes") << QVector<double>{0, 0.5, 1, 301, 301.5} << QVector<double>{151};
    QTest::newRow("sampled every minute") << QVector<double>{0, 60, 120, 180} << QVector<double>();
    QTest::newRow("a late sample") << QVector<double>{0, 0.1, 0.2, 1.9, 2.0} << QVector<double>();
    QTest::newRow("two pauses") << QVector<double>{0, 1, 2, 10, 11, 12, 40} << QVector<double>{6, 26};
}

void TestZSignalLogFile::pausesBreakTheLine()
{
    QFETCH(QVector<double>, keys);
    QFETCH(QVector<double>, breaks);
    QVector<double> times = keys, powers(keys.size(), -60);
    ZSignalLogFile::breakAtPauses(times, powers);
    QCOMPARE(powers.size(), times.size());
    QVector<double> found, kept;
    for (int i = 0; i < times.size(); ++i)
        (std::isnan(powers.at(i)) ? found : kept).append(times.at(i));
    QCOMPARE(found, breaks);
    QCOMPARE(kept, keys);
}

QTEST_GUILESS_MAIN(TestZSignalLogFile)
#include "tst_zsignallogfile.moc"

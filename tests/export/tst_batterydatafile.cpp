// A run written as a Battery Data Format file, read back by a reader of the
// test's own: the columns and their units, each reading's values with the
// discharge's signs, the charge and energy counted up as the run counts them
// (gaps not bridged), time that never runs backwards, the metadata beside
// it, progress and cancel, and what failures leave behind.

#include "support/BdfReader.h"

#include "errors/Errors.h"
#include "export/BatteryDataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace tarvex;

namespace {

const QStringList kColumns{"Test Time / s",
                           "Unix Time / s",
                           "Voltage / V",
                           "Current / A",
                           "Power / W",
                           "Step Count / 1",
                           "Discharging Capacity / Ah",
                           "Discharging Energy / Wh"};

// 2026-12-11 08:30:00 UTC.
constexpr qint64 kStartMs = 1'796'977'800'000;

RunRecord sampleRun() {
    RunRecord run;
    run.id = 7;
    run.startedAt = QDateTime::fromMSecsSinceEpoch(kStartMs, Qt::UTC);
    run.endedAt = QDateTime::fromMSecsSinceEpoch(kStartMs + 3'600'000, Qt::UTC);
    run.firstId = 100;
    run.lastId = 199;
    run.readings = 100;
    run.end = RunEnd::MinimumVoltage;
    run.ampHours = 1.25;
    run.wattHours = 14.5;
    run.startVolts = 12.6;
    run.endVolts = 10.5;
    run.lowestVolts = 10.49;
    run.minimumVolts = 10.5;
    run.pollIntervalMs = 200;
    run.port = QStringLiteral("/dev/ttyUSB0");
    run.label = QStringLiteral("cell A");
    return run;
}

RunReading reading(qint64 elapsedMs, double volts, double amps, double watts) {
    RunReading r;
    r.id = 100 + elapsedMs / 200;
    r.takenAtMs = kStartMs + elapsedMs;
    r.elapsedMs = elapsedMs;
    r.volts = volts;
    r.amps = amps;
    r.watts = watts;
    return r;
}

// A discharge at a steady current, one reading per poll, the voltage falling.
QList<RunReading> steadyRun(int count, int pollMs, double amps) {
    QList<RunReading> readings;
    for (int i = 0; i < count; ++i) {
        const double volts = std::round((12.6 - 2.0 * i / count) * 100) / 100;
        readings << reading(qint64(i) * pollMs, volts, amps, std::round(volts * amps * 100) / 100);
    }
    return readings;
}

BdfEquipment equipment() {
    return {QStringLiteral("Tarvex"), QStringLiteral("2.0"), QString(), 0};
}

} // namespace

class TestBatteryDataFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_lastName; // of the last data file writeAndRead() wrote
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Writes readings of run into a fresh name.bdf.csv and reads it back.
    BdfData writeAndRead(const RunRecord& run, const QList<RunReading>& readings,
                         const BdfEquipment& with = equipment()) {
        static int serial = 0;
        const QString csv = path(QStringLiteral("run%1.bdf.csv").arg(++serial));
        m_lastName = QFileInfo(csv).fileName();
        if (!writeBatteryDataFile(run, readings, with, csv))
            qWarning("writeBatteryDataFile() said cancelled");
        QString error;
        const auto data = readBdf(csv, bdfMetadataPath(csv), &error);
        if (!data)
            qWarning("The file does not read back: %s", qPrintable(error));
        return data.value_or(BdfData());
    }

private slots:
    // A locale with a decimal comma: none of it may reach the files.
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void columnsAndUnits() {
        QCOMPARE(bdfColumns(), kColumns);
        const BdfData data = writeAndRead(sampleRun(), steadyRun(3, 200, 1));
        QCOMPARE(data.columns, kColumns);
        QCOMPARE(data.rows.size(), 3);
        const QByteArray bytes = readWholeFile(path(QStringLiteral("run1.bdf.csv")));
        QVERIFY(bytes.startsWith("Test Time / s,Unix Time / s,Voltage / V,"));
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    }

    // Each reading's line: its times in seconds, the voltage as the load gave
    // it, current and power negative while discharging (a reading without
    // current shows plain 0), step 1.
    void readingValuesAndSigns_data() {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("watts");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("first reading")
            << qint64(0) << 12.6 << 1.0 << 12.6
            << QStringList{"0.000", "1796977800.000", "12.6", "-1", "-12.6", "1"};
        QTest::newRow("milliseconds kept")
            << qint64(1234567) << 11.57 << 2.35 << 27.19
            << QStringList{"1234.567", "1796979034.567", "11.57", "-2.35", "-27.19", "1"};
        QTest::newRow("no current")
            << qint64(5) << 12.01 << 0.0 << 0.0
            << QStringList{"0.005", "1796977800.005", "12.01", "0", "0", "1"};
        QTest::newRow("large power, no exponent")
            << qint64(86'400'000) << 400.0 << 250.0 << 100000.0
            << QStringList{"86400.000", "1797064200.000", "400", "-250", "-100000", "1"};
        QTest::newRow("small current")
            << qint64(200) << 3.3 << 0.01 << 0.03
            << QStringList{"0.200", "1796977800.200", "3.3", "-0.01", "-0.03", "1"};
    }
    void readingValuesAndSigns() {
        QFETCH(qint64, elapsedMs);
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(double, watts);
        QFETCH(QStringList, fields);
        const BdfData data = writeAndRead(sampleRun(), {reading(elapsedMs, volts, amps, watts)});
        QCOMPARE(data.texts.size(), 1);
        QCOMPARE(data.texts[0].mid(0, 6), fields);
        QCOMPARE(data.rows[0][data.column("Voltage / V")], volts);
        QCOMPARE(data.rows[0][data.column("Current / A")], amps == 0 ? 0.0 : -amps);
        QCOMPARE(data.rows[0][data.column("Power / W")], watts == 0 ? 0.0 : -watts);
    }

    // The charge and energy count up by the trapezoid rule over the times
    // since Load ON; readings more than three poll intervals apart are not
    // joined (poll interval 200 ms: a gap of 600 ms is joined, 601 ms not).
    void chargeAndEnergyCountUp_data() {
        QTest::addColumn<QList<RunReading>>("readings");
        QTest::addColumn<double>("ampHours");
        QTest::addColumn<double>("wattHours");
        QTest::newRow("one reading") << QList<RunReading>{reading(0, 12, 1, 12)} << 0.0 << 0.0;
        // 3 A on average for 0.6 s; 30 W on average.
        QTest::newRow("current rising")
            << QList<RunReading>{reading(0, 10, 2, 20), reading(600, 10, 4, 40)} << 1.8 / 3600
            << 18.0 / 3600;
        // An hour at 2 A, one reading every 200 ms.
        QTest::newRow("an hour at 2 A")
            << steadyRun(18001, 200, 2) << 2.0 << qQNaN(); // energy: within the bounds below
        QTest::newRow("gap of three intervals joined")
            << QList<RunReading>{reading(0, 12, 1, 12), reading(600, 12, 1, 12)} << 0.6 / 3600
            << 7.2 / 3600;
        QTest::newRow("longer gap not joined")
            << QList<RunReading>{reading(0, 12, 1, 12), reading(200, 12, 1, 12),
                                 reading(801, 12, 1, 12), reading(1001, 12, 1, 12)}
            << 0.4 / 3600 << 4.8 / 3600;
    }
    void chargeAndEnergyCountUp() {
        QFETCH(QList<RunReading>, readings);
        QFETCH(double, ampHours);
        QFETCH(double, wattHours);
        const BdfData data = writeAndRead(sampleRun(), readings);
        const QList<double> charge = data.values("Discharging Capacity / Ah");
        const QList<double> energy = data.values("Discharging Energy / Wh");
        QCOMPARE(charge.size(), readings.size());
        QCOMPARE(charge.first(), 0.0);
        QCOMPARE(energy.first(), 0.0);
        for (qsizetype i = 1; i < charge.size(); ++i) {
            QVERIFY2(charge[i] >= charge[i - 1], qPrintable(QString::number(i)));
            QVERIFY2(energy[i] >= energy[i - 1], qPrintable(QString::number(i)));
        }
        // Written to 0.1 uAh and 0.1 uWh.
        QVERIFY2(std::abs(charge.last() - ampHours) <= 0.5e-7,
                 qPrintable(QString::number(charge.last(), 'g', 10)));
        if (!qIsNaN(wattHours))
            QVERIFY2(std::abs(energy.last() - wattHours) <= 0.5e-7,
                     qPrintable(QString::number(energy.last(), 'g', 10)));
        // The energy is the power integrated: at most the start voltage times
        // the charge, at least the end voltage times it.
        QVERIFY(energy.last() <= charge.last() * readings.first().volts + 1e-6);
        QVERIFY(energy.last() >= charge.last() * readings.last().volts - 1e-6);
    }

    // Both times never run backwards, and a second of test time is a second
    // of Unix time.
    void timeIsMonotonic() {
        const BdfData data = writeAndRead(sampleRun(), steadyRun(5000, 250, 1.5));
        const QList<double> test = data.values("Test Time / s");
        const QList<double> unix = data.values("Unix Time / s");
        QCOMPARE(test.size(), 5000);
        for (qsizetype i = 1; i < test.size(); ++i) {
            QVERIFY(test[i] > test[i - 1]);
            QVERIFY(unix[i] > unix[i - 1]);
            QCOMPARE(std::llround((unix[i] - test[i]) * 1000), kStartMs);
        }
        QCOMPARE(data.values("Step Count / 1"), QList<double>(5000, 1.0));
    }

    // The metadata: format, columns, label (any script), times, the equipment
    // (the run's port and interval unless the equipment names its own), the
    // limits (null where none), the run's figures and the sign convention.
    void metadataDescribesTheRun() {
        RunRecord run = sampleRun();
        run.label = QStringLiteral("电池 A, \"best\"");
        run.limits.maxElapsedMs = 5'400'000;
        run.limits.maxAmpHours = 1.8;
        run.uncountedMs = 1500;
        const BdfData data = writeAndRead(run, steadyRun(10, 200, 1));
        const QJsonObject meta = data.metadata;
        QCOMPARE(meta["format"].toString(), "Battery Data Format");
        QCOMPARE(meta["data_file"].toString(), m_lastName);
        QCOMPARE(meta["data_rows"].toInt(), 10);
        QCOMPARE(meta["columns"].toArray().toVariantList(), QVariant(kColumns).toList());
        QCOMPARE(meta["label"].toString(), run.label);
        QCOMPARE(meta["start_time"].toString(), "2026-12-11T08:30:00.000Z");
        QCOMPARE(meta["end_time"].toString(), "2026-12-11T09:30:00.000Z");
        QCOMPARE(meta["stop_reason"].toString(), "minimum voltage");

        const QJsonObject equipment = meta["equipment"].toObject();
        QCOMPARE(equipment["program"].toString(), "Tarvex");
        QCOMPARE(equipment["version"].toString(), "2.0");
        QCOMPARE(equipment["port"].toString(), "/dev/ttyUSB0");
        QCOMPARE(equipment["poll_interval_ms"].toInt(), 200);

        const QJsonObject limits = meta["limits"].toObject();
        QCOMPARE(limits["minimum_voltage_volt"].toDouble(), 10.5);
        QCOMPARE(limits["test_time_second"].toDouble(), 5400.0);
        QCOMPARE(limits["discharging_capacity_ah"].toDouble(), 1.8);
        QVERIFY(limits.contains("discharging_energy_wh"));
        QVERIFY(limits["discharging_energy_wh"].isNull());

        const QJsonObject figures = meta["run"].toObject();
        QCOMPARE(figures["run_id"].toInt(), 7);
        QCOMPARE(figures["readings"].toInt(), 100);
        QCOMPARE(figures["discharging_capacity_ah"].toDouble(), 1.25);
        QCOMPARE(figures["discharging_energy_wh"].toDouble(), 14.5);
        QCOMPARE(figures["start_voltage_volt"].toDouble(), 12.6);
        QCOMPARE(figures["end_voltage_volt"].toDouble(), 10.5);
        QCOMPARE(figures["lowest_voltage_volt"].toDouble(), 10.49);
        QCOMPARE(figures["uncounted_time_second"].toDouble(), 1.5);
        QCOMPARE(figures["readings_cleared"].toBool(), false);

        const QJsonObject signs = meta["sign_convention"].toObject();
        QVERIFY(signs["current_ampere"].toString().contains("negative while the cell discharges"));
        QVERIFY(signs["power_watt"].toString().contains("negative while the cell discharges"));
    }

    void equipmentOverridesTheRunsPort() {
        const BdfData data = writeAndRead(
            sampleRun(), steadyRun(2, 500, 1),
            {QStringLiteral("Tarvex"), QStringLiteral("2.1"), QStringLiteral("/dev/ttyS1"), 500});
        const QJsonObject equipment = data.metadata["equipment"].toObject();
        QCOMPARE(equipment["port"].toString(), "/dev/ttyS1");
        QCOMPARE(equipment["poll_interval_ms"].toInt(), 500);
        // A 500 ms interval joins readings 1.5 s apart.
        const BdfData joined =
            writeAndRead(sampleRun(), {reading(0, 12, 1, 12), reading(1500, 12, 1, 12)},
                         {QStringLiteral("Tarvex"), QStringLiteral("2.1"), QString(), 500});
        QCOMPARE(joined.values("Discharging Capacity / Ah").last(), 0.0004167);
    }

    void stopReasonAndOpenEnd_data() {
        QTest::addColumn<RunEnd>("end");
        QTest::addColumn<QString>("key");
        QTest::newRow("load off") << RunEnd::LoadOff << "load off";
        QTest::newRow("time limit") << RunEnd::TimeLimit << "time limit";
        QTest::newRow("charge limit") << RunEnd::ChargeLimit << "charge limit";
        QTest::newRow("energy limit") << RunEnd::EnergyLimit << "energy limit";
        QTest::newRow("silence") << RunEnd::Silence << "silence";
        QTest::newRow("link lost") << RunEnd::LinkLost << "link lost";
        QTest::newRow("closed") << RunEnd::Closed << "closed";
        QTest::newRow("port changed") << RunEnd::PortChanged << "port changed";
        QTest::newRow("unexpected") << RunEnd::Unexpected << "ended unexpectedly";
        QTest::newRow("running") << RunEnd::Running << "running";
    }
    void stopReasonAndOpenEnd() {
        QFETCH(RunEnd, end);
        QFETCH(QString, key);
        RunRecord run = sampleRun();
        run.end = end;
        if (end == RunEnd::Running)
            run.endedAt = QDateTime();
        const BdfData data = writeAndRead(run, steadyRun(2, 200, 1));
        QCOMPARE(data.metadata["stop_reason"].toString(), key);
        QCOMPARE(data.metadata["end_time"].isNull(), end == RunEnd::Running);
    }

    // A run without readings: the header alone, and its metadata.
    void runWithoutReadings() {
        RunRecord run = sampleRun();
        run.readings = 0;
        run.readingsCleared = true;
        const BdfData data = writeAndRead(run, {});
        QCOMPARE(data.columns, kColumns);
        QVERIFY(data.rows.isEmpty());
        QCOMPARE(data.metadata["data_rows"].toInt(), 0);
        QCOMPARE(data.metadata["run"].toObject()["readings_cleared"].toBool(), true);
    }

    // Progress goes up to the total; a cancel at any call leaves no file
    // behind, and files already there as they were.
    void progressAndCancel_data() {
        QTest::addColumn<int>("cancelAtCall");
        QTest::newRow("never") << -1;
        QTest::newRow("first call") << 0;
        QTest::newRow("middle") << 2;
        QTest::newRow("last call") << 4;
    }
    void progressAndCancel() {
        QFETCH(int, cancelAtCall);
        const QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("cell.bdf.csv"));
        const QString json = bdfMetadataPath(csv);
        const QList<RunReading> readings = steadyRun(4 * 4096 + 10, 200, 1);
        QList<qint64> done;
        QList<qint64> totals;
        const bool written = writeBatteryDataFile(sampleRun(), readings, equipment(), csv,
                                                  [&](qint64 d, qint64 total) {
                                                      done << d;
                                                      totals << total;
                                                      return int(done.size()) - 1 != cancelAtCall;
                                                  });
        QCOMPARE(totals, QList<qint64>(done.size(), readings.size()));
        if (cancelAtCall < 0) {
            QVERIFY(written);
            QCOMPARE(done, (QList<qint64>{4096, 8192, 12288, 16384, 16394}));
            QVERIFY(QFile::exists(csv));
            QVERIFY(QFile::exists(json));
            return;
        }
        QVERIFY(!written);
        QCOMPARE(done.size(), cancelAtCall + 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

        // Files from before stay as they were.
        writeFileBytes(csv, "old data");
        writeFileBytes(json, "old metadata");
        done.clear();
        QVERIFY(
            !writeBatteryDataFile(sampleRun(), readings, equipment(), csv, [&](qint64 d, qint64) {
                done << d;
                return int(done.size()) - 1 != cancelAtCall;
            }));
        QCOMPARE(readWholeFile(csv), "old data");
        QCOMPARE(readWholeFile(json), "old metadata");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // A file that cannot be written raises ExportError naming it; nothing is
    // left behind.
    void failuresNameTheFile() {
        const QTemporaryDir dir;
        // A directory that is a file.
        writeFileBytes(dir.filePath(QStringLiteral("plain")), "x");
        const QString inFile = dir.filePath(QStringLiteral("plain/cell.bdf.csv"));
        try {
            writeBatteryDataFile(sampleRun(), steadyRun(3, 200, 1), equipment(), inFile);
            QFAIL("no ExportError");
        } catch (const ExportError& e) {
            QVERIFY2(e.message().contains(inFile), qPrintable(e.message()));
        }

        // The metadata file's place is taken by a directory: the data file
        // does not stay without it.
        const QString csv = dir.filePath(QStringLiteral("cell.bdf.csv"));
        QVERIFY(QDir().mkpath(bdfMetadataPath(csv)));
        try {
            writeBatteryDataFile(sampleRun(), steadyRun(3, 200, 1), equipment(), csv);
            QFAIL("no ExportError");
        } catch (const ExportError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("cell.bdf.metadata.json")),
                     qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
    }

    void metadataPath_data() {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("metadata");
        QTest::newRow("bdf.csv") << "/a/cell.bdf.csv"
                                 << "/a/cell.bdf.metadata.json";
        QTest::newRow("upper case") << "/a/cell.BDF.CSV"
                                    << "/a/cell.bdf.metadata.json";
        QTest::newRow("csv alone") << "/a/cell.csv"
                                   << "/a/cell.bdf.metadata.json";
        QTest::newRow("no suffix") << "/a/cell"
                                   << "/a/cell.bdf.metadata.json";
        QTest::newRow("dots in the name") << "/a/run 1.5 Ah.bdf.csv"
                                          << "/a/run 1.5 Ah.bdf.metadata.json";
    }
    void metadataPath() {
        QFETCH(QString, csv);
        QFETCH(QString, metadata);
        QCOMPARE(bdfMetadataPath(csv), metadata);
    }

    void proposedFileName_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::newRow("no label") << ""
                                  << "run 7.bdf.csv";
        QTest::newRow("label") << "cell A"
                               << "run 7 cell A.bdf.csv";
        QTest::newRow("slash and line break") << "18650/2\nnew"
                                              << "run 7 18650_2 new.bdf.csv";
        QTest::newRow("Chinese") << "电池"
                                 << "run 7 电池.bdf.csv";
    }
    void proposedFileName() {
        QFETCH(QString, label);
        QFETCH(QString, name);
        RunRecord run = sampleRun();
        run.label = label;
        QCOMPARE(bdfFileName(run), name);
    }

private:
    static void writeFileBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
};

QTEST_GUILESS_MAIN(TestBatteryDataFile)
#include "tst_batterydatafile.moc"

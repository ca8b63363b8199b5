// The LibreOffice plugin when the office cannot be had: missing, ending at
// once, never accepting the connection, or taking it and never answering.
// Shell scripts and a fake office stand in for the office, so no display is
// needed.

#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetExport.h"
#include "export/libreoffice/OfficeProcess.h"
#include "support/ReviewFixture.h"
#include "ui/MessageBoxes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarvex;

namespace {

QString pluginPath() {
    return QStringLiteral(TARVEX_LIBREOFFICE_PLUGIN);
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
}

} // namespace

class TestLibreOfficeStart : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<MessageRequest> m_messages;

    QString script(const QString& name, const QByteArray& body) {
        const QString path = QDir(m_dir.path()).filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body) < 0)
            return {};
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    QString freshProfileParent(const QString& name) {
        const QString path = QDir(m_dir.path()).filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        setMessageHandler([this](const MessageRequest& r) {
            m_messages.append(r);
            return QMessageBox::Yes;
        });
    }
    void init() { m_messages.clear(); }

    void officeThatCannotBeHadEndsInTheWarning_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not installed") << "/nonexistent/soffice"
                                       << "Cannot start";
        QTest::newRow("ends at once") << "/bin/true"
                                      << "ended before it accepted";
        QTest::newRow("never accepts") << "sleeper"
                                       << "did not accept a connection";
    }
    void officeThatCannotBeHadEndsInTheWarning() {
        QFETCH(QString, program);
        QFETCH(QString, reason);
        const QString pidFile = QDir(m_dir.path()).filePath("sleeper.pid");
        if (program == "sleeper") {
            program = script("sleeper", "echo $$ > '" + pidFile.toUtf8() + "'\nsleep 600\n");
            QVERIFY(!program.isEmpty());
        }
        LibreOfficeSettings settings;
        settings.officeProgram = program;
        settings.connectTimeoutMs = 1500;
        settings.profileParent = freshProfileParent(QTest::currentDataTag());
        LibreOfficeInstance started;
        settings.startedInstance = &started;
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);

        try {
            automation->newInstance();
            QFAIL("an instance without an office");
        } catch (const SpreadsheetError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(reason), e.what());
        }
        // Never handed out as started.
        QVERIFY(started.pipeName.isEmpty());
        QCOMPARE(started.pid, qint64(0));
        // Its profile is gone with it.
        QCOMPARE(entries(settings.profileParent), QStringList());
        if (QFile::exists(pidFile)) {
            QFile f(pidFile);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const qint64 pid = f.readAll().trimmed().toLongLong();
            // The office that never answered has been ended.
            QTRY_VERIFY(!office::isRunning(pid, "--nologo"));
            QFile::remove(pidFile);
        }

        // Through the button: the warning, and nothing else.
        SpreadsheetExport component(*automation);
        StoredRows stored(readingRows(3));
        QVERIFY(!exportReadingsToSpreadsheet(component, stored.model()));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text.section(u'\n', 0, 0), QStringLiteral("no Install Excel!"));
        QCOMPARE(entries(settings.profileParent), QStringList());
    }

    // An office that takes the connection and then never answers: the call
    // waits no longer than its time-out, the office's whole process group is
    // ended, and neither its profile nor its pipes are left in the temporary
    // directories. Through the button: the warning.
    void officeThatStopsAnsweringIsEnded() {
        const QString record = QDir(m_dir.path()).filePath("fake-office.record");
        qputenv("TARVEX_FAKE_OFFICE_RECORD", QFile::encodeName(record));
        LibreOfficeSettings settings;
        settings.officeProgram = QStringLiteral(TARVEX_FAKE_OFFICE);
        settings.callTimeoutMs = 1500;
        settings.profileParent = freshProfileParent("silent");
        LibreOfficeInstance started;
        settings.startedInstance = &started;
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);
        // Whatever the test finds, no fake office outlives it.
        QList<qint64> offices;
        const auto endOffices = qScopeGuard([&] {
            for (const qint64 pid : offices)
                office::killGroup(pid, std::chrono::milliseconds(0));
        });

        for (int press = 0; press < 2; ++press) {
            QFile::remove(record);
            m_messages.clear();
            if (press == 0) {
                try {
                    automation->newInstance();
                    QFAIL("an instance of an office that does not answer");
                } catch (const SpreadsheetError& e) {
                    QVERIFY2(QString::fromUtf8(e.what()).contains("did not answer within 1.5 s"),
                             e.what());
                }
            } else {
                SpreadsheetExport component(*automation);
                StoredRows stored(readingRows(3));
                QVERIFY(!exportReadingsToSpreadsheet(component, stored.model()));
                QCOMPARE(m_messages.size(), 1);
                QCOMPARE(m_messages[0].text.section(u'\n', 0, 0),
                         QStringLiteral("no Install Excel!"));
            }
            QFile file(record);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QStringList lines =
                QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 3);
            const qint64 pid = lines[0].toLongLong();
            QVERIFY(pid > 0);
            offices << pid;
            QVERIFY(!office::isGroupRunning(pid));
            for (const QString& socket : lines.mid(1))
                QVERIFY2(!QFileInfo::exists(socket), qPrintable(socket));
            QCOMPARE(entries(settings.profileParent), QStringList());
            QVERIFY(started.pipeName.isEmpty());
        }
        qunsetenv("TARVEX_FAKE_OFFICE_RECORD");
    }

    // The office gets its own profile and pipe, no start window, and not this
    // process's URE_BOOTSTRAP.
    void officeStartsWithItsOwnProfileAndPipe() {
        const QString out = QDir(m_dir.path()).filePath("office.args");
        const QString program = script(
            "recorder", "for a in \"$@\"; do echo \"$a\"; done > '" + out.toUtf8() +
                            "'\nenv | grep -c '^URE_BOOTSTRAP=' >> '" + out.toUtf8() + "'\n");
        qputenv("URE_BOOTSTRAP", "file:///somewhere/fundamentalrc");
        // As in the program (the test library catches SIGPIPE itself).
        ::signal(SIGPIPE, SIG_DFL);
        LibreOfficeSettings settings;
        settings.officeProgram = program;
        settings.profileParent = freshProfileParent("recorder-profiles");
        auto automation = loadLibreOfficeAutomation(pluginPath(), settings);
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, automation->newInstance());
        qunsetenv("URE_BOOTSTRAP");

        QFile f(out);
        QTRY_VERIFY(f.exists() && f.size() > 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.takeLast(), QStringLiteral("0")); // no URE_BOOTSTRAP
        QVERIFY(lines[0].startsWith("-env:UserInstallation=file://" + settings.profileParent +
                                    "/tarvex-office-"));
        QVERIFY(QRegularExpression("^--accept=pipe,name=tarvex-[0-9]+-[0-9a-f]{32};urp;$")
                    .match(lines[1])
                    .hasMatch());
        QCOMPARE(lines.mid(2),
                 (QStringList{"--nologo", "--nodefault", "--norestore", "--nolockcheck"}));

        // A second instance has a pipe and a profile of its own.
        f.close();
        QFile::remove(out);
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, automation->newInstance());
        QFile second(out);
        QTRY_VERIFY(second.exists() && second.size() > 0);
        QVERIFY(second.open(QIODevice::ReadOnly));
        // An office that goes away in the middle of a call must not end
        // this program with SIGPIPE.
        struct sigaction pipe {};
        QCOMPARE(::sigaction(SIGPIPE, nullptr, &pipe), 0);
        QVERIFY(pipe.sa_handler == SIG_IGN);
        const QStringList again =
            QString::fromUtf8(second.readAll()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(again[0] != lines[0]);
        QVERIFY(again[1] != lines[1]);
    }
};

QTEST_MAIN(TestLibreOfficeStart)
#include "tst_libreofficestart.moc"

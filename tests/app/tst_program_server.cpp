// The program started on a bench whose alias names a PostgreSQL server that
// cannot take its readings at start: out of reach, or its schema held by
// another program. The operator is warned, the program runs, and the readings
// are kept until the server takes them.
#include "support/PostgresServer.h"
#include "support/StoreFixture.h"

#include "app/Program.h"
#include "control/ControlWindow.h"
#include "protocol/DeviceFrame.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/SerialLink.h"
#include "support/WindowFinder.h"
#include "ui/MessageBoxes.h"

#include <QLabel>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace tarvex;

namespace {

constexpr int kWaitMs = 20000;

QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

} // namespace

class TestProgramServer : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<ScratchStore> m_engine;
    QList<MessageRequest> m_boxes;
    MessageHandler m_previousHandler;

    QList<QVariantList> rows(const QString& schema) {
        ServerDb db(*m_server);
        return db.rows(QStringLiteral("SELECT \"ID\", \"VolVal\" FROM \"%1\".\"Tarvex\" "
                                      "ORDER BY \"ID\"")
                           .arg(schema));
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        m_previousHandler = setMessageHandler([this](const MessageRequest& r) {
            m_boxes.append(r);
            return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        });
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void cleanupTestCase() {
        m_server.reset();
        setMessageHandler(m_previousHandler);
    }
    void init() {
        QVERIFY(m_server->start());
        m_boxes.clear();
        m_engine = std::make_unique<ScratchStore>();
    }
    void cleanup() { m_engine.reset(); }

    void serverThatCannotTakeReadingsAtStartIsTold_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("warning"); // how the warning starts
        QTest::newRow("server out of reach")
            << "stopped"
            << "The server of the reading table cannot be reached or used (database lab on "
               "socket directory %1, port %2, schema %3): Cannot connect";
        QTest::newRow("schema held by another program")
            << "claimed"
            << "Another program is already storing its readings in schema %3 of database lab on "
               "socket directory %1, port %2: two benches must not log into one schema.";
    }
    void serverThatCannotTakeReadingsAtStartIsTold() {
        QFETCH(QString, how);
        QFETCH(QString, warning);
        const QString schema = QStringLiteral("program_") + how;
        const QByteArray config = m_server->aliasText(QStringLiteral("RoruvEde"), schema);
        writeFile(m_engine->configFile(), config);

        // The other program: a program of its own that holds the schema.
        auto other = std::make_unique<QProcess>();
        if (how == QStringLiteral("claimed")) {
            other->setProgram(QStringLiteral(TARVEX_LOG_CHILD));
            other->setArguments(
                {m_engine->configFile(), m_engine->dataDir(), QStringLiteral("hold")});
            other->start();
            QVERIFY2(other->waitForReadyRead(kWaitMs), other->readAllStandardError().constData());
            ReadingStore::forgetSetUp();
        } else {
            QVERIFY(m_server->stop());
        }

        auto program = std::make_unique<Program>(m_engine->dataDir());
        QVERIFY(program->controlWindow());
        program->controlWindow()->show();
        QCOMPARE(m_boxes.size(), 1);
        const QString expected =
            warning.arg(m_server->socketDirectory()).arg(m_server->port()).arg(schema);
        QVERIFY2(m_boxes.first().text.startsWith(expected), qPrintable(m_boxes.first().text));
        QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(m_boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QCOMPARE(fileBytes(m_engine->configFile()), config);
        QVERIFY(!QFile::exists(m_engine->dataDir() + QStringLiteral("/tables.db")));

        // The program runs: readings come and wait.
        QList<QString> volts;
        for (int i = 0; i < 5; ++i) {
            const DeviceFrame answer = makeStatusAnswer(1000, 12000 - i * 10, 120);
            volts << decodeStatusAnswer(answer).voltsText;
            emitAcross(program->run()->link(), &SerialLink::chunkReceived, bytesOf(answer));
        }
        auto* storePanel = child<QLabel>(program->controlWindow(), "storePanel");
        QTRY_COMPARE_WITH_TIMEOUT(storePanel->text(),
                                  QStringLiteral("Readings waiting to be stored: 5"), kWaitMs);
        QCOMPARE(m_boxes.size(), 2); // the readings wait: told once
        QVERIFY2(m_boxes[1].text.startsWith(QStringLiteral("Readings cannot be stored now: ")),
                 qPrintable(m_boxes[1].text));

        // The server takes them: back, or the other program ends.
        if (how == QStringLiteral("claimed")) {
            other->kill();
            QVERIFY(other->waitForFinished(kWaitMs));
        } else {
            QVERIFY(m_server->start());
        }
        QTRY_COMPARE_WITH_TIMEOUT(storePanel->text(),
                                  QStringLiteral("All 5 waiting readings stored"), kWaitMs);
        const QList<QVariantList> stored = rows(schema);
        QCOMPARE(stored.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), volts[i]);
        }
        QCOMPARE(m_boxes.size(), 2);
    }
};

QTEST_MAIN(TestProgramServer)
#include "tst_program_server.moc"

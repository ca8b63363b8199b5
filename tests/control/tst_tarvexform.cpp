// The whole program in-process against the simulated load on a
// pseudo-terminal; message boxes are answered by the test.
#include "support/StoreFixture.h"

#include "app/Program.h"
#include "control/Main.h"
#include "control/Setfrm.h"
#include "loadsim/LoadSimulator.h"
#include "review/Aboutfrm.h"
#include "review/Queryfrm.h"
#include "serial/SerialLink.h"
#include "store/TableEngine.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/WindowTimer.h"
#include "widgets/ElapsedClock.h"
#include "widgets/NumberField.h"
#include "widgets/SevenSegmentReadout.h"
#include "widgets/StripChart.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <memory>

using namespace tarvex;

using loadsim::LoadSimulator;

namespace {

constexpr int kWaitMs = 10000;

QByteArray Bytes(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}
QByteArray Bytes(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}

const QByteArray kQuery = Bytes(makeStatusQuery());
const QByteArray kPc = Bytes(makeControlFrame(ControlMode::ComputerLoadOff));
const QByteArray kOn = Bytes(makeControlFrame(ControlMode::ComputerLoadOn));
const QByteArray kOff = kPc;
const QByteArray kSelf = Bytes(makeControlFrame(ControlMode::FrontPanel));

// The answer a load would give for these raw values.
DeviceFrame Answer(int milliAmps, int milliVolts, int deciWatts) {
    return makeStatusAnswer(std::uint16_t(milliAmps), milliVolts, std::uint16_t(deciWatts));
}

struct Buttons {
    bool pc, self, on, off;
    bool operator==(const Buttons&) const = default;
};

} // namespace

namespace QTest {
template <> char* toString(const Buttons& b) {
    return qstrdup(QStringLiteral("Pc=%1 Self=%2 On=%3 Off=%4")
                       .arg(b.pc)
                       .arg(b.self)
                       .arg(b.on)
                       .arg(b.off)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class TestTarvexForm : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchEngine> engine;
    std::unique_ptr<LoadSimulator> sim;
    std::unique_ptr<TProgram> program;
    QList<MessageRequest> boxes;
    MessageHandler previousHandler;

    TTarvexForm& form() { return *program->TarvexForm; }
    TComSet& comSet() { return *program->ComSet; }

    Buttons buttons() {
        return {form().BtnPc->isEnabled(), form().BtnSelf->isEnabled(), form().BtnOn->isEnabled(),
                form().BtnOff->isEnabled()};
    }

    // The frames the load has received, in order.
    QList<QByteArray> wire() {
        QList<QByteArray> frames;
        for (const auto& f : sim->receivedFrames())
            frames.append(Bytes(f.bytes));
        return frames;
    }
    QList<QByteArray> controlFrames() {
        QList<QByteArray> frames = wire();
        frames.removeAll(kQuery);
        return frames;
    }

    QList<QVariantList> rows() {
        RawDb db(engine->tableFile());
        return db.rows(QStringLiteral("select ID, VolVal, CurVal, PowVal, TestDate from Tarvex "
                                      "order by ID"));
    }

    // "Setting", entries typed, OK.
    void applySettings(const QString& port, const QString& baud = QStringLiteral("9600"),
                       const QString& interval = QStringLiteral("100")) {
        const int listed = comSet().ComboBox1->findText(port);
        if (listed >= 0) {
            comSet().ComboBox1->setCurrentIndex(listed);
        } else {
            comSet().ComboBox1->lineEdit()->selectAll();
            QTest::keyClicks(comSet().ComboBox1->lineEdit(), port);
        }
        comSet().ComboBox2->setEditText(baud);
        comSet().Edit4->setText(interval);
        QTimer::singleShot(0, &comSet(), [this] { comSet().BitBtn1->click(); });
        QTest::mouseClick(form().BtnSet, Qt::LeftButton);
    }

    void openPort() {
        applySettings(QString::fromStdString(sim->terminalPath()));
        QVERIFY(form().PortOpen());
        QVERIFY(boxes.isEmpty());
    }

    void click(QAbstractButton* button) {
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void startRun() {
        openPort();
        click(form().BtnPc);
        click(form().BtnOn);
    }

    QStringList boxTexts() {
        QStringList texts;
        for (const auto& b : boxes)
            texts.append(b.text);
        return texts;
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        previousHandler = setMessageHandler([this](const MessageRequest& r) {
            boxes.append(r);
            return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        });
    }
    void cleanupTestCase() { setMessageHandler(previousHandler); }

    void init() {
        boxes.clear();
        engine = std::make_unique<ScratchEngine>();
        loadsim::SimulatorOptions options;
        options.baudRate = 0; // answers at once: the tests look at order, not at speed
        sim = std::make_unique<LoadSimulator>(options);
        program = std::make_unique<TProgram>(engine->dataDir());
        QVERIFY(program->TarvexForm && program->Serchfrm && program->SerchRep && program->About &&
                program->ComSet);
        form().show();
    }
    void cleanup() {
        program.reset();
        sim.reset();
        engine.reset();
    }

    void windowAtStart() {
        QCOMPARE(form().windowTitle(), QStringLiteral("TarvexForm"));
        QCOMPARE(form().size(), QSize(665, 557));
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(!form().TimerSend->isEnabled());
        QCOMPARE(form().TimerSend->interval(), 300);
        QVERIFY(!form().TimeShow->isEnabled());
        QCOMPARE(form().TimeShow->interval(), 1000);
        QCOMPARE(form().Protect->value(), 0.01);
        QCOMPARE(form().Comm321->commPort(), QStringLiteral("COM2"));
        QCOMPARE(form().StatusPanels[0]->width(), 100);
        QCOMPARE(form().StatusPanels[1]->width(), 120);
        QCOMPARE(form().StatusPanels[2]->width(), 50);
        for (const char* caption : {"Setting", "Query", "About", "Close", "PC Control",
                                    "Self Control", "Load ON", "Load OFF"}) {
            bool found = false;
            for (auto* b : form().findChildren<QAbstractButton*>())
                found = found || (b->text() == QLatin1String(caption) &&
                                  b->accessibleName() == QLatin1String(caption) &&
                                  b->focusPolicy() & Qt::TabFocus);
            QVERIFY2(found, caption);
        }
        // The store was prepared: the table exists and is empty.
        QCOMPARE(rows().size(), 0);
        QVERIFY(boxes.isEmpty());
    }

    // Setting → OK, PC Control, Load ON: readings are shown, charted and
    // stored, and the wire carries exactly the expected frames in order.
    void usualRun() {
        openPort();
        QCOMPARE(buttons(), (Buttons{true, true, false, false}));
        QCOMPARE(form().TimerSend->interval(), 100);

        click(form().BtnPc);
        QCOMPARE(buttons(), (Buttons{false, true, true, false}));
        QVERIFY(sim->waitForFrames(1, kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(sim->state().computerControl, kWaitMs);
        QVERIFY(!sim->state().inputOn);

        click(form().BtnOn);
        QCOMPARE(buttons(), (Buttons{false, true, false, true}));
        QVERIFY(form().TimerSend->isEnabled());
        QVERIFY(form().TimeShow->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 3, kWaitMs);
        QCOMPARE(form().StatusPanels[0]->text(), QStringLiteral("波特率9600"));

        click(form().BtnOff);
        QCOMPARE(buttons(), (Buttons{false, true, true, false}));
        QVERIFY(!form().TimerSend->isEnabled());
        QVERIFY(!form().TimeShow->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn, kWaitMs);
        // Answers to polls already sent may still come in.
        QTRY_COMPARE_WITH_TIMEOUT(int(sim->sentAnswers().size()), int(form().Series1->count()),
                                  kWaitMs);

        const QList<QByteArray> frames = wire();
        QCOMPARE(frames.first(), kPc);
        QCOMPARE(frames.at(1), kOn);
        QCOMPARE(frames.last(), kOff);
        for (int i = 2; i + 1 < frames.size(); ++i)
            QCOMPARE(frames.at(i), kQuery);

        // Every answer became one reading on the readouts, the charts and in
        // the table, in order.
        const auto answers = sim->sentAnswers();
        const int n = int(answers.size());
        QCOMPARE(int(form().Series2->count()), n);
        QCOMPARE(int(form().Series3->count()), n);
        const QList<QVariantList> stored = rows();
        QCOMPARE(int(stored.size()), n);
        for (int i = 0; i < n; ++i) {
            const LoadReading r = decodeStatusAnswer(answers[std::size_t(i)].bytes.data());
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), r.voltsText);
            QCOMPARE(stored[i][2].toString(), r.ampsText);
            QCOMPARE(stored[i][3].toString(), r.wattsText);
            QCOMPARE(stored[i][4].toString(), QDate::currentDate().toString(Qt::ISODate));
            QCOMPARE(form().Series1->xValue(std::size_t(i)), double(i));
            QCOMPARE(form().Series1->yValue(std::size_t(i)), float(r.volts));
        }
        const LoadReading last = decodeStatusAnswer(answers.back().bytes.data());
        QCOMPARE(form().VolVal->value(), last.volts);
        QCOMPARE(form().CurVol->value(), last.amps);
        QCOMPARE(form().PowVol->value(), last.watts);
        QVERIFY(last.volts > 12.0 && last.amps > 0.9);
        QVERIFY(boxes.isEmpty());
    }

    void minimumVoltageStop() {
        form().Protect->setValue(13.0); // above the source's voltage
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        QCOMPARE(boxes.first().text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(!form().TimerSend->isEnabled());
        QVERIFY(!form().TimeShow->isEnabled());
        // The reading that stopped the run was shown and stored.
        QCOMPARE(form().Series1->count(), std::size_t(1));
        QCOMPARE(rows().size(), 1);
        // Load off, then self control, are the last frames on the wire.
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() == 4, kWaitMs);
        QCOMPARE(controlFrames(), (QList<QByteArray>{kPc, kOn, kOff, kSelf}));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().computerControl, kWaitMs);
        QVERIFY(!sim->state().inputOn);
    }

    // Storing fails (the table is gone from under the window); the stop
    // still happens, then the failure is shown.
    void storingFailureDoesNotDisableTheStop() {
        form().Table1->close();
        form().Table1->setTableName(QStringLiteral("NoSuchTable"));
        form().Protect->setValue(13.0);
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(boxes.size() >= 2, kWaitMs);
        QCOMPARE(boxes[0].text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes[1].icon, QMessageBox::Critical);
        QVERIFY(!boxes[1].text.isEmpty());
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() == 4, kWaitMs);
        QCOMPARE(controlFrames().mid(2), (QList<QByteArray>{kOff, kSelf}));
        QCOMPARE(rows().size(), 0);
    }

    void minimumVoltageBoundary_data() {
        QTest::addColumn<int>("milliVolts");
        QTest::addColumn<bool>("stops");
        QTest::newRow("10 mV stops at 0.01") << 10 << true;
        QTest::newRow("0 mV stops") << 0 << true;
        QTest::newRow("negative stops") << -5 << true;
        QTest::newRow("11 mV goes on") << 11 << false;
    }
    void minimumVoltageBoundary() {
        QFETCH(int, milliVolts);
        QFETCH(bool, stops);
        const DeviceFrame answer = Answer(1000, milliVolts, 10);
        // Also while polling is off: every 26-byte chunk is handled alike.
        form().Comm321ReceiveData(answer.data(), 26);
        QCOMPARE(boxTexts().contains(QStringLiteral("The Minnum Voltag is Protect!")), stops);
        QCOMPARE(rows().size(), 1);
        QCOMPARE(form().Series1->count(), std::size_t(1));
    }

    // Chunks of any other length change nothing; a split answer over the
    // line is lost, the next whole one is taken.
    void wrongLengthsAreDropped_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("25") << 25;
        QTest::newRow("27") << 27;
        QTest::newRow("52") << 52;
        QTest::newRow("1") << 1;
        QTest::newRow("2048") << 2048;
    }
    void wrongLengthsAreDropped() {
        QFETCH(int, length);
        QByteArray chunk(length, '\0');
        const DeviceFrame answer = Answer(1500, 12345, 185);
        for (int i = 0; i < length; ++i)
            chunk[i] = char(answer[std::size_t(i) % 26]);
        form().Comm321ReceiveData(chunk.constData(), std::uint16_t(length));
        QCOMPARE(form().Series1->count(), std::size_t(0));
        QCOMPARE(form().VolVal->value(), 0.0);
        QCOMPARE(rows().size(), 0);
        QVERIFY(boxes.isEmpty());
    }

    void splitAndJoinedAnswersOverTheLine() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 1, kWaitMs);
        click(form().BtnOff);
        QTRY_COMPARE_WITH_TIMEOUT(int(sim->sentAnswers().size()), int(form().Series1->count()),
                                  kWaitMs);
        const std::size_t before = form().Series1->count();

        sim->splitNextAnswer(10, 150);
        form().TimerSendTimer();
        QVERIFY(sim->waitForAnswers(before + 1, kWaitMs));
        // Two answers in one write (one record of the simulator's).
        sim->joinNextAnswers();
        form().TimerSendTimer();
        form().TimerSendTimer();
        QVERIFY(sim->waitForAnswers(before + 2, kWaitMs));
        sim->addJunkToNextAnswer(1);
        form().TimerSendTimer();
        QVERIFY(sim->waitForAnswers(before + 3, kWaitMs));
        // And a whole one, which must come through.
        QTest::qWait(200);
        form().TimerSendTimer();
        QTRY_COMPARE_WITH_TIMEOUT(form().Series1->count(), before + 1, kWaitMs);
        QTest::qWait(300);
        QCOMPARE(form().Series1->count(), before + 1);
        QCOMPARE(std::size_t(rows().size()), before + 1);
    }

    void selfControlDuringRunKeepsPolling() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 1, kWaitMs);
        click(form().BtnSelf);
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(form().TimerSend->isEnabled());
        QVERIFY(form().TimeShow->isEnabled());
        const std::size_t count = form().Series1->count();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= count + 2, kWaitMs);
    }

    void closing_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Close button") << true;
        QTest::newRow("close box") << false;
    }
    void closing() {
        QFETCH(bool, byButton);
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 1, kWaitMs);
        QSignalSpy closed(&form(), &TTarvexForm::Closed);
        if (byButton)
            click(form().SpeedButton5);
        else
            form().close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!form().isVisible());
        QVERIFY(!form().TimerSend->isEnabled());
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        // The program ends at once: the port goes with it. FormClose has
        // waited for its two frames, so they reach the load all the same.
        program.reset();
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() >= 4, kWaitMs);
        const QList<QByteArray> frames = controlFrames();
        QCOMPARE(frames.mid(frames.size() - 2), (QList<QByteArray>{kOff, kSelf}));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn && !sim->state().computerControl, kWaitMs);
    }

    void terminationSignalClosesThroughTheSamePath() {
        startRun();
        closeOnTerminationSignals(&form());
        QSignalSpy closed(&form(), &TTarvexForm::Closed);
        std::raise(SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kWaitMs);
        program.reset();
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() >= 4, kWaitMs);
        const QList<QByteArray> frames = controlFrames();
        QCOMPARE(frames.mid(frames.size() - 2), (QList<QByteArray>{kOff, kSelf}));
    }

    void failedOpenMessage_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("list entry Com4") << "Com4" << QStringLiteral("打开串口4失败");
        QTest::newRow("typed name") << "/nonexistent/tty" << QStringLiteral("打开串口0失败");
        QTest::newRow("not a serial port") << "/dev/null" << QStringLiteral("打开串口0失败");
    }
    void failedOpenMessage() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        if (port == QLatin1String("Com4") && QFile::exists(QStringLiteral("/dev/ttyS3")))
            QSKIP("this machine has a /dev/ttyS3 that might open");
        applySettings(port);
        QCOMPARE(boxTexts(), QStringList{message});
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QVERIFY(!form().PortOpen());
        QVERIFY(!form().Comm321->isOpen());
        // PC Control was enabled and stays so; Self Control follows it.
        QCOMPARE(buttons(), (Buttons{true, true, false, false}));
    }

    void secondOkClosesThePort() {
        openPort();
        applySettings(QString::fromStdString(sim->terminalPath()));
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("打开串口0失败")});
        QVERIFY(!form().Comm321->isOpen());
        boxes.clear();
        applySettings(QString::fromStdString(sim->terminalPath()));
        QVERIFY(form().Comm321->isOpen());
        QVERIFY(boxes.isEmpty());
    }

    void notAnIntegerGoesToTheDefaultDisplay() {
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("96OO"));
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("'96OO' is not a valid integer value")});
        QCOMPARE(boxes.first().icon, QMessageBox::Critical);
        QVERIFY(!form().Comm321->isOpen());
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        // Assigned before the failure: the port name.
        QCOMPARE(form().Comm321->commPort(), QString::fromStdString(sim->terminalPath()));
    }

    void cancelKeepsTextsAndChangesNothing() {
        startRun();
        comSet().ComboBox2->setEditText(QStringLiteral("19200"));
        comSet().Edit4->setText(QStringLiteral("5000"));
        QTimer::singleShot(0, &comSet(), [this] { comSet().BitBtn2->click(); });
        QTest::mouseClick(form().BtnSet, Qt::LeftButton);
        QCOMPARE(form().TimerSend->interval(), 100);
        QCOMPARE(form().Comm321->baudRate(), 9600u);
        QVERIFY(form().Comm321->isOpen());
        QTRY_COMPARE_WITH_TIMEOUT(form().StatusPanels[0]->text(), QStringLiteral("波特率19200"),
                                  kWaitMs);
        QCOMPARE(comSet().Settings().Interval, QStringLiteral("5000"));
    }

    void zeroIntervalStopsPolling() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 1, kWaitMs);
        comSet().Edit4->setText(QStringLiteral("0"));
        // Apply while the port is open closes it; only the interval matters here.
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("9600"),
                      QStringLiteral("0"));
        QVERIFY(form().TimerSend->isEnabled());
        QVERIFY(!form().TimerSend->isTicking());
        comSet().Edit4->setText(QStringLiteral("100"));
        applySettings(QString::fromStdString(sim->terminalPath()));
        QVERIFY(form().TimerSend->isTicking());
        const std::size_t count = form().Series1->count();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() > count, kWaitMs);
    }

    void hangupIsReportedOncePerOpen() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Series1->count() >= 1, kWaitMs);
        sim->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, kWaitMs);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(boxes.first().text.contains(QString::fromStdString(sim->terminalPath())));
        QVERIFY(boxes.first().text.contains(QStringLiteral("minimum-voltage stop")));
        form().Comm321RequestHangup();
        QCOMPARE(boxes.size(), 1);
    }

    void elapsedClock_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << qint64(0) << "00:00:00";
        QTest::newRow("1h 2m 3.999s") << qint64(3'723'999) << "01:02:03";
        QTest::newRow("23:59:59") << qint64(86'399'000) << "23:59:59";
        QTest::newRow("25 hours drop the day") << qint64(90'000'000) << "01:00:00";
    }
    void elapsedClock() {
        QFETCH(qint64, ms);
        QFETCH(QString, shown);
        form().ShowElapsedTime(ms);
        const QString text = QStringLiteral("%1:%2:%3")
                                 .arg(form().Time->hours(), 2, 10, QLatin1Char('0'))
                                 .arg(form().Time->minutes(), 2, 10, QLatin1Char('0'))
                                 .arg(form().Time->seconds(), 2, 10, QLatin1Char('0'));
        QCOMPARE(text, shown);
    }

    void clockRunsFromLoadOn() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(form().Time->seconds() >= 1, kWaitMs);
        click(form().BtnOff);
        const int seconds = form().Time->seconds();
        QTest::qWait(1200);
        QCOMPARE(form().Time->seconds(), seconds);
    }

    // "Query" prepares the query window's query and shows the window; "About"
    // shows the About window. Each showing is ended by the test.
    void queryAndAboutButtons() {
        const DeviceFrame answer = Answer(1500, 12345, 185);
        form().Comm321ReceiveData(answer.data(), 26);
        form().Comm321ReceiveData(answer.data(), 26);
        int rowsShown = -1;
        QTimer::singleShot(0, program->Serchfrm.get(), [&] {
            QVERIFY(program->Serchfrm->isVisible());
            rowsShown = program->Serchfrm->Query1->rowCount();
            program->Serchfrm->reject();
        });
        QTest::mouseClick(form().SpeedButton3, Qt::LeftButton);
        QCOMPARE(rowsShown, 2);
        QVERIFY(!program->Serchfrm->Query1->isActive());

        bool aboutShown = false;
        QTimer::singleShot(0, program->About.get(), [&] {
            aboutShown = program->About->isVisible();
            program->About->accept();
        });
        QTest::mouseClick(form().SpeedButton4, Qt::LeftButton);
        QVERIFY(aboutShown);
        QVERIFY(boxes.isEmpty());
    }

    void storeSetUpFailureStillLetsTheWindowWork() {
        program.reset();
        const QString blocked = engine->root() + QStringLiteral("/blocked");
        writeFile(blocked, "not a directory");
        program = std::make_unique<TProgram>(blocked);
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("Cannot create ") + blocked});
        QVERIFY(program->TarvexForm);
        boxes.clear();
        // Storing fails for every reading, yet the protection acts.
        // Delivered as the serial component delivers: through the default
        // exception display.
        const DeviceFrame answer = Answer(1000, 5, 10);
        guarded([&] { form().Comm321ReceiveData(answer.data(), 26); });
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes[1].icon, QMessageBox::Critical);
    }

    // The alias cannot be set up at start: the program warns once, the table
    // step is skipped, and the window is created all the same.
    void aliasFailureAtStartWarns_data() { ScratchEngine::aliasFailureRows(); }
    void aliasFailureAtStartWarns() {
        QFETCH(QString, how);
        program.reset();
        boxes.clear();
        engine->breakAliasSetUp(how);
        const QString fresh = engine->root() + QStringLiteral("/fresh/Table");
        program = std::make_unique<TProgram>(fresh);
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("Have no install BDE ,Please insatll !")});
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(program->TarvexForm);
        QVERIFY(QFileInfo(fresh).isDir());
        QVERIFY(!QFile::exists(fresh + QStringLiteral("/tables.db")));
    }
};

QTEST_MAIN(TestTarvexForm)
#include "tst_tarvexform.moc"

// The whole program in-process against the simulated load on a
// pseudo-terminal; message boxes are answered by the test.
#include "support/StoreFixture.h"

#include "support/SerialTestSupport.h"

#include "app/AboutDialog.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "control/ControlWindow.h"
#include "control/PortSettingsDialog.h"
#include "control/RunLimitsDialog.h"
#include "control/SerialDevice.h"
#include "loadsim/LoadSimulator.h"
#include "readings/ReadingModel.h"
#include "review/QueryWindow.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"
#include "run/SerialLink.h"
#include "support/PortTextEntry.h"
#include "support/WindowFinder.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "widgets/ElapsedClock.h"
#include "widgets/MinimumVoltageField.h"
#include "widgets/SevenSegmentReadout.h"
#include "widgets/StripChart.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <csignal>
#include <cstring>
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

class TestControlWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> engine;
    std::unique_ptr<LoadSimulator> sim;
    std::unique_ptr<Program> program;
    QList<MessageRequest> boxes;
    MessageHandler previousHandler;

    ControlWindow& window() { return *program->controlWindow(); }
    LoadRun& run() { return *program->run(); }
    PortSettingsDialog& settingsDialog() { return *program->portSettingsDialog(); }
    template <class T> T* part(const char* name) { return child<T>(&window(), name); }
    QPushButton* button(const char* name) { return part<QPushButton>(name); }
    QToolButton* toolButton(const char* name) { return part<QToolButton>(name); }
    LineSeries& series(const char* chart) { return part<StripChart>(chart)->series(); }
    std::size_t readingsShown() { return series("voltageChart").count(); }
    QTimer& clockTimer() { return *part<QTimer>("clockTimer"); }
    ElapsedClock& clock() { return *part<ElapsedClock>("elapsedClock"); }
    QLabel& statusPanel(const char* name) { return *part<QLabel>(name); }
    MinimumVoltageField& minimumVoltageField() {
        return *part<MinimumVoltageField>("minimumVoltageField");
    }
    QComboBox& portBox() { return *child<QComboBox>(&settingsDialog(), "portBox"); }
    QComboBox& baudRateBox() { return *child<QComboBox>(&settingsDialog(), "baudRateBox"); }
    QLineEdit& intervalEdit() { return *child<QLineEdit>(&settingsDialog(), "intervalEdit"); }

    Buttons buttons() {
        return {button("computerControlButton")->isEnabled(),
                button("frontPanelButton")->isEnabled(), button("loadOnButton")->isEnabled(),
                button("loadOffButton")->isEnabled()};
    }

    // A chunk as the link delivers it to the run.
    void deliver(const QByteArray& chunk) {
        emitAcross(run().link(), &SerialLink::chunkReceived, chunk);
    }
    void deliver(const DeviceFrame& frame) { deliver(Bytes(frame)); }

    // One read-status request, as at a tick of the poll timer.
    void pollOnce() {
        post(&run(), [run = &run()] { run->poll(); });
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
                       const QString& interval = QStringLiteral("150")) {
        const int listed = portBox().findText(port);
        if (listed >= 0) {
            portBox().setCurrentIndex(listed);
        } else {
            portBox().lineEdit()->selectAll();
            QTest::keyClicks(portBox().lineEdit(), port);
        }
        baudRateBox().setEditText(baud);
        intervalEdit().setText(interval);
        QTimer::singleShot(0, &settingsDialog(),
                           [this] { child<QPushButton>(&settingsDialog(), "okButton")->click(); });
        QTest::mouseClick(toolButton("settingsButton"), Qt::LeftButton);
    }

    void openPort() {
        applySettings(QString::fromStdString(sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(run().link()->isOpen(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(button("frontPanelButton")->isEnabled(), kWaitMs);
        QVERIFY(boxes.isEmpty());
    }

    void click(QAbstractButton* button) {
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void click(const char* name) { click(part<QAbstractButton>(name)); }

    void startRun() {
        openPort();
        click("computerControlButton");
        click("loadOnButton");
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
        engine = std::make_unique<ScratchStore>();
        loadsim::SimulatorOptions options;
        options.baudRate = 0; // answers at once: the tests look at order, not at speed
        sim = std::make_unique<LoadSimulator>(options);
        program = std::make_unique<Program>(engine->dataDir());
        QVERIFY(program->controlWindow() && program->queryWindow() && program->aboutDialog() &&
                program->portSettingsDialog());
        window().show();
    }
    void cleanup() {
        program.reset();
        sim.reset();
        engine.reset();
    }

    // "Limits", a fifth tool button after Close (nothing placed before
    // moves), reached by Tab after Load OFF: the limits and the label typed
    // there are armed for the next Load ON and shown in the status bar. A
    // limit stops the run as the minimum voltage does, and the operator is
    // told which limit it was; the table keeps the run with its reason and
    // label. Cancel changes nothing.
    void limitsFromTheToolBarStopTheRun() {
        QToolButton* limits = toolButton("limitsButton");
        QCOMPARE(limits->geometry(), QRect(358, 4, 84, 36));
        QCOMPARE(limits->text(), QStringLiteral("Limits"));
        QCOMPARE(limits->accessibleName(), QStringLiteral("Limits"));
        QCOMPARE(toolButton("closeButton")->geometry(), QRect(270, 4, 84, 36));
        QCOMPARE(part<ElapsedClock>("elapsedClock")->pos(), QPoint(566, 8));
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        button("loadOffButton")->setEnabled(true); // focusable for the walk
        button("loadOffButton")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button("loadOffButton"), Qt::Key_Tab);
        QTRY_VERIFY(limits->hasFocus());
        button("loadOffButton")->setEnabled(false);
        QCOMPARE(statusPanel("limitsPanel").text(), QString());

        RunLimitsDialog* dialog = program->limitsDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Limits"));
        const auto fill = [&](bool ok) {
            QTimer::singleShot(0, dialog, [dialog, ok] {
                child<QCheckBox>(dialog, "chargeBox")->setChecked(true);
                child<QDoubleSpinBox>(dialog, "chargeField")->setValue(0.001);
                child<QCheckBox>(dialog, "timeBox")->setChecked(true);
                child<QSpinBox>(dialog, "hoursField")->setValue(2);
                child<QSpinBox>(dialog, "minutesField")->setValue(30);
                child<QLineEdit>(dialog, "labelField")->setText(QStringLiteral(" cell 12 "));
                auto* buttons = child<QDialogButtonBox>(dialog, "buttons");
                buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            });
            QTest::keyClick(limits, Qt::Key_Space);
        };
        fill(false);
        QCOMPARE(statusPanel("limitsPanel").text(), QString());
        fill(true);
        QCOMPARE(statusPanel("limitsPanel").text(), QStringLiteral("Limits: 2 h 30 min, 0.001 Ah"));

        // 0.001 Ah at the simulator's 1 A: some 3.6 s.
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), 30000);
        QCOMPARE(boxTexts(), QStringList{QStringLiteral(
                                 "The run reached its charge limit (0.001 Ah): the load was "
                                 "switched off.")});
        QCOMPARE(statusPanel("linkPanel").text(),
                 QStringLiteral("Run ended at its charge limit (0.001 Ah)"));
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().computerControl, kWaitMs);
        QVERIFY(!sim->state().inputOn);
        ReadingStore store;
        QTRY_VERIFY_WITH_TIMEOUT(
            !store.runs().isEmpty() && store.runs().first().end == RunEnd::ChargeLimit, kWaitMs);
        const RunRecord r = store.runs().first();
        QCOMPARE(r.label, QStringLiteral("cell 12"));
        QCOMPARE(r.limits.maxElapsedMs, std::optional<qint64>(150 * 60'000));
        QVERIFY(r.ampHours >= 0.001);
    }

    // The charts are reached by Tab after every button, in their order from
    // the top, then Tab goes round to Setting; a chart reached so takes the
    // keyboard's zoom and opens its menu with Shift+F10.
    void chartsAreReachedByTabAfterTheButtons() {
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        toolButton("limitsButton")->setFocus(Qt::TabFocusReason);
        QStringList walk;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            walk << focused->objectName();
        }
        QCOMPARE(walk,
                 (QStringList{QStringLiteral("voltageChart"), QStringLiteral("currentChart"),
                              QStringLiteral("powerChart"), QStringLiteral("settingsButton")}));
        auto* chart = part<StripChart>("currentChart");
        QCOMPARE(chart->accessibleName(), chart->title());
        for (int i = 0; i < 10; ++i)
            chart->series().append(1.0f + float(i) / 10);
        chart->setFocus(Qt::TabFocusReason);
        QTest::keyClick(chart, Qt::Key_Equal);
        QVERIFY(chart->isZoomed());
        QTest::keyClick(chart, Qt::Key_Home);
        QVERIFY(!chart->isZoomed());
        QTest::keyClick(chart, Qt::Key_F10, Qt::ShiftModifier);
        auto* menu = chart->findChild<QMenu*>(QStringLiteral("chartMenu"));
        QVERIFY(menu && menu->isVisible());
        menu->close();
    }

    void windowAtStart() {
        QCOMPARE(window().windowTitle(), QStringLiteral("TarvexForm"));
        QCOMPARE(window().size(), QSize(665, 557));
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(!run().isPolling());
        QCOMPARE(run().pollInterval(), 300);
        QVERIFY(!clockTimer().isActive());
        QCOMPARE(clockTimer().interval(), 1000);
        QCOMPARE(minimumVoltageField().value(), 0.01);
        QCOMPARE(run().link()->portName(), QStringLiteral("COM2"));
        QCOMPARE(statusPanel("baudRatePanel").width(), 100);
        QCOMPARE(statusPanel("capacityPanel").width(), 120);
        QCOMPARE(statusPanel("daysPanel").width(), 50);
        // The status bar is the window's own, 19 pixels along the bottom.
        QCOMPARE(window().statusBar()->geometry(), QRect(0, 557 - 19, 665, 19));
        QCOMPARE(part<QFrame>("toolPanel")->geometry(), QRect(0, 0, 665, 44));
        for (const char* caption : {"Setting", "Query", "About", "Close", "PC Control",
                                    "Self Control", "Load ON", "Load OFF"}) {
            bool found = false;
            for (auto* b : window().findChildren<QAbstractButton*>())
                found = found || (b->text() == QLatin1String(caption) &&
                                  b->accessibleName() == QLatin1String(caption) &&
                                  b->focusPolicy() & Qt::TabFocus);
            QVERIFY2(found, caption);
        }
        // Assistive technology meets a window, not a filler.
        QCOMPARE(QAccessible::queryAccessibleInterface(&window())->role(), QAccessible::Window);
        // The store was prepared: the table exists and is empty.
        QCOMPARE(rows().size(), 0);
        QVERIFY(boxes.isEmpty());
    }

    // Setting → OK, PC Control, Load ON: readings are shown, charted and
    // stored, and the wire carries exactly the expected frames in order.
    void usualRun() {
        openPort();
        QCOMPARE(buttons(), (Buttons{true, true, false, false}));
        QCOMPARE(run().pollInterval(), 150);

        click("computerControlButton");
        QCOMPARE(buttons(), (Buttons{false, true, true, false}));
        QVERIFY(sim->waitForFrames(1, kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(sim->state().computerControl, kWaitMs);
        QVERIFY(!sim->state().inputOn);

        click("loadOnButton");
        QCOMPARE(buttons(), (Buttons{false, true, false, true}));
        QTRY_VERIFY_WITH_TIMEOUT(run().isPolling(), kWaitMs);
        QVERIFY(clockTimer().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 3, kWaitMs);
        QCOMPARE(statusPanel("baudRatePanel").text(), QStringLiteral("波特率9600"));
        // The charge and energy drawn since Load ON.
        const QRegularExpression tally(QStringLiteral("^\\d+\\.\\d{3} Ah \\d+\\.\\d{2} Wh$"));
        QVERIFY2(tally.match(statusPanel("capacityPanel").text()).hasMatch(),
                 qPrintable(statusPanel("capacityPanel").text()));
        QTRY_VERIFY_WITH_TIMEOUT(
            statusPanel("capacityPanel").text() != QStringLiteral("0.000 Ah 0.00 Wh"), kWaitMs);

        click("loadOffButton");
        QCOMPARE(buttons(), (Buttons{false, true, true, false}));
        QVERIFY(!clockTimer().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!run().isPolling(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn, kWaitMs);
        // Answers to polls already sent may still come in.
        QTRY_COMPARE_WITH_TIMEOUT(int(sim->sentAnswers().size()), int(readingsShown()), kWaitMs);

        // Kept after Load OFF, until the next Load ON.
        const QString drawn = statusPanel("capacityPanel").text();
        QTest::qWait(300);
        QCOMPARE(statusPanel("capacityPanel").text(), drawn);

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
        QCOMPARE(int(series("currentChart").count()), n);
        QCOMPARE(int(series("powerChart").count()), n);
        QTRY_COMPARE_WITH_TIMEOUT(int(rows().size()), n, kWaitMs);
        const QList<QVariantList> stored = rows();
        for (int i = 0; i < n; ++i) {
            const LoadReading r = decodeStatusAnswer(answers[std::size_t(i)].bytes.data());
            QCOMPARE(stored[i][0].toInt(), i);
            QCOMPARE(stored[i][1].toString(), r.voltsText);
            QCOMPARE(stored[i][2].toString(), r.ampsText);
            QCOMPARE(stored[i][3].toString(), r.wattsText);
            QCOMPARE(stored[i][4].toString(), QDate::currentDate().toString(Qt::ISODate));
            QCOMPARE(series("voltageChart").xValue(std::size_t(i)), double(i));
            QCOMPARE(series("voltageChart").yValue(std::size_t(i)), float(r.volts));
        }
        const LoadReading last = decodeStatusAnswer(answers.back().bytes.data());
        QCOMPARE(part<SevenSegmentReadout>("voltageReadout")->value(), last.volts);
        QCOMPARE(part<SevenSegmentReadout>("currentReadout")->value(), last.amps);
        QCOMPARE(part<SevenSegmentReadout>("powerReadout")->value(), last.watts);
        QVERIFY(last.volts > 12.0 && last.amps > 0.9);
        QVERIFY(boxes.isEmpty());
    }

    void minimumVoltageStop() {
        minimumVoltageField().setValue(13.0); // above the source's voltage
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        QCOMPARE(boxes.first().text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(!run().isPolling());
        QVERIFY(!clockTimer().isActive());
        // The reading that stopped the run was shown and stored.
        QCOMPARE(readingsShown(), std::size_t(1));
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 1, kWaitMs);
        // Load off, then self control, are the last frames on the wire.
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() == 4, kWaitMs);
        QCOMPARE(controlFrames(), (QList<QByteArray>{kPc, kOn, kOff, kSelf}));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().computerControl, kWaitMs);
        QVERIFY(!sim->state().inputOn);
    }

    // Storing fails (the table is gone from under the run); the stop still
    // happens, then the failure is shown.
    void storingFailureDoesNotDisableTheStop() {
        RawDb(engine->tableFile()).rows(QStringLiteral("ALTER TABLE Tarvex RENAME TO Other"));
        minimumVoltageField().setValue(13.0);
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
        // Also while polling is off: every 26-byte chunk is handled alike.
        deliver(Answer(1000, milliVolts, 10));
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 1, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(readingsShown(), std::size_t(1), kWaitMs);
        if (stops)
            QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        else
            QTest::qWait(100);
        QCOMPARE(boxTexts().contains(QStringLiteral("The Minnum Voltag is Protect!")), stops);
    }

    // The operator's minimum: below its caption, which names it, reached with
    // Tab from the Close button. What is typed counts for the stop only once
    // Enter has applied it.
    void minimumVoltageTypedByTheOperator() {
        MinimumVoltageField& field = minimumVoltageField();
        QCOMPARE(field.parentWidget(), part<QFrame>("mainPanel"));
        QCOMPARE(field.geometry(), QRect(544, 56, 80, 24));
        QCOMPARE(QAccessible::queryAccessibleInterface(&field)->text(QAccessible::Name),
                 QStringLiteral("Minimum Voltage:"));
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        toolButton("closeButton")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(toolButton("closeButton"), Qt::Key_Tab);
        QTRY_VERIFY(field.hasFocus());
        QTest::keyClicks(&field, QStringLiteral("13"));
        deliver(Answer(1000, 12000, 120));
        QTRY_COMPARE_WITH_TIMEOUT(readingsShown(), std::size_t(1), kWaitMs);
        QTest::qWait(100);
        QVERIFY(boxes.isEmpty());
        QTest::keyClick(&field, Qt::Key_Return);
        QCOMPARE(field.value(), 13.0);
        deliver(Answer(1000, 12000, 120));
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("The Minnum Voltag is Protect!")});
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
        deliver(chunk);
        // A whole answer behind it shows that the chunk has been handled.
        deliver(Answer(1000, 11000, 110));
        QTRY_COMPARE_WITH_TIMEOUT(readingsShown(), std::size_t(1), kWaitMs);
        QCOMPARE(part<SevenSegmentReadout>("voltageReadout")->value(), 11.0);
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 1, kWaitMs);
        QCOMPARE(rows().first().at(1).toString(), QStringLiteral(" 11.00"));
        QVERIFY(boxes.isEmpty());
    }

    void splitAndJoinedAnswersOverTheLine() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        click("loadOffButton");
        QTRY_COMPARE_WITH_TIMEOUT(int(sim->sentAnswers().size()), int(readingsShown()), kWaitMs);
        const std::size_t before = readingsShown();

        sim->splitNextAnswer(10, 150);
        pollOnce();
        QVERIFY(sim->waitForAnswers(before + 1, kWaitMs));
        // Two answers in one write (one record of the simulator's).
        sim->joinNextAnswers();
        pollOnce();
        pollOnce();
        QVERIFY(sim->waitForAnswers(before + 2, kWaitMs));
        sim->addJunkToNextAnswer(1);
        pollOnce();
        QVERIFY(sim->waitForAnswers(before + 3, kWaitMs));
        // And a whole one, which must come through.
        QTest::qWait(200);
        pollOnce();
        QTRY_COMPARE_WITH_TIMEOUT(readingsShown(), before + 1, kWaitMs);
        QTest::qWait(300);
        QCOMPARE(readingsShown(), before + 1);
        QTRY_COMPARE_WITH_TIMEOUT(std::size_t(rows().size()), before + 1, kWaitMs);
    }

    void selfControlDuringRunKeepsPolling() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        click("frontPanelButton");
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(run().isPolling());
        QVERIFY(clockTimer().isActive());
        const std::size_t count = readingsShown();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= count + 2, kWaitMs);
    }

    void closing_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Close button") << true;
        QTest::newRow("close box") << false;
    }
    void closing() {
        QFETCH(bool, byButton);
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        QSignalSpy closed(&window(), &ControlWindow::closed);
        if (byButton)
            click("closeButton");
        else
            window().close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window().isVisible());
        QVERIFY(!run().isPolling());
        QVERIFY(!clockTimer().isActive());
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        // The program ends at once: the port goes with it. The close has
        // waited for its two frames, so they reach the load all the same.
        program.reset();
        QTRY_VERIFY_WITH_TIMEOUT(controlFrames().size() >= 4, kWaitMs);
        const QList<QByteArray> frames = controlFrames();
        QCOMPARE(frames.mid(frames.size() - 2), (QList<QByteArray>{kOff, kSelf}));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn && !sim->state().computerControl, kWaitMs);
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
        QTRY_COMPARE_WITH_TIMEOUT(boxTexts(), QStringList{message}, kWaitMs);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QVERIFY(!run().link()->isOpen());
        // PC Control was enabled and stays so; Self Control follows it.
        QCOMPARE(buttons(), (Buttons{true, true, false, false}));
    }

    // A port the user may not open, or one another program holds: the
    // message keeps its first line and adds the system's reason and what to
    // do about it.
    void failedOpenTellsWhyAndWhatToDo_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("hint");
        QTest::newRow("no permission") << int(EACCES) << "sudo usermod -aG dialout \"$USER\"";
        QTest::newRow("held by another program") << int(EBUSY) << "Another program holds";
        QTest::newRow("no such port") << int(ENOENT) << "";
    }
    void failedOpenTellsWhyAndWhatToDo() {
        QFETCH(int, error);
        QFETCH(QString, hint);
        PtyPair port;
        QVERIFY(port.isOpen());
        ChildProcess terminalProgram("sleep", "60");
        std::unique_ptr<PortLockFile> lock;
        QString portName = port.slavePath();
        if (error == EACCES) {
            // The run's thread opens the port as a user outside dialout.
            QVERIFY(port.denyAccess());
            callAndWait(&run(), [] { dropDevicePermission(); });
        } else if (error == EBUSY) {
            lock = std::make_unique<PortLockFile>(portName,
                                                  PortLockFile::tenDigits(terminalProgram.pid()));
            QVERIFY(lock->isWritten());
        } else {
            portName = QStringLiteral("/dev/tarvex-no-such-port");
        }
        applySettings(portName);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, kWaitMs);
        callAndWait(&run(), [] { restoreDevicePermission(); });
        const QStringList lines = boxes.first().text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("打开串口0失败"));
        if (hint.isEmpty()) {
            QCOMPARE(lines.size(), 1);
            return;
        }
        QCOMPARE(lines.at(2), QString::fromLocal8Bit(std::strerror(error)));
        QVERIFY(lines.at(3).contains(hint));
    }

    // OK while the load is on with the same port and line settings keeps
    // the port open; the run goes on polling at the new interval, without a
    // message.
    void okWhileRunningKeepsThePortAndPollingGoesOn() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 2, kWaitMs);
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("9600"),
                      QStringLiteral("200"));
        QTRY_COMPARE_WITH_TIMEOUT(run().pollInterval(), 200, kWaitMs);
        QVERIFY(run().isPolling());
        const std::size_t before = readingsShown();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= before + 5, kWaitMs);
        QVERIFY(run().isPortOpen());
        // As after any successful OK: PC Control and Self Control enabled.
        QCOMPARE(buttons(), (Buttons{true, true, false, true}));
        QVERIFY(boxes.isEmpty());
        // And the protection still acts on the reopened port.
        minimumVoltageField().setValue(13.0);
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        QCOMPARE(boxes.first().text, QStringLiteral("The Minnum Voltag is Protect!"));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn, kWaitMs);
    }

    // A failed reopen keeps the message and leaves the buttons as for a
    // closed port.
    void failedReopenLeavesThePortClosed() {
        openPort();
        applySettings(QStringLiteral("/nonexistent/tty"));
        QTRY_COMPARE_WITH_TIMEOUT(boxTexts(), QStringList{QStringLiteral("打开串口0失败")},
                                  kWaitMs);
        QVERIFY(!run().isPortOpen());
        QCOMPARE(buttons(), (Buttons{true, true, false, false}));
    }

    void notAnIntegerGoesToTheDefaultDisplay() {
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("96OO"));
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("'96OO' is not a valid integer value")});
        QCOMPARE(boxes.first().icon, QMessageBox::Critical);
        QTest::qWait(100);
        QVERIFY(!run().link()->isOpen());
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QCOMPARE(boxes.size(), 1);
    }

    void cancelKeepsTextsAndChangesNothing() {
        startRun();
        baudRateBox().setEditText(QStringLiteral("19200"));
        intervalEdit().setText(QStringLiteral("5000"));
        QTimer::singleShot(0, &settingsDialog(), [this] {
            child<QPushButton>(&settingsDialog(), "cancelButton")->click();
        });
        QTest::mouseClick(toolButton("settingsButton"), Qt::LeftButton);
        QCOMPARE(run().pollInterval(), 150);
        QCOMPARE(run().link()->lineSettings().baudRate, 9600u);
        QVERIFY(run().link()->isOpen());
        QTRY_COMPARE_WITH_TIMEOUT(statusPanel("baudRatePanel").text(),
                                  QStringLiteral("波特率19200"), kWaitMs);
        QCOMPARE(settingsDialog().entries().pollInterval, QStringLiteral("5000"));
    }

    void zeroIntervalStopsPolling() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("9600"),
                      QStringLiteral("0"));
        QTRY_COMPARE_WITH_TIMEOUT(run().pollInterval(), 0, kWaitMs);
        QVERIFY(run().isPolling());
        // The interval is seen before the run's thread has stopped its timer.
        QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>(&run(), "pollTimer")->isActive(), kWaitMs);
        // A request already on the line may still be answered; no more follow.
        const std::size_t stopped = readingsShown();
        QTest::qWait(600);
        QVERIFY(readingsShown() <= stopped + 1);
        applySettings(QString::fromStdString(sim->terminalPath()));
        QTRY_VERIFY_WITH_TIMEOUT(child<QTimer>(&run(), "pollTimer")->isActive(), kWaitMs);
        const std::size_t count = readingsShown();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() > count, kWaitMs);
    }

    void hangupIsReportedOncePerOpen() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        sim->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, kWaitMs);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(boxes.first().text.contains(QString::fromStdString(sim->terminalPath())));
        QVERIFY(boxes.first().text.contains(QStringLiteral("minimum-voltage stop")));
        emitAcross(run().link(), &SerialLink::hangupRequested);
        QTest::qWait(100);
        QCOMPARE(boxes.size(), 1);
    }

    // Setting -> OK while the load is on, through the windows. The same line:
    // polling and the clock go on. Another port: the old load is switched off
    // first, the status bar says so, the buttons and the clock are as after a
    // stop, nothing is switched on at the new port; one that cannot be opened
    // gives the usual message, the old load being off already.
    void settingsWhileTheLoadIsOn_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("staysOn");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("unchanged") << "none" << true << QStringList{};
        QTest::newRow("interval only") << "interval" << true << QStringList{};
        QTest::newRow("another port") << "port" << false << QStringList{};
        QTest::newRow("a port that cannot be opened")
            << "bad port" << false << QStringList{QStringLiteral("打开串口0失败")};
    }
    void settingsWhileTheLoadIsOn() {
        QFETCH(QString, change);
        QFETCH(bool, staysOn);
        QFETCH(QStringList, messages);
        loadsim::SimulatorOptions options;
        options.baudRate = 0;
        LoadSimulator other(options);
        const QString port = QString::fromStdString(sim->terminalPath());
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 2, kWaitMs);
        const QString newPort =
            change == QLatin1String("port")       ? QString::fromStdString(other.terminalPath())
            : change == QLatin1String("bad port") ? QStringLiteral("/nonexistent/tty")
                                                  : port;
        const QString interval =
            change == QLatin1String("interval") ? QStringLiteral("200") : QStringLiteral("150");
        applySettings(newPort, QStringLiteral("9600"), interval);
        if (staysOn) {
            QTRY_COMPARE_WITH_TIMEOUT(run().pollInterval(), interval.toInt(), kWaitMs);
            const std::size_t count = readingsShown();
            QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= count + 3, kWaitMs);
            QCOMPARE(buttons(), (Buttons{true, true, false, true}));
            QVERIFY(clockTimer().isActive());
            QCOMPARE(statusPanel("linkPanel").text(), QString());
            QVERIFY(sim->state().inputOn);
            QVERIFY(boxes.isEmpty());
            return;
        }
        const QString told =
            QStringLiteral("Load on %1 switched off before changing to %2").arg(port, newPort);
        QTRY_COMPARE_WITH_TIMEOUT(statusPanel("linkPanel").text(), told, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(boxTexts(), messages, kWaitMs);
        // As after a stop, then the new port's open (or failure): Self
        // Control follows PC Control.
        QTRY_COMPARE_WITH_TIMEOUT(buttons(), (Buttons{true, true, false, false}), kWaitMs);
        QVERIFY(!clockTimer().isActive());
        QVERIFY(!run().isPolling());
        const QList<QByteArray> frames = wire();
        QCOMPARE(frames.mid(frames.size() - 2), (QList<QByteArray>{kOff, kSelf}));
        QVERIFY(!sim->state().inputOn);
        QTest::qWait(300);
        QCOMPARE(other.receivedFrames().size(), std::size_t(0));
        QCOMPARE(statusPanel("linkPanel").text(), told);
    }

    // The interval must let polling watch the load: the dialog warns, and
    // Load ON does not switch on a load the program cannot poll.
    void loadOnNeedsAnIntervalPollingCanKeep_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0 ms") << "0"
                              << "Polling off: Load ON needs 150 ms or more" << true;
        QTest::newRow("10 ms") << "10"
                               << "Too short for 9600 bit/s: 150 ms or more" << true;
        QTest::newRow("80 ms") << "80"
                               << "Too short for 9600 bit/s: 150 ms or more" << true;
        QTest::newRow("150 ms") << "150"
                                << "" << false;
    }
    void loadOnNeedsAnIntervalPollingCanKeep() {
        QFETCH(QString, interval);
        QFETCH(QString, warning);
        QFETCH(bool, refused);
        applySettings(QString::fromStdString(sim->terminalPath()), QStringLiteral("9600"),
                      interval);
        QTRY_VERIFY_WITH_TIMEOUT(button("frontPanelButton")->isEnabled(), kWaitMs);
        QCOMPARE(child<QLabel>(&settingsDialog(), "intervalWarning")->text(), warning);
        click("computerControlButton");
        click("loadOnButton");
        if (!refused) {
            QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 3, kWaitMs);
            QVERIFY(boxes.isEmpty());
            return;
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QVERIFY(boxes.first().text.startsWith(QStringLiteral("The load was not switched on")));
        QVERIFY(boxes.first().text.contains(QStringLiteral("at least 150 ms")));
        // As before Load ON.
        QCOMPARE(buttons(), (Buttons{false, true, true, false}));
        QVERIFY(!clockTimer().isActive());
        QTest::qWait(500);
        QVERIFY(!run().isPolling());
        QVERIFY(!wire().contains(kOn));
        QVERIFY(!sim->state().inputOn);
        QCOMPARE(readingsShown(), std::size_t(0));
    }

    // A load that stops answering is switched off after the silence limit
    // (--silence-limit), and the operator is told once, in these words.
    void silenceStopIsToldOnce() {
        applyCommandLine(parseCommandLine({QStringLiteral("tarvex"),
                                           QStringLiteral("--silence-limit"), QStringLiteral("1")}),
                         *program);
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 2, kWaitMs);
        sim->staySilentFor(60000);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, kWaitMs);
        QCOMPARE(boxes.first().text,
                 QStringLiteral("The load on %1 gave no reading for 1 s. It was switched off: the "
                                "minimum-voltage stop cannot work without readings.")
                     .arg(QString::fromStdString(sim->terminalPath())));
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(buttons(), (Buttons{true, false, false, false}));
        QVERIFY(!clockTimer().isActive());
        QCOMPARE(statusPanel("linkPanel").text(), QStringLiteral("No reading: load switched off"));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn && !sim->state().computerControl, kWaitMs);
        QTest::qWait(2000);
        QCOMPARE(boxes.size(), 1);
    }

    // A load that ignores every load-off: after three, the operator is told
    // loudly - a box, the status bar, a beep (and the error output).
    void loadThatStaysOnIsToldLoudly() {
        int beeps = 0;
        const BeepHandler previous = setBeepHandler([&beeps] { ++beeps; });
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 1, kWaitMs);
        sim->ignoreLoadOffs(-1);
        minimumVoltageField().setValue(13.0);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 2, kWaitMs);
        setBeepHandler(previous);
        QCOMPARE(boxes[0].text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes[1].icon, QMessageBox::Critical);
        QVERIFY(boxes[1].text.contains(QString::fromStdString(sim->terminalPath())));
        QVERIFY(boxes[1].text.contains(QStringLiteral("STILL ON")));
        QVERIFY(statusPanel("linkPanel").text().startsWith(QStringLiteral("LOAD STILL ON")));
        QVERIFY(beeps >= 1);
        QCOMPARE(controlFrames(), (QList<QByteArray>{kPc, kOn, kOff, kOff, kOff, kSelf}));
        QVERIFY(sim->state().inputOn);
    }

    // Whichever way the load's path got into "Comm Port" (here its stable
    // by-id path, which the device list offers too), the dialog shows it
    // again after the device list changed, and OK opens that port.
    void portTextInEveryWayIsThePortOpened_data() {
        QTest::addColumn<QString>("way");
        for (const QString& way : kPortTextWays)
            QTest::newRow(qPrintable(way)) << way;
    }
    void portTextInEveryWayIsThePortOpened() {
        QFETCH(QString, way);
        QTemporaryDir dir;
        const QString byId = dir.filePath(QStringLiteral("usb-Load_Bench_42-if00"));
        QVERIFY(QFile::link(QString::fromStdString(sim->terminalPath()), byId));
        QList<SerialDevice> devices{{QString::fromStdString(sim->terminalPath()), byId,
                                     QStringLiteral("Electronic load"), QString(), QString()}};
        settingsDialog().setDeviceEnumerator([&devices] { return devices; });
        settingsDialog().show(); // the list is made at each showing
        settingsDialog().hide();
        putPortText(settingsDialog(), way, byId);
        devices.prepend(
            {QStringLiteral("/dev/ttyACM9"), QString(), QString(), QString(), QString()});
        QString shown;
        QTimer::singleShot(0, &settingsDialog(), [&] {
            shown = portBox().currentText();
            child<QPushButton>(&settingsDialog(), "okButton")->click();
        });
        QTest::mouseClick(toolButton("settingsButton"), Qt::LeftButton);
        settingsDialog().setDeviceEnumerator({});
        QCOMPARE(shown, byId);
        QTRY_VERIFY_WITH_TIMEOUT(button("frontPanelButton")->isEnabled(), kWaitMs);
        QVERIFY(boxes.isEmpty());
        QCOMPARE(run().settings().portName, byId);
        click("computerControlButton");
        QTRY_VERIFY_WITH_TIMEOUT(sim->state().computerControl, kWaitMs);
    }

    // The port path put into "Comm Port" by assistive technology (its text
    // set, no key events) is the port in use, and stays so: Setting again
    // mid-run shows it, and OK keeps polling that load, whose stop works.
    void portTextFromAssistiveTechnologyStaysThePortInUse() {
        const QString path = QString::fromStdString(sim->terminalPath());
        QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(portBox().lineEdit());
        QVERIFY(editor);
        editor->setText(QAccessible::Value, path);
        QTimer::singleShot(0, &settingsDialog(),
                           [this] { child<QPushButton>(&settingsDialog(), "okButton")->click(); });
        QTest::mouseClick(toolButton("settingsButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(button("frontPanelButton")->isEnabled(), kWaitMs);
        QVERIFY(boxes.isEmpty());
        click("computerControlButton");
        click("loadOnButton");
        QTRY_VERIFY_WITH_TIMEOUT(readingsShown() >= 2, kWaitMs);

        QString shown;
        QTimer::singleShot(0, &settingsDialog(), [&] {
            shown = portBox().currentText();
            child<QPushButton>(&settingsDialog(), "okButton")->click();
        });
        QTest::mouseClick(toolButton("settingsButton"), Qt::LeftButton);
        QCOMPARE(shown, path);
        QTest::qWait(300);
        QCOMPARE(run().settings().portName, path);
        QVERIFY(run().isPolling());
        const auto answers = sim->sentAnswers().size();
        QVERIFY(sim->waitForAnswers(answers + 3, kWaitMs));
        minimumVoltageField().setValue(13.0);
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), kWaitMs);
        QCOMPARE(boxes.first().text, QStringLiteral("The Minnum Voltag is Protect!"));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().inputOn, kWaitMs);
    }

    void elapsedClockDropsDaysAndMilliseconds_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << qint64(0) << "00:00:00";
        QTest::newRow("1h 2m 3.999s") << qint64(3'723'999) << "01:02:03";
        QTest::newRow("23:59:59") << qint64(86'399'000) << "23:59:59";
        QTest::newRow("25 hours drop the day") << qint64(90'000'000) << "01:00:00";
    }
    void elapsedClockDropsDaysAndMilliseconds() {
        QFETCH(qint64, ms);
        QFETCH(QString, shown);
        const ClockReading clock = clockReadingOf(ms);
        const QString text = QStringLiteral("%1:%2:%3")
                                 .arg(clock.hours, 2, 10, QLatin1Char('0'))
                                 .arg(clock.minutes, 2, 10, QLatin1Char('0'))
                                 .arg(clock.seconds, 2, 10, QLatin1Char('0'));
        QCOMPARE(text, shown);
    }

    void clockRunsFromLoadOn() {
        startRun();
        QTRY_VERIFY_WITH_TIMEOUT(clock().seconds() >= 1, kWaitMs);
        click("loadOffButton");
        const int seconds = clock().seconds();
        QTest::qWait(1200);
        QCOMPARE(clock().seconds(), seconds);
    }

    // "Query" prepares the query window's query and shows the window; "About"
    // shows the About window. Each showing is ended by the test.
    void queryAndAboutButtons() {
        deliver(Answer(1500, 12345, 185));
        deliver(Answer(1500, 12345, 185));
        QTRY_COMPARE_WITH_TIMEOUT(rows().size(), 2, kWaitMs);
        int rowsShown = -1;
        QTimer::singleShot(0, program->queryWindow(), [&] {
            QVERIFY(program->queryWindow()->isVisible());
            rowsShown = child<ReadingModel>(program->queryWindow(), "model")->rowCount();
            program->queryWindow()->reject();
        });
        QTest::mouseClick(toolButton("queryButton"), Qt::LeftButton);
        QCOMPARE(rowsShown, 2);
        QVERIFY(!child<ReadingModel>(program->queryWindow(), "model")->isOpen());

        bool aboutShown = false;
        QTimer::singleShot(0, program->aboutDialog(), [&] {
            aboutShown = program->aboutDialog()->isVisible();
            program->aboutDialog()->accept();
        });
        QTest::mouseClick(toolButton("aboutButton"), Qt::LeftButton);
        QVERIFY(aboutShown);
        QVERIFY(boxes.isEmpty());
    }

    void storeSetUpFailureStillLetsTheWindowWork() {
        program.reset();
        const QString blocked = engine->root() + QStringLiteral("/blocked");
        writeFile(blocked, "not a directory");
        program = std::make_unique<Program>(blocked);
        QCOMPARE(boxTexts(), QStringList{QStringLiteral("Cannot create ") + blocked});
        QVERIFY(program->controlWindow());
        boxes.clear();
        // Storing fails for every reading, yet the protection acts.
        deliver(Answer(1000, 5, 10));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 2, kWaitMs);
        QCOMPARE(boxes[0].text, QStringLiteral("The Minnum Voltag is Protect!"));
        QCOMPARE(boxes[1].icon, QMessageBox::Critical);
    }

    // The alias cannot be set up at start: the program warns once, the table
    // step is skipped, and the window is created all the same.
    void aliasFailureAtStartWarns_data() { ScratchStore::aliasFailureRows(); }
    void aliasFailureAtStartWarns() {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        program.reset();
        boxes.clear();
        engine->breakAliasSetUp(how);
        const QString fresh = engine->root() + QStringLiteral("/fresh/Table");
        program = std::make_unique<Program>(fresh);
        QCOMPARE(boxTexts().size(), 1);
        QVERIFY2(boxTexts().first().startsWith(
                     QStringLiteral("Have no install BDE ,Please insatll !\n")),
                 qPrintable(boxTexts().first()));
        QVERIFY2(boxTexts().first().section(u'\n', 1).contains(reason),
                 qPrintable(boxTexts().first()));
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Yes));
        QVERIFY(program->controlWindow());
        QVERIFY(QFileInfo(fresh).isDir());
        QVERIFY(!QFile::exists(fresh + QStringLiteral("/tables.db")));
    }
};

QTEST_MAIN(TestControlWindow)
#include "tst_controlwindow.moc"

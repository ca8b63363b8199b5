#include "control/ControlWindow.h"

#include "run/CapacityTally.h"

#include "control/PortSettingsDialog.h"
#include "control/RunLimitsDialog.h"
#include "review/QueryWindow.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/PollInterval.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "widgets/ElapsedClock.h"
#include "widgets/MinimumVoltageField.h"
#include "widgets/RunChart.h"
#include "widgets/SevenSegmentReadout.h"
#include "widgets/StripChart.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>

namespace tarvex {

namespace {

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 557;
constexpr int kToolPanelHeight = 44;
constexpr int kStatusBarHeight = 19;
constexpr qint64 kMsPerDay = 86'400'000;
// How long closing waits for the run to switch the load off: its own bound
// on the requests, and some to spare for a run that is busy.
constexpr int kCloseWaitMs = LoadRun::kExitSendTimeoutMs + 3000;
const QColor kLime(0, 255, 0);

QFrame* makePanel(QWidget* parent, const QString& name, QRect geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(geometry);
    return panel;
}

QLabel* makeCaption(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

SevenSegmentReadout* makeReadout(QWidget* parent, const QString& name, QLabel* caption, int x,
                                 int y) {
    auto* readout = new SevenSegmentReadout(parent);
    readout->setObjectName(name);
    readout->setShowSign(false);
    readout->setDigitCount(6);
    readout->setPrecision(2);
    readout->setLeadingStyle(LeadingStyle::Spaces);
    readout->setDigitSpacing(6);
    readout->setSegmentMargin(5);
    readout->setSegmentColor(kLime);
    readout->move(x, y);
    readout->setAccessibleName(caption->text());
    caption->setBuddy(readout);
    return readout;
}

// The flat buttons of the tool panel, with a glyph beside their caption.
QToolButton* makeToolButton(QWidget* parent, const QString& name, const QString& caption,
                            QStyle::StandardPixmap glyph, int x) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAccessibleName(caption);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(x, 4, 84, 36);
    return button;
}

QPushButton* makeControlButton(QWidget* parent, const QString& name, const QString& caption,
                               int y) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(544, y, 100, 30);
    return button;
}

StripChart* makeRunChart(QWidget* parent, RunChart which, int y, LineSeries*& series) {
    auto* chart = new StripChart(parent);
    series = &configureRunChart(*chart, which);
    chart->move(5, y);
    return chart;
}

// Connects a button to a slot of the window; an exception escaping the slot
// is shown by the default display.
template <class Button>
void onClick(Button* button, ControlWindow* window, void (ControlWindow::*slot)()) {
    QObject::connect(button, &Button::clicked, window,
                     [window, slot] { guarded([&] { (window->*slot)(); }); });
}

// Runs a command of the run on the run's own thread, without waiting for it.
void command(LoadRun* run, void (LoadRun::*slot)()) {
    post(run, [run, slot] { (run->*slot)(); });
}

} // namespace

QString openFailureHint(int errorCode, const QString& reason) {
    QString what;
    if (errorCode == EACCES || errorCode == EPERM)
        what =
            ControlWindow::tr("On Linux, serial ports belong to the group \"dialout\": add your "
                              "user to it (sudo usermod -aG dialout \"$USER\"), then log out and "
                              "in again.");
    else if (errorCode == EBUSY)
        what = ControlWindow::tr("Another program holds the port (a terminal program, or another "
                                 "copy of this one).");
    else
        return {};
    return QStringLiteral("\n\n%1\n%2").arg(reason, what);
}

ClockReading clockReadingOf(qint64 elapsedMs) {
    const qint64 ms = elapsedMs % kMsPerDay;
    return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
            static_cast<int>(ms / 1000 % 60)};
}

ControlWindow::ControlWindow(LoadRun* run, QWidget* parent) : QMainWindow(parent), m_run(run) {
    buildLayout();
    wireRun();
}

ControlWindow::~ControlWindow() = default;

void ControlWindow::buildLayout() {
    setObjectName(QStringLiteral("controlWindow"));
    setWindowTitle(tr("TarvexForm"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // Fixed border: the client area keeps its size.
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralPanel"));
    setCentralWidget(central);

    // Tool panel along the top.
    m_toolPanel =
        makePanel(central, QStringLiteral("toolPanel"), {0, 0, kClientWidth, kToolPanelHeight});
    m_settingsButton = makeToolButton(m_toolPanel, QStringLiteral("settingsButton"), tr("Setting"),
                                      QStyle::SP_FileDialogDetailedView, 6);
    m_queryButton = makeToolButton(m_toolPanel, QStringLiteral("queryButton"), tr("Query"),
                                   QStyle::SP_FileDialogContentsView, 94);
    m_aboutButton = makeToolButton(m_toolPanel, QStringLiteral("aboutButton"), tr("About"),
                                   QStyle::SP_MessageBoxInformation, 182);
    m_closeButton = makeToolButton(m_toolPanel, QStringLiteral("closeButton"), tr("Close"),
                                   QStyle::SP_DialogCloseButton, 270);
    m_limitsButton = makeToolButton(m_toolPanel, QStringLiteral("limitsButton"), tr("Limits"),
                                    QStyle::SP_FileDialogListView, 358);
    m_elapsedClock = new ElapsedClock(m_toolPanel);
    m_elapsedClock->setObjectName(QStringLiteral("elapsedClock"));
    m_elapsedClock->setDigitSpacing(3);
    m_elapsedClock->setSegmentColor(kLime);
    m_elapsedClock->setSegmentOffColor(kLime);
    m_elapsedClock->setShowOffSegments(false);
    m_elapsedClock->setFrameSeparator(FrameSeparator::Colon);
    m_elapsedClock->setShowFrameNumber(false);
    m_elapsedClock->setShowFieldNumber(false);
    m_elapsedClock->setHourStyle(HourStyle::Hours24);
    m_elapsedClock->move(566, 8);

    // Status bar along the bottom: three fixed panels.
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setFixedHeight(kStatusBarHeight);
    const int widths[] = {100, 120, 50};
    const char* const names[] = {"baudRatePanel", "capacityPanel", "daysPanel"};
    for (std::size_t i = 0; i < m_statusPanels.size(); ++i) {
        auto* panel = new QLabel(m_statusBar);
        panel->setObjectName(QString::fromLatin1(names[i]));
        panel->setFixedWidth(widths[i]);
        m_statusBar->addWidget(panel);
        m_statusPanels[i] = panel;
    }
    m_linkPanel = new QLabel(m_statusBar);
    m_linkPanel->setObjectName(QStringLiteral("linkPanel"));
    // At least 160 pixels; a longer notice takes what room there is (its
    // tooltip and its accessible text hold all of it).
    m_linkPanel->setMinimumWidth(160);
    m_linkPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusBar->addWidget(m_linkPanel, 1);
    m_storePanel = new QLabel(m_statusBar);
    m_storePanel->setObjectName(QStringLiteral("storePanel"));
    m_storePanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusBar->addWidget(m_storePanel, 1);
    m_limitsPanel = new QLabel(m_statusBar);
    m_limitsPanel->setObjectName(QStringLiteral("limitsPanel"));
    m_statusBar->addWidget(m_limitsPanel);
    setStatusBar(m_statusBar);

    // Main panel with the three columns.
    const int mainHeight = kClientHeight - kToolPanelHeight - kStatusBarHeight;
    QFrame* mainPanel = makePanel(central, QStringLiteral("mainPanel"),
                                  {0, kToolPanelHeight, kClientWidth, mainHeight});

    QFrame* readoutPanel =
        makePanel(mainPanel, QStringLiteral("readoutPanel"), {2, 2, 133, mainHeight - 4});
    m_voltageReadout = makeReadout(readoutPanel, QStringLiteral("voltageReadout"),
                                   makeCaption(readoutPanel, tr("Voltage"), 14, 58), 14, 80);
    m_currentReadout = makeReadout(readoutPanel, QStringLiteral("currentReadout"),
                                   makeCaption(readoutPanel, tr("Current"), 14, 213), 14, 235);
    m_powerReadout = makeReadout(readoutPanel, QStringLiteral("powerReadout"),
                                 makeCaption(readoutPanel, tr("Power"), 19, 373), 19, 395);

    QFrame* chartPanel =
        makePanel(mainPanel, QStringLiteral("chartPanel"), {136, 2, 394, mainHeight - 4});
    m_voltageChart = makeRunChart(chartPanel, RunChart::Voltage, 3, m_voltageSeries);
    m_currentChart = makeRunChart(chartPanel, RunChart::Current, 159, m_currentSeries);
    m_powerChart = makeRunChart(chartPanel, RunChart::Power, 315, m_powerSeries);

    QLabel* minimumCaption = makeCaption(mainPanel, tr("Minimum Voltage:"), 544, 36);
    m_minimumVoltageField = new MinimumVoltageField(mainPanel);
    m_minimumVoltageField->setObjectName(QStringLiteral("minimumVoltageField"));
    m_minimumVoltageField->setGeometry(544, 56, 80, 24);
    minimumCaption->setBuddy(m_minimumVoltageField);

    m_computerControlButton = makeControlButton(mainPanel, QStringLiteral("computerControlButton"),
                                                tr("PC Control"), 120);
    m_frontPanelButton =
        makeControlButton(mainPanel, QStringLiteral("frontPanelButton"), tr("Self Control"), 170);
    m_loadOnButton =
        makeControlButton(mainPanel, QStringLiteral("loadOnButton"), tr("Load ON"), 220);
    m_loadOffButton =
        makeControlButton(mainPanel, QStringLiteral("loadOffButton"), tr("Load OFF"), 270);
    m_frontPanelButton->setEnabled(false);
    m_loadOnButton->setEnabled(false);
    m_loadOffButton->setEnabled(false);

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("clockTimer"));
    m_clockTimer->setInterval(1000);
    m_clockTimer->setTimerType(Qt::PreciseTimer);
    connect(m_clockTimer, &QTimer::timeout, this,
            [this] { guarded([this] { showElapsedTime(); }); });

    onClick(m_settingsButton, this, &ControlWindow::openPortSettings);
    onClick(m_queryButton, this, &ControlWindow::showQueryWindow);
    onClick(m_aboutButton, this, &ControlWindow::showAboutDialog);
    connect(m_closeButton, &QToolButton::clicked, this, &ControlWindow::close);
    onClick(m_limitsButton, this, &ControlWindow::openLimits);
    onClick(m_computerControlButton, this, &ControlWindow::handToComputer);
    onClick(m_frontPanelButton, this, &ControlWindow::handToFrontPanel);
    onClick(m_loadOnButton, this, &ControlWindow::switchLoadOn);
    onClick(m_loadOffButton, this, &ControlWindow::switchLoadOff);

    setTabOrder(m_settingsButton, m_queryButton);
    setTabOrder(m_queryButton, m_aboutButton);
    setTabOrder(m_aboutButton, m_closeButton);
    setTabOrder(m_closeButton, m_minimumVoltageField);
    setTabOrder(m_minimumVoltageField, m_computerControlButton);
    setTabOrder(m_computerControlButton, m_frontPanelButton);
    setTabOrder(m_frontPanelButton, m_loadOnButton);
    setTabOrder(m_loadOnButton, m_loadOffButton);
    setTabOrder(m_loadOffButton, m_limitsButton);
    // The charts last: nothing the operator reached before moves.
    setTabOrder(m_limitsButton, m_voltageChart);
    setTabOrder(m_voltageChart, m_currentChart);
    setTabOrder(m_currentChart, m_powerChart);
}

void ControlWindow::wireRun() {
    connect(m_run, &LoadRun::pollSent, this, &ControlWindow::showPoll);
    connect(m_run, &LoadRun::readingTaken, this, &ControlWindow::showReading);
    // The charge since Load ON, kept in the second panel until the next one.
    connect(m_run, &LoadRun::chargeDrawn, m_statusPanels[1],
            [panel = m_statusPanels[1]](double ah, double wh) {
                panel->setText(capacityText(ah, wh));
            });
    connect(m_run, &LoadRun::portOpened, this, &ControlWindow::showPortOpened);
    connect(m_run, &LoadRun::portOpenFailed, this, &ControlWindow::showPortOpenFailed);
    connect(m_run, &LoadRun::stoppedAtMinimumVoltage, this,
            &ControlWindow::showStopAtMinimumVoltage);
    connect(m_run, &LoadRun::stoppedForSilence, this, &ControlWindow::showStopForSilence);
    connect(m_run, &LoadRun::limitReached, this, &ControlWindow::showStopAtLimit);
    connect(m_run, &LoadRun::loadStillOn, this, &ControlWindow::showLoadStillOn);
    connect(m_run, &LoadRun::loadOnRefused, this, &ControlWindow::showLoadOnRefused);
    connect(m_run, &LoadRun::loadSwitchedOffForPortChange, this, &ControlWindow::showPortChange);
    connect(m_run, &LoadRun::loadMayStillBeOn, this, &ControlWindow::showLoadMayStillBeOn);
    connect(m_run, &LoadRun::guardFailed, this, &ControlWindow::showGuardFailed);
    connect(m_run, &LoadRun::linkLost, this, &ControlWindow::showLinkLost);
    connect(m_run, &LoadRun::linkBack, this, &ControlWindow::showLinkBack);
    connect(m_run, &LoadRun::silenceChanged, this, &ControlWindow::showSilence);
    connect(m_run, &LoadRun::storingDelayed, this, &ControlWindow::showStoringDelayed);
    connect(m_run, &LoadRun::waitingReadingsChanged, this, &ControlWindow::showWaitingReadings);
    connect(m_run, &LoadRun::waitingReadingsWritten, this,
            &ControlWindow::showWaitingReadingsWritten);
    connect(m_run, &LoadRun::waitingReadingsOverflowed, this,
            &ControlWindow::showWaitingReadingsOverflowed);

    // The minimum the run tests against is the field's last applied value.
    const auto applyMinimum = [run = m_run](double volts) {
        post(run, [run, volts] { run->setMinimumVoltage(volts); });
    };
    connect(m_minimumVoltageField, &MinimumVoltageField::valueChanged, this, applyMinimum);
    applyMinimum(m_minimumVoltageField->value());
}

void ControlWindow::closeEvent(QCloseEvent* event) {
    m_clockTimer->stop();
    m_loadOffButton->setEnabled(false);
    m_loadOnButton->setEnabled(false);
    m_frontPanelButton->setEnabled(false);
    m_computerControlButton->setEnabled(true);
    // Load off, then front panel, and wait (bounded) until both have left the
    // port: the program ends right after. When they could not reach the
    // load, the operator must know that it may still be on.
    auto safe = std::make_shared<std::atomic<bool>>(false);
    const bool answered =
        callAndWaitFor(m_run, kCloseWaitMs, [run = m_run, safe] { *safe = run->shutDown(); });
    if (!answered || !*safe)
        showMessageBox(loadMayStillBeOnText(m_run->settings().portName), QMessageBox::Warning,
                       QMessageBox::Yes);
    event->accept();
    emit closed();
}

void ControlWindow::openPortSettings() {
    if (m_windows.portSettingsDialog && m_windows.portSettingsDialog->exec() == QDialog::Accepted)
        applyPortSettings();
}

void ControlWindow::openLimits() {
    RunLimitsDialog* dialog = m_windows.limitsDialog;
    if (!dialog)
        return;
    dialog->setEntries(m_limits, m_label);
    if (dialog->exec() != QDialog::Accepted)
        return;
    m_limits = dialog->limits();
    m_label = dialog->label();
    m_limitsPanel->setText(armedLimitsText(m_limits));
    post(m_run, [run = m_run, limits = m_limits, label = m_label] {
        run->setRunLimits(limits);
        run->setRunLabel(label);
    });
}

void ControlWindow::applyPortSettings() {
    const PortSettingsEntries entries = m_windows.portSettingsDialog->entries();
    LinkSettings settings;
    settings.portName = entries.portName;
    settings.baudRate = static_cast<quint32>(parseInteger(entries.baudRate));
    settings.dataBits = static_cast<quint8>(parseInteger(entries.dataBits));
    settings.stopBits = static_cast<quint8>(parseInteger(entries.stopBits));
    settings.parity = static_cast<quint8>(parseInteger(entries.parity));
    settings.pollIntervalMs = parseInteger(entries.pollInterval);
    // What the link panel said belongs to the port being replaced.
    m_linkPanel->clear();
    post(m_run, [run = m_run, settings] { run->applySettings(settings); });
}

void ControlWindow::showPortOpened() {
    m_portOpen = true;
    m_computerControlButton->setEnabled(true);
    m_frontPanelButton->setEnabled(true);
}

void ControlWindow::showPortOpenFailed(int errorCode, const QString& reason) {
    m_portOpen = false;
    // Self Control follows PC Control, whatever the open did.
    m_frontPanelButton->setEnabled(m_computerControlButton->isEnabled());
    const int position =
        m_windows.portSettingsDialog ? m_windows.portSettingsDialog->portListPosition() : 0;
    showMessageBox(tr("打开串口%1失败").arg(position) + openFailureHint(errorCode, reason),
                   QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::handToComputer() {
    m_computerControlButton->setEnabled(false);
    command(m_run, &LoadRun::handToComputer);
    m_frontPanelButton->setEnabled(true);
    m_loadOnButton->setEnabled(true);
}

void ControlWindow::handToFrontPanel() {
    m_frontPanelButton->setEnabled(false);
    command(m_run, &LoadRun::handToFrontPanel);
    m_computerControlButton->setEnabled(true);
    m_loadOnButton->setEnabled(false);
    m_loadOffButton->setEnabled(false);
}

void ControlWindow::switchLoadOn() {
    // A load the program cannot poll is not switched on: the stop would
    // never see a reading.
    const LinkSettings line = m_run->settings();
    const QString refusal = pollingRefusal(line.pollIntervalMs, line.baudRate);
    if (!refusal.isEmpty()) {
        showMessageBox(refusal, QMessageBox::Warning, QMessageBox::Yes);
        return;
    }
    m_loadOnButton->setEnabled(false);
    m_loadOffButton->setEnabled(true);
    m_runLimits = m_limits;
    command(m_run, &LoadRun::switchLoadOn);
    m_statusPanels[2]->clear();
    m_elapsed.start();
    // A clock already running (Load ON again after Self Control and PC
    // Control during a run) goes on ticking undisturbed.
    if (!m_clockTimer->isActive())
        m_clockTimer->start();
}

void ControlWindow::switchLoadOff() {
    m_loadOffButton->setEnabled(false);
    m_loadOnButton->setEnabled(true);
    m_clockTimer->stop();
    command(m_run, &LoadRun::switchLoadOff);
}

void ControlWindow::showPoll() {
    const QString baud =
        m_windows.portSettingsDialog ? m_windows.portSettingsDialog->baudRateText() : QString();
    m_statusPanels[0]->setText(tr("波特率") + baud);
}

void ControlWindow::showElapsedTime() {
    const qint64 elapsed = m_elapsed.isValid() ? m_elapsed.elapsed() : 0;
    m_statusPanels[2]->setText(elapsedDaysText(elapsed));
    const ClockReading shown = clockReadingOf(elapsed);
    m_elapsedClock->setHours(shown.hours);
    m_elapsedClock->setMinutes(shown.minutes);
    m_elapsedClock->setSeconds(shown.seconds);
}

void ControlWindow::showReading(const LoadReading& reading) {
    m_voltageReadout->setValue(reading.volts);
    m_currentReadout->setValue(reading.amps);
    m_powerReadout->setValue(reading.watts);
    m_voltageSeries->append(reading.volts);
    m_currentSeries->append(reading.amps);
    m_powerSeries->append(reading.watts);
}

// The buttons and the clock after the run stopped the load by itself.
void ControlWindow::showStopped() {
    m_clockTimer->stop();
    m_computerControlButton->setEnabled(true);
    m_frontPanelButton->setEnabled(false);
    m_loadOnButton->setEnabled(false);
    m_loadOffButton->setEnabled(false);
}

void ControlWindow::showStopAtMinimumVoltage() {
    showStopped();
    showMessageBox(tr("The Minnum Voltag is Protect!"), QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showStopAtLimit(RunEnd which) {
    showStopped();
    const QString limit = limitReachedText(which, m_runLimits);
    m_linkPanel->setText(tr("Run ended at its %1").arg(limit));
    showMessageBox(tr("The run reached its %1: the load was switched off.").arg(limit),
                   QMessageBox::Information, QMessageBox::Yes);
}

void ControlWindow::showStopForSilence(const QString& portName, int limitMs) {
    showStopped();
    m_linkPanel->setText(tr("No reading: load switched off"));
    showMessageBox(tr("The load on %1 gave no reading for %2 s. It was switched off: "
                      "the minimum-voltage stop cannot work without readings.")
                       .arg(portName, QLocale().toString(limitMs / 1000.0)),
                   QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showLoadStillOn(const QString& portName, double amps) {
    m_linkPanel->setText(tr("LOAD STILL ON: switch it off"));
    beep();
    showMessageBox(tr("THE LOAD ON %1 IS STILL ON. It draws %2 A after three load-off "
                      "requests. Switch it off at the load itself now.")
                       .arg(portName, QLocale().toString(amps, 'f', 2)),
                   QMessageBox::Critical, QMessageBox::Yes);
}

void ControlWindow::showLoadOnRefused(const QString& reason) {
    // The window refuses first; this comes when the settings changed between
    // the click and the run. The buttons go back to before Load ON.
    m_clockTimer->stop();
    m_loadOffButton->setEnabled(false);
    m_loadOnButton->setEnabled(true);
    showMessageBox(reason, QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showPortChange(const QString& fromPort, const QString& toPort) {
    showStopped();
    m_linkPanel->setText(
        fromPort == toPort
            ? tr("Load on %1 switched off before changing its line settings").arg(fromPort)
            : tr("Load on %1 switched off before changing to %2").arg(fromPort, toPort));
    m_linkPanel->setToolTip(m_linkPanel->text());
}

void ControlWindow::showLoadMayStillBeOn(const QString& portName) {
    showStopped();
    m_linkPanel->setText(tr("Load on %1 may still be on").arg(portName));
    m_linkPanel->setToolTip(m_linkPanel->text());
    showMessageBox(loadMayStillBeOnText(portName), QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showGuardFailed(const QString& reason) {
    showMessageBox(tr("The load is on, but no guard process could be started (%1): "
                      "should the program end unexpectedly, nothing would switch the "
                      "load off. Watch it, or switch it off and try again.")
                       .arg(reason),
                   QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showLinkLost(const QString& portName) {
    m_linkPanel->setText(tr("Link lost"));
    showMessageBox(tr("The connection to the load on %1 was lost. Readings and the "
                      "minimum-voltage stop are paused until it is back; the program "
                      "opens the port again by itself every second. Check the cable.")
                       .arg(portName),
                   QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showLinkBack(const QString&) {
    m_linkPanel->setText(tr("Link back"));
}

void ControlWindow::showSilence(bool silent) {
    const QString kNoAnswer = tr("No answer from the load");
    if (silent)
        m_linkPanel->setText(kNoAnswer);
    else if (m_linkPanel->text() == kNoAnswer)
        m_linkPanel->clear();
}

void ControlWindow::showStoringDelayed(const QString& message) {
    m_storePanel->setText(tr("Readings wait to be stored"));
    showErrorMessage(tr("Readings cannot be stored now: %1\nThey are kept and "
                        "written to the table as soon as it takes them again.")
                         .arg(message));
}

void ControlWindow::showWaitingReadings(int count) {
    if (count > 0)
        m_storePanel->setText(tr("Readings waiting to be stored: %1").arg(count));
}

void ControlWindow::showWaitingReadingsWritten(int count) {
    m_storePanel->setText(tr("All %1 waiting readings stored").arg(count));
}

void ControlWindow::showWaitingReadingsOverflowed(int capacity) {
    showMessageBox(tr("More than %1 readings (an hour of polling) are waiting to be "
                      "stored. The oldest are dropped from now on; the newest are "
                      "kept.")
                       .arg(capacity),
                   QMessageBox::Warning, QMessageBox::Yes);
}

void ControlWindow::showQueryWindow() {
    if (!m_windows.queryWindow)
        return;
    m_windows.queryWindow->openReadings();
    m_windows.queryWindow->exec();
}

void ControlWindow::showAboutDialog() {
    if (m_windows.aboutDialog)
        m_windows.aboutDialog->exec();
}

} // namespace tarvex

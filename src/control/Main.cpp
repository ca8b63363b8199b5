#include "control/Main.h"

#include "control/Setfrm.h"
#include "review/Aboutfrm.h"
#include "review/Queryfrm.h"
#include "serial/SerialLink.h"
#include "store/ReadingTable.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/WindowTimer.h"
#include "widgets/ElapsedClock.h"
#include "widgets/NumberField.h"
#include "widgets/RunChart.h"
#include "widgets/SevenSegmentReadout.h"
#include "widgets/StripChart.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cstring>
#include <exception>

namespace tarvex {

namespace {

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 557;
constexpr int kToolPanelHeight = 44;
constexpr qint64 kMsPerDay = 86'400'000;
const QColor kLime(0, 255, 0);

QFrame* MakePanel(QWidget* parent, const QString& name, QRect geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(geometry);
    return panel;
}

QLabel* MakeCaption(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

SevenSegmentReadout* MakeReadout(QWidget* parent, const QString& name, QLabel* caption, int x,
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

QToolButton* MakeSpeedButton(QWidget* parent, const QString& name, const QString& caption,
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

QPushButton* MakeControlButton(QWidget* parent, const QString& name, const QString& caption,
                               int y) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(544, y, 100, 30);
    return button;
}

// Connects a button to a handler of the window; an exception escaping the
// handler is shown by the default display.
template <class Button>
void OnClick(Button* button, TTarvexForm* form, void (TTarvexForm::*handler)()) {
    QObject::connect(button, &Button::clicked, form,
                     [form, handler] { guarded([&] { (form->*handler)(); }); });
}

} // namespace

TTarvexForm::TTarvexForm(const QString& dataDirectory)
    : FDataDirectory(dataDirectory.isEmpty() ? ReadingTable::defaultDataDirectory()
                                             : dataDirectory) {
    BuildLayout();
    guarded([this] { FormCreate(); });
}

TTarvexForm::~TTarvexForm() = default;

void TTarvexForm::BuildLayout() {
    setObjectName(QStringLiteral("TarvexForm"));
    setWindowTitle(QStringLiteral("TarvexForm"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // Fixed border: the client area keeps its size.
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // Tool panel along the top.
    Panel1 = MakePanel(this, QStringLiteral("Panel1"), {0, 0, kClientWidth, kToolPanelHeight});
    BtnSet = MakeSpeedButton(Panel1, QStringLiteral("BtnSet"), QStringLiteral("Setting"),
                             QStyle::SP_FileDialogDetailedView, 6);
    SpeedButton3 = MakeSpeedButton(Panel1, QStringLiteral("SpeedButton3"), QStringLiteral("Query"),
                                   QStyle::SP_FileDialogContentsView, 94);
    SpeedButton4 = MakeSpeedButton(Panel1, QStringLiteral("SpeedButton4"), QStringLiteral("About"),
                                   QStyle::SP_MessageBoxInformation, 182);
    SpeedButton5 = MakeSpeedButton(Panel1, QStringLiteral("SpeedButton5"), QStringLiteral("Close"),
                                   QStyle::SP_DialogCloseButton, 270);
    Time = new ElapsedClock(Panel1);
    Time->setObjectName(QStringLiteral("Time"));
    Time->setDigitSpacing(3);
    Time->setSegmentColor(kLime);
    Time->setSegmentOffColor(kLime);
    Time->setShowOffSegments(false);
    Time->setFrameSeparator(FrameSeparator::Colon);
    Time->setShowFrameNumber(false);
    Time->setShowFieldNumber(false);
    Time->setHourStyle(HourStyle::Hours24);
    Time->move(566, 8);

    // Status bar along the bottom: three fixed panels, only the first written.
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const int widths[] = {100, 120, 50};
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        StatusBar1->addWidget(panel);
        StatusPanels[i] = panel;
    }
    const int statusHeight = 19;
    StatusBar1->setGeometry(0, kClientHeight - statusHeight, kClientWidth, statusHeight);

    // Main panel with the three columns.
    const int mainHeight = kClientHeight - kToolPanelHeight - statusHeight;
    Panel =
        MakePanel(this, QStringLiteral("Panel"), {0, kToolPanelHeight, kClientWidth, mainHeight});

    Panel3 = MakePanel(Panel, QStringLiteral("Panel3"), {2, 2, 133, mainHeight - 4});
    Label1 = MakeCaption(Panel3, QStringLiteral("Voltage"), 14, 58);
    Label2 = MakeCaption(Panel3, QStringLiteral("Current"), 14, 213);
    Label3 = MakeCaption(Panel3, QStringLiteral("Power"), 19, 373);
    VolVal = MakeReadout(Panel3, QStringLiteral("VolVal"), Label1, 14, 80);
    CurVol = MakeReadout(Panel3, QStringLiteral("CurVol"), Label2, 14, 235);
    PowVol = MakeReadout(Panel3, QStringLiteral("PowVol"), Label3, 19, 395);

    Panel4 = MakePanel(Panel, QStringLiteral("Panel4"), {136, 2, 394, mainHeight - 4});
    Chart1 = new StripChart(Panel4);
    Series1 = &configureRunChart(*Chart1, RunChart::Voltage);
    Chart1->move(5, 3);
    Chart2 = new StripChart(Panel4);
    Series2 = &configureRunChart(*Chart2, RunChart::Current);
    Chart2->move(5, 159);
    Chart3 = new StripChart(Panel4);
    Series3 = &configureRunChart(*Chart3, RunChart::Power);
    Chart3->move(5, 315);

    Label4 = MakeCaption(Panel, QStringLiteral("Minimum Voltage:"), 544, 36);
    Protect = new NumberField(Panel);
    Protect->setObjectName(QStringLiteral("Protect"));
    QFont entryFont(QStringLiteral("MS Sans Serif"));
    entryFont.setPixelSize(13);
    Protect->setTextFont(entryFont);
    QFont errorFont(QStringLiteral("MS Sans Serif"));
    errorFont.setPixelSize(11);
    errorFont.setBold(true);
    Protect->setErrorFont(errorFont);
    Protect->setPrecision(2);
    Protect->setMaxLength(6);
    Protect->setAlignment(Qt::AlignLeft);
    Protect->setValue(0.01);
    Protect->setGeometry(544, 56, 80, 24);
    Label4->setBuddy(Protect);

    BtnPc = MakeControlButton(Panel, QStringLiteral("BtnPc"), QStringLiteral("PC Control"), 120);
    BtnSelf =
        MakeControlButton(Panel, QStringLiteral("BtnSelf"), QStringLiteral("Self Control"), 170);
    BtnOn = MakeControlButton(Panel, QStringLiteral("BtnOn"), QStringLiteral("Load ON"), 220);
    BtnOff = MakeControlButton(Panel, QStringLiteral("BtnOff"), QStringLiteral("Load OFF"), 270);
    BtnSelf->setEnabled(false);
    BtnOn->setEnabled(false);
    BtnOff->setEnabled(false);

    // Components without a face.
    Comm321 = new SerialLink(this);
    Comm321->setObjectName(QStringLiteral("Comm321"));
    Comm321->setCommPort(QStringLiteral("COM2"));
    Comm321->setBaudRate(9600);
    Comm321->setDataBits(8);
    Comm321->setParity(0);
    Comm321->setStopBits(0);
    connect(Comm321, &SerialLink::chunkReceived, this, [this](const QByteArray& chunk) {
        guarded([&] {
            Comm321ReceiveData(chunk.constData(), static_cast<std::uint16_t>(chunk.size()));
        });
    });
    connect(Comm321, &SerialLink::hangupRequested, this,
            [this] { guarded([&] { Comm321RequestHangup(); }); });
    TimerSend = new WindowTimer(300, this);
    TimerSend->setObjectName(QStringLiteral("TimerSend"));
    connect(TimerSend, &WindowTimer::timeout, this,
            [this] { guarded([this] { TimerSendTimer(); }); });
    TimeShow = new WindowTimer(1000, this);
    TimeShow->setObjectName(QStringLiteral("TimeShow"));
    connect(TimeShow, &WindowTimer::timeout, this, [this] { guarded([this] { TimeShowTimer(); }); });
    Table1 = std::make_unique<Table>();

    OnClick(BtnSet, this, &TTarvexForm::BtnSetClick);
    OnClick(SpeedButton3, this, &TTarvexForm::SpeedButton3Click);
    OnClick(SpeedButton4, this, &TTarvexForm::SpeedButton4Click);
    OnClick(SpeedButton5, this, &TTarvexForm::SpeedButton5Click);
    OnClick(BtnPc, this, &TTarvexForm::BtnPcClick);
    OnClick(BtnSelf, this, &TTarvexForm::BtnSelfClick);
    OnClick(BtnOn, this, &TTarvexForm::BtnOnClick);
    OnClick(BtnOff, this, &TTarvexForm::BtnOffClick);

    setTabOrder(BtnSet, SpeedButton3);
    setTabOrder(SpeedButton3, SpeedButton4);
    setTabOrder(SpeedButton4, SpeedButton5);
    setTabOrder(SpeedButton5, Protect);
    setTabOrder(Protect, BtnPc);
    setTabOrder(BtnPc, BtnSelf);
    setTabOrder(BtnSelf, BtnOn);
    setTabOrder(BtnOn, BtnOff);
}

void TTarvexForm::FormCreate() {
    PrepareStore();
    ReadingTable::attach(*Table1);
}

void TTarvexForm::PrepareStore() {
    if (ReadingTable::setUp(FDataDirectory) == ReadingTable::SetupResult::AliasFailed)
        showMessageBox(QStringLiteral("Have no install BDE ,Please insatll !"), QMessageBox::Warning,
                   QMessageBox::Yes);
}

void TTarvexForm::LogReading(const LoadReading& reading) {
    ReadingTable::appendReading(*Table1, reading);
}

void TTarvexForm::closeEvent(QCloseEvent* event) {
    guarded([this] { FormClose(); });
    event->accept();
    emit Closed();
}

void TTarvexForm::FormClose() {
    BtnOffClick();
    BtnSelfClick();
    // The last two requests must reach the line before the program ends, or
    // the load could stay on with nobody watching.
    Comm321->waitUntilSent(kExitSendTimeoutMs);
}

void TTarvexForm::BtnSetClick() {
    if (Windows.ComSet && Windows.ComSet->exec() == QDialog::Accepted)
        ApplyPortSettings();
}

void TTarvexForm::ApplyPortSettings() {
    const PortSettings entries = Windows.ComSet->Settings();
    Comm321->setCommPort(entries.CommPort);
    Comm321->setBaudRate(static_cast<quint32>(StrToInt(entries.BaudRate)));
    Comm321->setDataBits(static_cast<quint8>(StrToInt(entries.ByteSize)));
    Comm321->setStopBits(static_cast<quint8>(StrToInt(entries.StopBits)));
    Comm321->setParity(static_cast<quint8>(StrToInt(entries.Parity)));
    TimerSend->setInterval(StrToInt(entries.Interval));

    try {
        Comm321->open();
        FPortOpen = true;
        FHangupReported = false;
        BtnPc->setEnabled(true);
    } catch (...) {
        Comm321->close();
        FPortOpen = false;
    }
    BtnSelf->setEnabled(BtnPc->isEnabled());
    if (!FPortOpen)
        showMessageBox(QStringLiteral("打开串口%1失败").arg(Windows.ComSet->PortListPosition()),
                       QMessageBox::Warning, QMessageBox::Yes);
}

void TTarvexForm::SendCommand(ControlMode mode) {
    CommandFrame = makeControlFrame(mode);
    Comm321->sendBytes(CommandFrame.data(), static_cast<std::uint16_t>(CommandFrame.size()));
}

void TTarvexForm::BtnPcClick() {
    BtnPc->setEnabled(false);
    SendCommand(ControlMode::ComputerLoadOff);
    BtnSelf->setEnabled(true);
    BtnOn->setEnabled(true);
}

void TTarvexForm::BtnSelfClick() {
    BtnSelf->setEnabled(false);
    SendCommand(ControlMode::FrontPanel);
    BtnPc->setEnabled(true);
    BtnOn->setEnabled(false);
    BtnOff->setEnabled(false);
}

void TTarvexForm::BtnOnClick() {
    BtnOn->setEnabled(false);
    BtnOff->setEnabled(true);
    SendCommand(ControlMode::ComputerLoadOn);
    FStartTime = QDateTime::currentDateTime();
    FElapsed.start();
    TimerSend->setEnabled(true);
    TimeShow->setEnabled(true);
}

void TTarvexForm::BtnOffClick() {
    BtnOff->setEnabled(false);
    BtnOn->setEnabled(true);
    TimerSend->setEnabled(false);
    TimeShow->setEnabled(false);
    SendCommand(ControlMode::ComputerLoadOff);
}

void TTarvexForm::TimerSendTimer() {
    const QString baud = Windows.ComSet ? Windows.ComSet->ComboBox2->currentText() : QString();
    StatusPanels[0]->setText(QStringLiteral("波特率") + baud);
    QueryFrame = makeStatusQuery();
    Comm321->sendBytes(QueryFrame.data(), static_cast<std::uint16_t>(QueryFrame.size()));
}

void TTarvexForm::TimeShowTimer() {
    ShowElapsed();
}

void TTarvexForm::ShowElapsed() {
    ShowElapsedTime(FElapsed.isValid() ? FElapsed.elapsed() : 0);
}

void TTarvexForm::ShowElapsedTime(qint64 elapsedMs) {
    const qint64 ms = elapsedMs % kMsPerDay;
    Time->setHours(static_cast<int>(ms / 3'600'000));
    Time->setMinutes(static_cast<int>(ms / 60'000 % 60));
    Time->setSeconds(static_cast<int>(ms / 1000 % 60));
}

void TTarvexForm::Comm321ReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    std::memcpy(RecvBuffer.data(), Buffer, std::min<std::size_t>(BufferLength, RecvBuffer.size()));
    if (BufferLength != kFrameSize)
        return;
    const LoadReading reading = decodeStatusAnswer(RecvBuffer.data());

    VolVal->setValue(reading.volts);
    CurVol->setValue(reading.amps);
    PowVol->setValue(reading.watts);

    Series1->append(reading.volts);
    Series2->append(reading.amps);
    Series3->append(reading.watts);

    // A reading that cannot be stored must not switch the protection off:
    // the minimum-voltage test runs first, then the storing failure is
    // reported.
    std::exception_ptr storingFailure;
    try {
        LogReading(reading);
    } catch (...) {
        storingFailure = std::current_exception();
    }

    if (reading.milliVolts <= Protect->value() * 1000.0)
        StopAtMinimumVoltage();

    if (storingFailure)
        std::rethrow_exception(storingFailure);
}

void TTarvexForm::StopAtMinimumVoltage() {
    TimerSend->setEnabled(false);
    TimeShow->setEnabled(false);
    BtnPc->setEnabled(true);
    BtnSelf->setEnabled(false);
    BtnOn->setEnabled(false);
    BtnOff->setEnabled(false);
    BtnOffClick();
    BtnSelfClick();
    showMessageBox(QStringLiteral("The Minnum Voltag is Protect!"), QMessageBox::Warning,
                   QMessageBox::Yes);
}

void TTarvexForm::Comm321RequestHangup() {
    if (!Comm321->isOpen() || FHangupReported)
        return;
    FHangupReported = true;
    showMessageBox(QStringLiteral("The connection to the load on %1 was lost. Readings and the "
                              "minimum-voltage stop have stopped; check the cable and open "
                              "the port again in Setting.")
                   .arg(Comm321->commPort()),
               QMessageBox::Warning, QMessageBox::Yes);
}

void TTarvexForm::SpeedButton3Click() {
    if (!Windows.Serchfrm)
        return;
    PrepareQueryWindow(*Windows.Serchfrm);
    Windows.Serchfrm->exec();
}

void TTarvexForm::SpeedButton4Click() {
    if (Windows.About)
        Windows.About->exec();
}

void TTarvexForm::SpeedButton5Click() {
    close();
}

} // namespace tarvex

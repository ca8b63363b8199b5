// The control window: the program's main window and its one controller. It
// opens the port, hands the load to the computer and back, switches the
// load's input on and off, polls the load, shows, charts and stores every
// reading, and stops the run when the voltage falls to the operator's
// minimum.
#pragma once

#include "protocol/DeviceFrame.h"
#include "protocol/LoadReading.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace tarvex {

class TAbout;
class StripChart;
class TComSet;
class SerialLink;
class LineSeries;
class TSerchfrm;
class Table;
class WindowTimer;
class NumberField;
class SevenSegmentReadout;
class ElapsedClock;

// The windows the control window shows; all live for the whole run.
struct TTarvexWindows {
    TSerchfrm* Serchfrm = nullptr;
    TAbout* About = nullptr;
    TComSet* ComSet = nullptr;
};

class TTarvexForm : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate with the given data directory
    // (the program's own "Table" directory when empty). A failure of the
    // store set-up is shown by the default exception display; the window is
    // created all the same.
    explicit TTarvexForm(const QString& dataDirectory = QString());
    ~TTarvexForm() override;

    // The other windows, created after this one.
    void SetWindows(const TTarvexWindows& windows) { Windows = windows; }

    // How long FormClose waits for its last two requests to leave the port.
    static constexpr int kExitSendTimeoutMs = 2000;

    // Event handlers, public so that the program's tests can drive them.
    void FormCreate();
    void FormClose();
    void BtnSetClick();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void BtnPcClick();
    void BtnSelfClick();
    void BtnOnClick();
    void BtnOffClick();
    void TimerSendTimer();
    void TimeShowTimer();
    void Comm321ReceiveData(const void* Buffer, std::uint16_t BufferLength);
    void Comm321RequestHangup();
    // Shows an elapsed time on the clock: whole days dropped, milliseconds
    // dropped.
    void ShowElapsedTime(qint64 ms);

    // Components.
    QFrame* Panel1;
    QToolButton* BtnSet;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QToolButton* SpeedButton5;
    ElapsedClock* Time;
    QFrame* Panel;
    QFrame* Panel3;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    SevenSegmentReadout* VolVal;
    SevenSegmentReadout* CurVol;
    SevenSegmentReadout* PowVol;
    QFrame* Panel4;
    StripChart* Chart1;
    StripChart* Chart2;
    StripChart* Chart3;
    LineSeries* Series1;
    LineSeries* Series2;
    LineSeries* Series3;
    QLabel* Label4;
    NumberField* Protect;
    QPushButton* BtnPc;
    QPushButton* BtnSelf;
    QPushButton* BtnOn;
    QPushButton* BtnOff;
    QStatusBar* StatusBar1;
    std::array<QLabel*, 3> StatusPanels;
    SerialLink* Comm321;
    WindowTimer* TimerSend;
    WindowTimer* TimeShow;
    std::unique_ptr<Table> Table1;

    bool PortOpen() const { return FPortOpen; }
    QDateTime StartTime() const { return FStartTime; }

signals:
    // The window has closed (after FormClose); the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void PrepareStore();
    void ApplyPortSettings();
    void LogReading(const LoadReading& reading);
    void ShowElapsed();
    void SendCommand(ControlMode mode);
    void StopAtMinimumVoltage();

    QString FDataDirectory;
    TTarvexWindows Windows;
    QDateTime FStartTime;
    // The elapsed-time clock counts from Load ON on a monotonic clock, so a
    // change of the wall clock (daylight saving, time sync) cannot make it
    // jump or run backwards.
    QElapsedTimer FElapsed;
    bool FPortOpen = false;
    bool FHangupReported = false;
    std::array<std::uint8_t, 2048> RecvBuffer{};
    DeviceFrame CommandFrame{};
    DeviceFrame QueryFrame{};
};

} // namespace tarvex

// The whole program against the load simulator on a pseudo-terminal.
//
//   bench_program [readings] [--busy] [--picture FILE]
//
// 1. Latency: from the last byte of an answer leaving the simulator (9600 bd
//    pacing) to the return of the run's receive handler, by which the reading
//    is shown, charted and its row committed; p50 and p99.
// 2. Time per reading in that handler with 1 k and with 1 M rows already
//    stored and as many points already on the charts.
// 3. With --busy: the window thread made busy while the load is on - held by a
//    5 s sleep, a clear of 1 M rows, a report preview of 1 M rows - and the
//    longest gap between polls on the line in each case (target <= 1.5 x the
//    poll interval), and the time from the answer that crosses the minimum
//    during the sleep to the load-off request on the line.
// With --picture, a screenshot of the control window during a run is saved
// (run it under Xvfb): the load on for a while, so that the status bar shows
// the charge and energy drawn, and the voltage chart zoomed by a mouse drag.
#include "BenchSupport.h"
#include "app/Program.h"
#include "control/ControlWindow.h"
#include "control/PortSettingsDialog.h"
#include "loadsim/LoadSimulator.h"
#include "review/QueryWindow.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/ReadingRecorder.h"
#include "run/SerialLink.h"
#include "store/ReadingStore.h"
#include "ui/MessageBoxes.h"
#include "widgets/MinimumVoltageField.h"
#include "widgets/StripChart.h"

#include "support/WindowFinder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace tarvex;

using Clock = std::chrono::steady_clock;

namespace {

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

template <class Pred> bool PumpUntil(Pred done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// One program and one simulated load, the port opened through the settings
// dialog, the load under PC control.
struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<loadsim::LoadSimulator> sim;
    std::unique_ptr<Program> program;
    std::vector<Clock::time_point> handled;
    std::vector<double> handlerMs;

    Bench() {
        ReadingStore::setConfigFile(dir.filePath(QStringLiteral("engine.conf")));
        loadsim::SimulatorOptions options;
        options.baudRate = 9600;
        options.model.speed = 20;
        sim = std::make_unique<loadsim::LoadSimulator>(options);
        program = std::make_unique<Program>(dir.filePath(QStringLiteral("Table")));
        LoadRun* run = program->run();
        // The receive handler as the link's signal calls it, timed, in place
        // of the run's own connection.
        QObject::disconnect(run->link(), &SerialLink::chunkReceived, run, nullptr);
        QObject::connect(
            run->link(), &SerialLink::chunkReceived, run, [this, run](const QByteArray& chunk) {
                const auto start = Clock::now();
                run->takeChunk(chunk);
                const auto end = Clock::now();
                if (chunk.size() == kFrameSize) {
                    handled.push_back(end);
                    handlerMs.push_back(
                        std::chrono::duration<double, std::milli>(end - start).count());
                }
            });
        PortSettingsDialog& settings = *program->portSettingsDialog();
        settings.setPortName(QString::fromStdString(sim->terminalPath()));
        child<QLineEdit>(&settings, "intervalEdit")->setText(QStringLiteral("150"));
        QTimer::singleShot(0, &settings,
                           [&settings] { child<QPushButton>(&settings, "okButton")->click(); });
        button("settingsButton")->click();
        button("computerControlButton")->click();
    }

    ControlWindow& window() { return *program->controlWindow(); }
    QAbstractButton* button(const char* name) { return child<QAbstractButton>(&window(), name); }

    // Runs Load ON until n readings have come in, then Load OFF.
    bool Run(std::size_t n) {
        handled.clear();
        handlerMs.clear();
        const std::size_t before = sim->sentAnswers().size();
        button("loadOnButton")->click();
        const bool ok = PumpUntil([&] { return handled.size() >= n; }, int(n) * 1000 + 10000);
        button("loadOffButton")->click();
        Pump(400);
        latencyMs.clear();
        const auto answers = sim->sentAnswers();
        for (std::size_t i = 0; i < handled.size() && before + i < answers.size(); ++i)
            latencyMs.push_back(std::chrono::duration<double, std::milli>(
                                    handled[i] - answers[before + i].lastByteAt)
                                    .count());
        return ok;
    }
    std::vector<double> latencyMs;
};

QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}

// The longest gap between two read-status requests the load received in
// [from, to].
double longestPollGapMs(const loadsim::LoadSimulator& sim, Clock::time_point from,
                        Clock::time_point to) {
    const DeviceFrame query = makeStatusQuery();
    const QByteArray queryBytes(reinterpret_cast<const char*>(query.data()), int(query.size()));
    double longest = 0;
    std::optional<Clock::time_point> last;
    for (const auto& f : sim.receivedFrames()) {
        if (f.receivedAt < from || f.receivedAt > to || bytesOf(f.bytes) != queryBytes)
            continue;
        if (last)
            longest = std::max(
                longest, std::chrono::duration<double, std::milli>(f.receivedAt - *last).count());
        last = f.receivedAt;
    }
    return longest;
}

// Closes whatever modal window is open once it is shown (a preview, the
// query window), checking every 100 ms.
void closeModalWhenShown(QObject* owner, int afterMs) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, afterMs] {
        static QElapsedTimer shown;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            shown.invalidate();
            return;
        }
        if (!shown.isValid())
            shown.start();
        if (shown.elapsed() >= afterMs) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            timer->deleteLater();
        }
    });
    timer->start(100);
}

int busyWindow() {
    constexpr int kIntervalMs = 200;
    constexpr int kRows = 1'000'000;
    Bench bench;
    bench.window().show();
    PortSettingsDialog& settings = *bench.program->portSettingsDialog();
    child<QLineEdit>(&settings, "intervalEdit")->setText(QString::number(kIntervalMs));
    QTimer::singleShot(0, &settings,
                       [&settings] { child<QPushButton>(&settings, "okButton")->click(); });
    bench.button("settingsButton")->click();
    Pump(500);
    if (!bench::FillReadingTable(bench.dir.filePath(QStringLiteral("Table/tables.db")), kRows))
        return 1;
    bench.button("loadOnButton")->click();
    Pump(1500);

    const auto measure = [&](const char* what, const std::function<void()>& busy) {
        const auto from = Clock::now();
        busy();
        const auto to = Clock::now();
        Pump(500);
        const double gap = longestPollGapMs(*bench.sim, from, to);
        std::printf("window thread busy with %s for %.1f s: longest gap between polls %.0f ms "
                    "(%.2f x the %d ms interval; target <= 1.5)\n",
                    what, std::chrono::duration<double>(to - from).count(), gap, gap / kIntervalMs,
                    kIntervalMs);
    };
    measure("a 5 s sleep", [] { QThread::msleep(5000); });
    QueryWindow& query = *bench.program->queryWindow();
    measure("a clear of 1 M rows", [&] {
        QTimer::singleShot(0, &query, [&query] {
            child<QAbstractButton>(&query, "clearButton")->click();
            query.reject();
        });
        bench.button("queryButton")->click();
    });
    bench::FillReadingTable(bench.dir.filePath(QStringLiteral("Table/tables.db")), kRows);
    measure("a report preview of 1 M rows", [&] {
        QTimer::singleShot(0, &query, [&query] {
            closeModalWhenShown(&query, 1000);
            child<QAbstractButton>(&query, "reportButton")->click();
            query.reject();
        });
        bench.button("queryButton")->click();
    });

    // The source crosses the minimum while the window thread sleeps.
    child<MinimumVoltageField>(&bench.window(), "minimumVoltageField")->setValue(13.0);
    const auto sleptFrom = Clock::now();
    QThread::msleep(3000);
    Pump(500);
    const auto answers = bench.sim->sentAnswers();
    const auto frames = bench.sim->receivedFrames();
    const DeviceFrame off = makeControlFrame(ControlMode::ComputerLoadOff);
    const QByteArray offBytes(reinterpret_cast<const char*>(off.data()), int(off.size()));
    for (const auto& f : frames) {
        if (f.receivedAt < sleptFrom || bytesOf(f.bytes) != offBytes)
            continue;
        const loadsim::SentAnswer* crossing = nullptr;
        for (const auto& a : answers)
            if (a.lastByteAt < f.receivedAt)
                crossing = &a;
        if (crossing)
            std::printf(
                "stop while the window thread sleeps: crossing answer's last byte -> "
                "load-off request on the line %.1f ms (target <= 100 ms)\n",
                std::chrono::duration<double, std::milli>(f.receivedAt - crossing->lastByteAt)
                    .count());
        break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    setMessageHandler([](const MessageRequest& r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.text));
        return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    std::size_t readings = 200;
    QString picture;
    bool busy = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--busy"))
            busy = true;
        else if (arg == QLatin1String("--picture") && i + 1 < argc)
            picture = QString::fromLocal8Bit(argv[++i]);
        else
            readings = std::max<std::size_t>(10, arg.toULong());
    }

    if (busy)
        return busyWindow();

    if (!picture.isEmpty()) {
        Bench bench;
        bench.window().show();
        child<QWidget>(&bench.window(), "minimumVoltageField")->setFocus();
        bench.Run(40);
        bench.button("loadOnButton")->click();
        Pump(8000);
        // The operator drags a rectangle around the middle of the voltage
        // line, a little above and below it, and again in the zoomed view.
        auto* chart = child<StripChart>(&bench.window(), "voltageChart");
        const QRect plot = chart->plotRect();
        const LineSeries& line = chart->series();
        double lowest = line.yValue(line.count() / 2), highest = lowest;
        for (std::size_t i = line.count() * 3 / 10; i < line.count() * 7 / 10; ++i) {
            lowest = std::min(lowest, line.yValue(i));
            highest = std::max(highest, line.yValue(i));
        }
        const auto mouse = [chart](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, chart->mapToGlobal(at), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(chart, &event);
        };
        // A pixel of the whole axis is volts wide: the operator zooms again
        // into the zoomed view until the line fills it.
        for (int drag = 0; drag < 3; ++drag) {
            const auto [axisLow, axisHigh] = chart->leftRange();
            const auto yOf = [&](double value) {
                return plot.bottom() -
                       int((value - axisLow) / (axisHigh - axisLow) * plot.height());
            };
            const int left = drag == 0 ? plot.left() + plot.width() * 3 / 10 : plot.left() + 1;
            const int right = drag == 0 ? plot.left() + plot.width() * 7 / 10 : plot.right() - 1;
            const int margin = plot.height() / 6;
            const QPoint from(left, std::max(plot.top() + 1, yOf(highest) - margin));
            const QPoint to(right, std::min(plot.bottom() - 1, yOf(lowest) + margin));
            mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
            mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
            mouse(QEvent::MouseMove, to, Qt::LeftButton);
            mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
        }
        Pump(1500);
        const QRect frame = bench.window().geometry();
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(),
                                                                    frame.width(), frame.height());
        if (shot.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen"))
            shot = bench.window().grab();
        shot.save(picture);
        std::printf("picture: %s (%dx%d)\n", qPrintable(picture), shot.width(), shot.height());
        return 0;
    }

    {
        Bench bench;
        if (!bench.Run(readings)) {
            std::fprintf(stderr, "only %zu readings arrived\n", bench.handled.size());
            return 1;
        }
        std::printf("latency, last byte of an answer -> reading stored and shown, %zu readings:\n"
                    "  p50 %.1f ms  p99 %.1f ms  max %.1f ms\n",
                    bench.latencyMs.size(), bench::Percentile(bench.latencyMs, 0.5),
                    bench::Percentile(bench.latencyMs, 0.99),
                    bench::Percentile(bench.latencyMs, 1.0));
        std::printf("time per reading (empty table): p50 %.3f ms  p99 %.3f ms\n",
                    bench::Percentile(bench.handlerMs, 0.5),
                    bench::Percentile(bench.handlerMs, 0.99));
    }

    double median[2] = {0, 0};
    const int sizes[2] = {1000, 1000000};
    for (int k = 0; k < 2; ++k) {
        Bench bench;
        ControlWindow& window = bench.window();
        if (!bench::FillReadingTable(bench.dir.filePath(QStringLiteral("Table/tables.db")),
                                     sizes[k]))
            return 1;
        LineSeries& volts = child<StripChart>(&window, "voltageChart")->series();
        LineSeries& amps = child<StripChart>(&window, "currentChart")->series();
        LineSeries& watts = child<StripChart>(&window, "powerChart")->series();
        for (int i = 0; i < sizes[k]; ++i) {
            volts.append(12.0 - i * 1e-6);
            amps.append(1.0);
            watts.append(12.0);
        }
        window.show();
        Pump(200);
        bench.Run(std::max<std::size_t>(readings / 2, 50));
        median[k] = bench::Percentile(bench.handlerMs, 0.5);
        std::printf("time per reading, %d rows and chart points present: "
                    "p50 %.3f ms  p99 %.3f ms\n",
                    sizes[k], median[k], bench::Percentile(bench.handlerMs, 0.99));
    }
    std::printf("ratio 1 M / 1 k: %.2f (target <= 1.2)\n", median[1] / median[0]);
    return 0;
}

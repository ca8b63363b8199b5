#include "app/Program.h"

#include "app/AboutDialog.h"
#include "app/DataLocation.h"
#include "control/ControlWindow.h"
#include "control/PortSettingsDialog.h"
#include "control/RunLimitsDialog.h"
#include "report/ReadingReport.h"
#include "review/QueryWindow.h"
#include "run/CrossThread.h"
#include "run/LoadRun.h"
#include "run/SleepInhibitor.h"
#include "store/ReadingStore.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"

#include <QDeadlineTimer>

namespace tarvex {

Program::Program(const QString& dataDirectory) : m_run(std::make_unique<LoadRun>()) {
    // The run never waits for a window: its own thread, above the windows'.
    m_runThread.setObjectName(QStringLiteral("run"));
    m_run->moveToThread(&m_runThread);
    m_runThread.start(QThread::TimeCriticalPriority);
    guarded([&] {
        m_controlWindow = std::make_unique<ControlWindow>(m_run.get());
        // A failure here is shown; the window is created all the same.
        guarded([&] { prepareStore(dataDirectory); });
    });
    guarded([&] { m_queryWindow = std::make_unique<QueryWindow>(); });
    guarded([&] { m_readingReport = std::make_unique<ReadingReport>(); });
    guarded([&] { m_aboutDialog = std::make_unique<AboutDialog>(); });
    guarded([&] { m_portSettingsDialog = std::make_unique<PortSettingsDialog>(); });
    guarded([&] { m_limitsDialog = std::make_unique<RunLimitsDialog>(); });
    // No sleep while the load may be on: the lock is asked for on the
    // inhibitor's own thread, so neither the run nor the windows wait.
    m_sleepInhibitor = std::make_unique<SleepInhibitor>();
    QObject::connect(m_run.get(), &LoadRun::loadMayBeOnChanged, m_sleepInhibitor.get(),
                     [inhibitor = m_sleepInhibitor.get()](bool mayBeOn, const QString& port) {
                         if (mayBeOn)
                             inhibitor->hold(port);
                         else
                             inhibitor->release();
                     });
    if (m_queryWindow)
        m_queryWindow->setReport(m_readingReport.get());
    if (m_controlWindow)
        m_controlWindow->setWindows({m_queryWindow.get(), m_aboutDialog.get(),
                                     m_portSettingsDialog.get(), m_limitsDialog.get()});
}

Program::~Program() {
    // The windows go first: they talk to the run.
    m_controlWindow.reset();
    // Bounded: the port's close drains for at most two seconds, a guard let
    // go gets three.
    if (!callAndWaitFor(m_run.get(), kFinishWaitMs, [run = m_run.get()] { run->finish(); }))
        qWarning("the run did not finish within %d ms", kFinishWaitMs);
    m_runThread.quit();
    if (!m_runThread.wait(QDeadlineTimer(kFinishWaitMs)))
        qFatal("the run's thread did not end within %d ms", kFinishWaitMs);
}

// The data directory, the alias and the reading table are made to exist; the
// run then stores its readings there. When the directory cannot be created
// (an exception) the run is left without a table and every reading waits;
// when the alias fails, the operator is warned (with the reason) and the
// readings wait. A server that cannot be reached, or a table file or schema
// another program logs into, is told as the set-up words it; the run keeps
// its readings until the table takes them.
void Program::prepareStore(const QString& dataDirectory) {
    const QString directory =
        dataDirectory.isEmpty() ? DataLocation::tableDirectory() : dataDirectory;
    QString warning;
    if (ReadingStore::setUp(directory, &warning) != ReadingStore::SetupResult::Ready)
        showMessageBox(warning, QMessageBox::Warning, QMessageBox::Yes);
    m_run->attachReadingTable();
}

} // namespace tarvex

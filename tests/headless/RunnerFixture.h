// The real `tarvex` run as a command, as an automated rig runs it: a program
// folder of its own (the program hard-linked into a scratch directory of the
// build tree, so its reading table is kept beside it and nothing is shared
// between tests), its own configuration directory, no display, and a system
// bus address where nobody answers unless the test gives one.
#pragma once

#include "loadsim/LoadSimulator.h"
#include "protocol/DeviceFrame.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace tarvex {

constexpr int kRunnerWaitMs = 60000;

inline QByteArray bytesOf(const loadsim::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
}
inline QByteArray bytesOf(const DeviceFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<int>(f.size()));
}

// The control requests the load received, status requests left out.
inline QList<QByteArray> controlFramesOf(const loadsim::LoadSimulator& sim) {
    const QByteArray query = bytesOf(makeStatusQuery());
    QList<QByteArray> frames;
    for (const auto& f : sim.receivedFrames())
        if (bytesOf(f.bytes) != query)
            frames << bytesOf(f.bytes);
    return frames;
}

// Whether the line ends with load-off then front panel (status requests
// aside) and the load is off and on its front panel.
inline bool endsSwitchedOff(const loadsim::LoadSimulator& sim) {
    const QList<QByteArray> frames = controlFramesOf(sim);
    return frames.size() >= 2 &&
           frames.mid(frames.size() - 2) ==
               QList<QByteArray>{bytesOf(makeControlFrame(ControlMode::ComputerLoadOff)),
                                 bytesOf(makeControlFrame(ControlMode::FrontPanel))} &&
           !sim.state().inputOn && !sim.state().computerControl;
}

class Bench {
public:
    Bench()
        : m_dir(qEnvironmentVariable("TARVEX_TEST_BINARY_DIR") +
                QStringLiteral("/tests/headless/bench-XXXXXX")) {
        const QByteArray from = QFile::encodeName(qEnvironmentVariable("TARVEX_TEST_BINARY_DIR") +
                                                  QStringLiteral("/src/app/tarvex"));
        const QByteArray to = QFile::encodeName(program());
        if (::link(from.constData(), to.constData()) != 0)
            QFile::copy(QFile::decodeName(from), program());
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            m_environment.remove(QString::fromLatin1(name));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                             QStringLiteral("unix:path=") + path(QStringLiteral("no-bus")));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString program() const { return path(QStringLiteral("tarvex")); }
    // The reading table beside the program.
    QString tableDirectory() const { return path(QStringLiteral("Table")); }
    QProcessEnvironment& environment() { return m_environment; }
    // The alias file, for a bench that logs into a server.
    void setAlias(const QByteArray& text) const {
        QDir().mkpath(path(QStringLiteral("config/tarvex")));
        QFile file(path(QStringLiteral("config/tarvex/table-engine.conf")));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
};

// One `tarvex ...` on a bench.
class Runner {
public:
    Runner(Bench& bench, const QStringList& arguments) {
        m_process.setProcessEnvironment(bench.environment());
        m_process.start(bench.program(), arguments);
    }
    ~Runner() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    qint64 pid() const { return m_process.processId(); }
    bool waitForEnd(int timeoutMs = kRunnerWaitMs) {
        const bool ended =
            m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return ended;
    }
    // The exit status; -1 when it did not end normally.
    int exitStatus() const {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString output() const { return QString::fromLocal8Bit(m_out); }
    QString errors() const { return QString::fromLocal8Bit(m_err); }
    // The standard output's lines as JSON objects; a line that is none is
    // an empty object.
    QList<QJsonObject> jsonLines() const {
        QList<QJsonObject> objects;
        for (const QByteArray& line : m_out.split('\n'))
            if (!line.isEmpty())
                objects << QJsonDocument::fromJson(line).object();
        return objects;
    }

private:
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

// `tarvex ARGUMENTS` to its end.
inline Runner& finished(Runner& runner) {
    [[maybe_unused]] const bool ended = runner.waitForEnd();
    return runner;
}

} // namespace tarvex

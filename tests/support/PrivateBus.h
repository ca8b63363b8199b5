// A private D-Bus message bus for the tests: a dbus-daemon of the test's own,
// listening on a Unix socket in a temporary directory, with a policy that lets
// every connection own any name and call any method, so that nothing ever
// reaches the system's bus or its services. The daemon is ended when the
// object goes (also when a test fails) and by the kernel when the thread that
// made the object ends (a test process that is killed). Needs dbus-daemon
// (Debian: dbus-daemon) and Qt6::Core.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/prctl.h>

#include <csignal>
#include <memory>

namespace tarvex {

class PrivateBus {
public:
    PrivateBus() {
        if (!(makeDirectory() && start())) {
            const QString why = m_error;
            stop();
            m_error = why;
        }
    }
    ~PrivateBus() { stop(); }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return m_daemon && m_daemon->state() == QProcess::Running; }
    // Why the bus could not be started.
    QString errorString() const { return m_error; }
    // The address to connect to ("unix:path=...,guid=...").
    QString address() const { return m_address; }

    // Ends the daemon: every connection to it is lost.
    void stop() {
        if (!m_daemon)
            return;
        m_daemon->terminate();
        if (!m_daemon->waitForFinished(30000)) {
            m_daemon->kill();
            m_daemon->waitForFinished(30000);
        }
        m_daemon.reset();
    }

private:
    bool fail(const QString& why) {
        m_error = why;
        return false;
    }

    bool makeDirectory() {
        // A socket's path must stay short (about 100 bytes).
        QString base = QDir::tempPath();
        if (base.size() > 60)
            base = QStringLiteral("/tmp");
        m_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tarvex-bus-XXXXXX"));
        if (!m_dir->isValid())
            return fail(QStringLiteral("No temporary directory in %1").arg(base));
        QFile config(m_dir->filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("Cannot write %1").arg(config.fileName()));
        config.write(
            QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                           "Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig>\n"
                           "  <type>session</type>\n"
                           "  <listen>unix:path=%1</listen>\n"
                           "  <auth>EXTERNAL</auth>\n"
                           "  <policy context=\"default\">\n"
                           "    <allow user=\"*\"/>\n"
                           "    <allow own=\"*\"/>\n"
                           "    <allow send_destination=\"*\"/>\n"
                           "    <allow receive_sender=\"*\"/>\n"
                           "  </policy>\n"
                           "</busconfig>\n")
                .arg(m_dir->filePath(QStringLiteral("bus")))
                .toUtf8());
        return true;
    }

    bool start() {
        m_daemon = std::make_unique<QProcess>();
        m_daemon->setProgram(QStringLiteral("dbus-daemon"));
        m_daemon->setArguments(
            {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
             QStringLiteral("--config-file=%1").arg(m_dir->filePath(QStringLiteral("bus.conf")))});
        // Its complaints go to the test's error output.
        m_daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon->start();
        if (!m_daemon->waitForStarted(30000))
            return fail(QStringLiteral("dbus-daemon did not start (%1): scripts/deps installs "
                                       "dbus-daemon.")
                            .arg(m_daemon->errorString()));
        QByteArray line;
        while (!line.endsWith('\n')) {
            if (!m_daemon->waitForReadyRead(30000))
                return fail(QStringLiteral("dbus-daemon printed no address"));
            line += m_daemon->readAllStandardOutput();
        }
        m_address = QString::fromUtf8(line.trimmed());
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_daemon;
    QString m_address;
    QString m_error;
};

} // namespace tarvex

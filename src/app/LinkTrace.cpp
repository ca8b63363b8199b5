#include "app/LinkTrace.h"

#include "run/SerialLink.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <mutex>

namespace tarvex {

namespace {

std::mutex traceLock;
std::FILE* traceFile = nullptr;             // guarded by traceLock
QtMessageHandler previousHandler = nullptr; // guarded by traceLock

void writeMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool ours =
        context.category && qstrcmp(context.category, linkTrace().categoryName()) == 0;
    const QByteArray line =
        ours ? QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                   text.toUtf8() + '\n'
             : QByteArray();
    QtMessageHandler previous = nullptr;
    {
        const std::lock_guard lock(traceLock);
        if (ours && traceFile) {
            std::fwrite(line.constData(), 1, std::size_t(line.size()), traceFile);
            std::fflush(traceFile);
            return;
        }
        previous = previousHandler;
    }
    if (previous)
        previous(type, context, text);
}

} // namespace

LinkTrace::~LinkTrace() {
    stop();
}

bool LinkTrace::start(const QString& fileName, QString* why) {
    stop();
    std::FILE* file = std::fopen(QFile::encodeName(fileName).constData(), "we");
    if (!file) {
        if (why)
            *why = qt_error_string(errno);
        return false;
    }
    m_file = file;
    {
        // A message meanwhile waits until the handler before is known.
        const std::lock_guard lock(traceLock);
        traceFile = file;
        previousHandler = qInstallMessageHandler(writeMessage);
    }
    QLoggingCategory::setFilterRules(QStringLiteral("tarvex.link.debug=true"));
    return true;
}

void LinkTrace::stop() {
    if (!m_file)
        return;
    QLoggingCategory::setFilterRules(QString());
    {
        const std::lock_guard lock(traceLock);
        qInstallMessageHandler(previousHandler);
        traceFile = nullptr;
    }
    std::fclose(m_file);
    m_file = nullptr;
}

} // namespace tarvex

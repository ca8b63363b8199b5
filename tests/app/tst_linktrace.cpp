// --trace FILE: the serial link's trace lines go to the file, each behind its
// time, whole and in order, from any thread; other messages do not.
#include "support/SerialTestSupport.h"

#include "app/LinkTrace.h"
#include "run/SerialLink.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <thread>
#include <vector>

using namespace tarvex;

namespace {

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The messages that reach the handler installed before the trace.
QStringList otherMessages;
void keepOtherMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    otherMessages.append(text);
}

} // namespace

class TestLinkTrace : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QtMessageHandler m_previous = nullptr;

private slots:
    void init() {
        otherMessages.clear();
        m_previous = qInstallMessageHandler(keepOtherMessage);
    }
    void cleanup() { qInstallMessageHandler(m_previous); }

    void linkLinesGoToTheFileBehindTheirTime() {
        const QString path = m_dir.filePath(QStringLiteral("link.log"));
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("an earlier trace\n");
        }
        PtyPair pty;
        QVERIFY(pty.isOpen());
        QVERIFY(!linkTrace().isDebugEnabled());
        {
            LinkTrace trace;
            QVERIFY(trace.start(path));
            QVERIFY(linkTrace().isDebugEnabled());
            SerialLink link;
            link.setPortName(pty.slavePath());
            QVERIFY(link.open());
            QVERIFY(link.sendBytes(QByteArray("\xAA\x01", 2)));
            LinkRecorder received;
            received.attach(link);
            pty.write(QByteArray("\x7F", 1));
            QTRY_COMPARE_WITH_TIMEOUT(received.chunks.size(), 1, 10000);
            link.close();
            qWarning("not the link's");
        }
        QVERIFY(!linkTrace().isDebugEnabled());
        qCDebug(linkTrace) << "after the end";

        const QStringList lines = fileLines(path);
        const QStringList texts = {
            QStringLiteral("open %1 as %1 9600 8N1").arg(pty.slavePath()),
            QStringLiteral("out 2: aa 01"),
            QStringLiteral("in  1: 7f"),
            QStringLiteral("close %1").arg(pty.slavePath()),
        };
        QCOMPARE(lines.size(), texts.size());
        static const QRegularExpression time(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} (.*)$"));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = time.match(lines[i]);
            QVERIFY2(match.hasMatch(), qPrintable(lines[i]));
            QCOMPARE(match.captured(1), texts[i]);
        }
        QVERIFY(otherMessages.contains(QStringLiteral("not the link's")));
        for (const QString& other : otherMessages)
            QVERIFY2(!other.contains(pty.slavePath()), qPrintable(other));
    }

    // The run's thread and others trace at once: every line arrives whole.
    void linesFromManyThreadsStayWhole() {
        const QString path = m_dir.filePath(QStringLiteral("threads.log"));
        constexpr int kThreads = 4;
        constexpr int kLines = 500;
        {
            LinkTrace trace;
            QVERIFY(trace.start(path));
            std::vector<std::thread> threads;
            for (int t = 0; t < kThreads; ++t)
                threads.emplace_back([t] {
                    for (int i = 0; i < kLines; ++i)
                        qCDebug(linkTrace).noquote()
                            << QStringLiteral("thread %1 line %2 ").arg(t).arg(i)
                            << QString(100, QLatin1Char('x'));
                });
            for (auto& thread : threads)
                thread.join();
        }
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), kThreads * kLines);
        static const QRegularExpression whole(
            QStringLiteral("^\\S+ thread \\d line \\d+  x{100}$"));
        for (const QString& line : lines)
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }

    void fileThatCannotBeCreatedIsRefused() {
        LinkTrace trace;
        QString why;
        QVERIFY(!trace.start(QStringLiteral("/nonexistent-dir/link.log"), &why));
        QCOMPARE(why, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY(!linkTrace().isDebugEnabled());
    }
};

QTEST_GUILESS_MAIN(TestLinkTrace)
#include "tst_linktrace.moc"

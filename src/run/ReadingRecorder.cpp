#include "run/ReadingRecorder.h"

#include "run/CrossThread.h"
#include "store/ReadingTable.h"
#include "store/Table.h"

#include <QElapsedTimer>

#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

constexpr int kHourMs = 3'600'000;
constexpr int kDefaultPollMs = 300;

} // namespace

ReadingRecorder::ReadingRecorder(QObject* parent)
    : QObject(parent), m_table(new Table(this)), m_retryTimer(this),
      m_capacity(kHourMs / kDefaultPollMs) {
    m_table->setObjectName(QStringLiteral("readingTable"));
    m_retryTimer.setObjectName(QStringLiteral("retryTimer"));
    m_retryTimer.setInterval(kRetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &ReadingRecorder::writeWaiting);
}

ReadingRecorder::~ReadingRecorder() = default;

void ReadingRecorder::attachReadingTable() {
    ReadingTable::attachLog(*m_table);
}

void ReadingRecorder::setPollInterval(int ms) {
    if (ms > 0)
        m_capacity = std::max(1, kHourMs / ms);
}

void ReadingRecorder::record(const LoadReading& reading, const QDateTime& takenAt) {
    m_waiting.push_back({reading, takenAt});
    if (static_cast<int>(m_waiting.size()) > m_capacity) {
        m_waiting.pop_front();
        if (!m_overflowTold) {
            m_overflowTold = true;
            emitAcross(this, &ReadingRecorder::backlogOverflowed, m_capacity);
        }
    }
    // While readings wait, the retry timer writes them; a new one joins the
    // queue behind them.
    if (!m_delayed)
        writeWaiting();
    else
        emitAcross(this, &ReadingRecorder::waitingChanged, static_cast<int>(m_waiting.size()));
}

void ReadingRecorder::writeWaiting() {
    while (!m_waiting.empty()) {
        const Waiting& next = m_waiting.front();
        try {
            ReadingTable::appendReading(*m_table, next.reading, next.takenAt);
        } catch (const std::exception& error) {
            if (!m_delayed) {
                m_delayed = true;
                m_writtenInEpisode = 0;
                emitAcross(this, &ReadingRecorder::storingDelayed, QString::fromUtf8(error.what()));
                m_retryTimer.start();
            }
            emitAcross(this, &ReadingRecorder::waitingChanged, static_cast<int>(m_waiting.size()));
            return;
        }
        m_waiting.pop_front();
        if (m_delayed)
            ++m_writtenInEpisode;
    }
    if (m_delayed) {
        m_delayed = false;
        m_overflowTold = false;
        m_retryTimer.stop();
        emitAcross(this, &ReadingRecorder::waitingChanged, 0);
        emitAcross(this, &ReadingRecorder::backlogWritten, m_writtenInEpisode);
    }
}

int ReadingRecorder::flush(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!m_waiting.empty() && clock.elapsed() < timeoutMs) {
        const std::size_t before = m_waiting.size();
        writeWaiting();
        if (m_waiting.size() == before)
            break; // the table still refuses
    }
    return static_cast<int>(m_waiting.size());
}

} // namespace tarvex

// How often the load can be polled at a line speed, so that every answer
// arrives whole and on its own and the minimum-voltage stop sees it. Pure
// functions, any thread.
//
// A poll is a 26-byte request and a 26-byte answer (10 bits a byte on the
// line), and answers are told apart by a pause of more than 60 ms. Polling
// faster than that merges answers into chunks that are never an answer, and
// requests pile up ahead of any stop. The smallest interval that works is
// that time with 30 % to spare, rounded up to 10 ms: 220 ms at 4800 bit/s,
// 150 ms at 9600, 120 ms at 19200, 100 ms at 38400.
#pragma once

#include <QString>
#include <QtGlobal>

namespace tarvex {

// The smallest poll interval, in milliseconds, that lets every answer come
// whole at baudRate bit/s. A rate of 0 counts as 1 bit/s.
int minimumPollIntervalMs(quint32 baudRate);

// How long the stop waits for the answer to its status request before it
// sends load-off again: two of the smallest intervals, at least 300 ms.
int stopAnswerTimeoutMs(quint32 baudRate);

// True when polling every intervalMs can watch the load at baudRate: the
// interval is not 0 (0 stops polling) and not below the smallest that works.
bool pollingCanWatch(int intervalMs, quint32 baudRate);

// Why Load ON is refused at this interval and line speed, for the operator,
// with what to do; empty when polling can watch the load.
QString pollingRefusal(int intervalMs, quint32 baudRate);

// The dialog's short warning for this interval and line speed (one line);
// empty when polling can watch the load.
QString pollIntervalWarning(int intervalMs, quint32 baudRate);

} // namespace tarvex

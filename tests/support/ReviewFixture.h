// Helpers shared by the review tests and the review benchmark: a scratch store
// with the reading table, readings logged as the control window logs them,
// large tables filled from outside the engine, message boxes answered by the
// test, and modal windows acted on while they are shown.
#pragma once

#include "support/StoreFixture.h"

#include "store/ReadingTable.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace tarvex {

// A reading as the load reports it: millivolts, milliamperes, tenths of a watt.
inline LoadReading Reading(std::int32_t milliVolts, std::uint16_t milliAmps,
                           std::uint16_t tenthWatts) {
    const DeviceFrame answer = makeStatusAnswer(milliAmps, milliVolts, tenthWatts);
    return decodeStatusAnswer(answer);
}

// The i-th reading of a test run: every one has texts of its own.
inline LoadReading NthReading(int i) {
    return Reading(12000 + 10 * i, static_cast<std::uint16_t>(1000 + 10 * i),
                   static_cast<std::uint16_t>(100 + i));
}

// The day the i-th reading of a test run is stored on.
inline QDate NthDay(int i) {
    return QDate(2026, 1, 1).addDays(i);
}

// A scratch engine with the data directory, the alias and an empty reading
// table, as at the program's start; every message box is recorded and
// answered with Answer.
class ReviewStore {
public:
    ReviewStore() {
        m_previous = setMessageHandler([this](const MessageRequest& request) {
            Messages << request;
            return OnMessage ? OnMessage(request) : Answer;
        });
        if (ReadingTable::setUp(m_scratch.dataDir()) != ReadingTable::SetupResult::Ready)
            qFatal("The scratch store cannot be set up");
    }
    ~ReviewStore() { setMessageHandler(m_previous); }
    ReviewStore(const ReviewStore&) = delete;
    ReviewStore& operator=(const ReviewStore&) = delete;

    QString TableFile() const { return m_scratch.tableFile(); }

    // Logs readings first .. first + count - 1 through the reading log.
    void Log(int count, int first = 0) {
        Table table;
        ReadingTable::attach(table);
        for (int i = first; i < first + count; ++i)
            ReadingTable::appendReading(table, NthReading(i),
                                        QDateTime(NthDay(i), QTime(23, 59, 58)));
    }

    // The stored IDs, in ID order, read from outside the engine.
    QList<int> StoredIds() {
        RawDb raw(TableFile());
        QList<int> ids;
        for (const QVariantList& row :
             raw.rows(QStringLiteral("SELECT ID FROM Tarvex ORDER BY ID")))
            ids << row.first().toInt();
        return ids;
    }

    QList<MessageRequest> Messages;
    QMessageBox::StandardButton Answer = QMessageBox::Yes;
    // When set, answers instead of Answer (after the box is recorded).
    std::function<QMessageBox::StandardButton(const MessageRequest&)> OnMessage;

private:
    ScratchEngine m_scratch;
    MessageHandler m_previous;
};

// Fills the reading table of file with rows 0 .. n - 1 in one transaction,
// outside the engine: row i holds the texts of NthReading(i) and a date.
inline bool FillReadings(const QString& file, int n) {
    const QString name = QStringLiteral("fill-readings");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("BEGIN"));
            QSqlQuery insert(db);
            ok = ok && insert.prepare(QStringLiteral("INSERT INTO Tarvex VALUES (?, ?, ?, ?, ?)"));
            for (int i = 0; ok && i < n; ++i) {
                const LoadReading r = NthReading(i % 50000);
                insert.bindValue(0, i);
                insert.bindValue(1, r.voltsText);
                insert.bindValue(2, r.ampsText);
                insert.bindValue(3, r.wattsText);
                insert.bindValue(4, NthDay(i % 3000).toString(Qt::ISODate));
                ok = insert.exec();
            }
            insert.finish();
            ok = ok && q.exec(QStringLiteral("COMMIT"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Runs act on the first modal window of type W that is shown from now on,
// once, from the event loop of its showing; returns at once. Gives up after
// 60 seconds or when the returned watcher is deleted.
template <class W> QPointer<QTimer> WhenShown(std::function<void(W&)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, waited] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (window && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(*window);
        } else if (++*waited > 6000) {
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

} // namespace tarvex

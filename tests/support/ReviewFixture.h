// Helpers shared by the review tests and the review benchmark: a scratch store
// with the reading table, readings logged as the control window logs them,
// large tables filled from outside the engine, message boxes answered by the
// test, and modal windows acted on while they are shown.
#pragma once

#include "support/StoreFixture.h"

#include "readings/ReadingModel.h"
#include "store/ReadingStore.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace tarvex {

// A scratch store with the data directory, the alias and an empty reading
// table, as at the program's start; every message box is recorded and
// answered with the answer set (Yes unless set otherwise).
class ReviewStore {
public:
    ReviewStore() {
        m_previous = setMessageHandler([this](const MessageRequest& request) {
            m_messages << request;
            return m_answerer ? m_answerer(request) : m_answer;
        });
        if (ReadingStore::setUp(m_scratch.dataDir()) != ReadingStore::SetupResult::Ready)
            qFatal("The scratch store cannot be set up");
    }
    ~ReviewStore() { setMessageHandler(m_previous); }
    ReviewStore(const ReviewStore&) = delete;
    ReviewStore& operator=(const ReviewStore&) = delete;

    QString tableFile() const { return m_scratch.tableFile(); }
    const ScratchStore& scratch() const { return m_scratch; }

    // Logs readings first .. first + count - 1 as the reading log does.
    void log(int count, int first = 0) {
        ReadingStore store;
        for (int i = first; i < first + count; ++i)
            store.append(nthReading(i), QDateTime(nthDay(i), QTime(23, 59, 58)));
    }

    // The stored IDs, in ID order, read from outside the engine.
    QList<int> storedIds() {
        RawDb raw(tableFile());
        QList<int> ids;
        for (const QVariantList& row :
             raw.rows(QStringLiteral("SELECT ID FROM Tarvex ORDER BY ID")))
            ids << row.first().toInt();
        return ids;
    }

    // The message boxes shown so far, oldest first.
    const QList<MessageRequest>& messages() const { return m_messages; }
    // The button every box is answered with from now on.
    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    // When set, answers every box instead of the answer set (after the box
    // is recorded).
    void setAnswerer(std::function<QMessageBox::StandardButton(const MessageRequest&)> answerer) {
        m_answerer = std::move(answerer);
    }

private:
    ScratchStore m_scratch;
    MessageHandler m_previous;
    QList<MessageRequest> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    std::function<QMessageBox::StandardButton(const MessageRequest&)> m_answerer;
};

// Fills the reading table of file with rows 0 .. n - 1 in one transaction,
// outside the engine: row i holds the texts of nthReading(i) and a date.
inline bool fillReadings(const QString& file, int n) {
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
                const LoadReading r = nthReading(i % 50000);
                insert.bindValue(0, i);
                insert.bindValue(1, r.voltsText);
                insert.bindValue(2, r.ampsText);
                insert.bindValue(3, r.wattsText);
                insert.bindValue(4, nthDay(i % 3000).toString(Qt::ISODate));
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

// Stores rows from outside the program, each given as its texts: ID, VolVal,
// CurVal, PowVal and TestDate (an empty text: an empty field). False on
// failure.
inline bool storeRows(const QString& file, const QList<QStringList>& rows) {
    const QString name = QStringLiteral("store-rows");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("BEGIN"));
            QSqlQuery insert(db);
            ok = ok && insert.prepare(QStringLiteral("INSERT INTO Tarvex VALUES (?, ?, ?, ?, ?)"));
            for (const QStringList& row : rows) {
                for (int i = 0; ok && i < 5; ++i)
                    insert.bindValue(i, row.value(i).isEmpty() ? QVariant() : QVariant(row[i]));
                ok = ok && insert.exec();
            }
            insert.finish();
            ok = ok && q.exec(QStringLiteral("COMMIT"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The texts of the first n readings of a test run, as storeRows takes them.
inline QList<QStringList> readingRows(int n) {
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i) {
        const LoadReading r = nthReading(i);
        rows << QStringList{QString::number(i), r.voltsText, r.ampsText, r.wattsText,
                            nthDay(i).toString(Qt::ISODate)};
    }
    return rows;
}

// What the spreadsheet export puts into the cells of such rows: the ID as a
// number, the texts as they stand, the day as a date (nothing for a day that
// is none).
inline QList<QVariantList> exportedCells(const QList<QStringList>& rows) {
    QList<QVariantList> cells;
    for (const QStringList& row : rows) {
        const QDate day = QDate::fromString(row.value(4), Qt::ISODate);
        cells << QVariantList{row[0].toLongLong(), row.value(1), row.value(2), row.value(3),
                              day.isValid() ? QVariant(day) : QVariant()};
    }
    return cells;
}

// Rows in a scratch store and a model of them, open on its first row, as the
// query window has them when the operator presses "Excel".
class StoredRows {
public:
    explicit StoredRows(QList<QStringList> rows) : m_rows(std::move(rows)) {
        if (ReadingStore::setUp(m_scratch.dataDir()) != ReadingStore::SetupResult::Ready ||
            !storeRows(m_scratch.tableFile(), m_rows))
            qFatal("The scratch store cannot be filled");
        m_model.open();
    }
    StoredRows(const StoredRows&) = delete;
    StoredRows& operator=(const StoredRows&) = delete;

    ReadingModel& model() { return m_model; }
    const QList<QStringList>& rows() const { return m_rows; }
    QString tableFile() const { return m_scratch.tableFile(); }

private:
    ScratchStore m_scratch;
    QList<QStringList> m_rows;
    ReadingModel m_model;
};

// Runs act on the first modal window of type W that is shown from now on,
// once, from the event loop of its showing; returns at once. Gives up after
// 60 seconds or when the returned watcher is deleted.
template <class W> QPointer<QTimer> whenShown(std::function<void(W&)> act) {
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

// Acts on the first progress dialog shown while it lives, as it is shown,
// and notes how it looks.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(std::function<void(QProgressDialog&)> act) : m_act(std::move(act)) {
        qApp->installEventFilter(this);
    }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    bool shown = false;
    QString label;
    int maximum = -1;
    bool cancelOffered = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (dialog && event->type() == QEvent::Show && !std::exchange(shown, true)) {
            label = dialog->labelText();
            maximum = dialog->maximum();
            cancelOffered = dialog->findChild<QPushButton*>() != nullptr;
            m_act(*dialog);
        }
        return false;
    }

private:
    std::function<void(QProgressDialog&)> m_act;
};

} // namespace tarvex

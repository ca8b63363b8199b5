// A plain Qt SQL connection outside the table engine, for tests to look at
// (or tamper with) what is stored the way another program would.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace tarvex {

class RawConnection {
public:
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool isOpen() const { return m_open; }
    QString errorString() const { return m_error; }

    // All rows of a statement; an empty list and the error text on failure.
    QList<QVariantList> rows(const QString& sql, QString* error = nullptr) {
        QList<QVariantList> rows;
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql)) {
            if (error)
                *error = q.lastError().text();
            return rows;
        }
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
        return rows;
    }
    QVariant value(const QString& sql) {
        const auto all = rows(sql);
        return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
    }

protected:
    // Opens a connection of driver after configure has set its parameters.
    template <typename Configure>
    RawConnection(const QString& driver, Configure configure)
        : m_name(QStringLiteral("raw-%1").arg(++counter())) {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        configure(db);
        m_open = db.open();
        if (!m_open)
            m_error = db.lastError().text();
    }
    ~RawConnection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    QString m_name;
    QString m_error;
    bool m_open = false;
};

} // namespace tarvex

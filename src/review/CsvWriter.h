// The rows of a data set as comma-separated values (RFC 4180): UTF-8 without
// a byte order mark, a header line with the field names, one line per row,
// every line ended by CR LF. A field that holds a comma, a double quote, CR
// or LF is put in double quotes, its double quotes doubled; every other field
// is written bare. Values keep their type's plain form, whatever the locale:
// texts exactly as stored (leading blanks too), whole and floating-point
// numbers in decimal with a dot, dates as yyyy-MM-dd, date-times as
// yyyy-MM-ddTHH:mm:ss, times as HH:mm:ss; an empty field is written empty.
//
// The query window's "Save as CSV…" writes its query through a CsvWriter into
// a QSaveFile; the writer itself knows nothing of files or windows.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class QIODevice;

namespace tarvex {

class DataSet;

class CsvWriter : public QObject {
    Q_OBJECT

public:
    enum class Result {
        Written,   // every row is in the device
        Cancelled, // cancel() was called; the device holds the rows up to then
        Failed,    // the device refused bytes; errorString() says why
    };

    explicit CsvWriter(QObject* parent = nullptr);

    // Writes the header and every row of data (opened first if need be) to
    // out, which must be open for writing. The rows are read with a walk from
    // the first row, which a query fetches in blocks, never all at once; they
    // reach out in blocks of kProgressRows rows, after each of which
    // progressed() is emitted. The data set's linked views see none of the
    // walk (its controls are disabled meanwhile and enabled again whatever
    // happens): afterwards its current row is the one before, also after a
    // cancel, and after a failure when that row can still be read. Raises
    // the data set's DatabaseError when a row cannot be read; the blocks
    // written by then stay in out. Used on the data set's thread.
    Result write(DataSet& data, QIODevice& out);

    // The rows the last write() put into its device, the header not counted.
    int rowsWritten() const { return m_rows; }
    // Why the last write() failed: the device's error text.
    QString errorString() const { return m_error; }

    // Rows between two progressed() signals.
    static constexpr int kProgressRows = 4096;

    // The text a value is written as (before any quoting), as described
    // above; an invalid or null value gives an empty text.
    static QString text(const QVariant& value);
    // Appends text to line as one field, quoted when it has to be.
    static void appendField(QString& line, const QString& text);

public slots:
    // Stops the write in hand after the block being written; meant to be
    // called from a handler of progressed(). write() then returns Cancelled.
    void cancel() { m_cancelled = true; }

signals:
    // rows of the data set's rows have been written so far.
    void progressed(int rows);

private:
    Result walk(DataSet& data, QIODevice& out);
    bool put(QIODevice& out, QString& buffer);

    int m_rows = 0;
    QString m_error;
    bool m_cancelled = false;
};

} // namespace tarvex

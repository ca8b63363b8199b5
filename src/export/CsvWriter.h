// The stored readings as comma-separated values (RFC 4180): UTF-8 without a
// byte order mark, a header line with the field names, one line per row,
// every line ended by CR LF. A field that holds a comma, a double quote, CR
// or LF is put in double quotes, its double quotes doubled; every other field
// is written bare. Values keep their plain form, whatever the locale: the ID
// in decimal, the texts exactly as stored (leading blanks too), the day as
// yyyy-MM-dd (a stored text that is no date as it stands); an empty field is
// written empty.
//
// The query window's "Save as CSV…" writes its model through a CsvWriter into
// a QSaveFile; the writer itself knows nothing of files or windows.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QIODevice;

namespace tarvex {

class ReadingModel;

class CsvWriter : public QObject {
    Q_OBJECT

public:
    enum class Result {
        Written,   // every row is in the device
        Cancelled, // cancel() was called; the device holds the rows up to then
        Failed,    // the device refused bytes; errorString() says why
    };

    explicit CsvWriter(QObject* parent = nullptr);

    // Writes the header and every row of readings (opened first if need be)
    // to out, which must be open for writing. The rows are read in blocks of
    // kProgressRows rows (ReadingModel::forEachBlock), never all at once, and
    // reach out block by block, after each of which progressed() is emitted.
    // The model's views and its current row see nothing of it. Raises
    // DatabaseError when a block cannot be read; the blocks written by then
    // stay in out. Used on the model's thread.
    Result write(ReadingModel& readings, QIODevice& out);

    // The rows the last write() put into its device, the header not counted.
    int rowsWritten() const { return m_rows; }
    // Why the last write() failed: the device's error text.
    QString errorString() const { return m_error; }

    // Rows between two progressed() signals.
    static constexpr int kProgressRows = 4096;

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
    bool put(QIODevice& out, QString& buffer);

    int m_rows = 0;
    QString m_error;
    bool m_cancelled = false;
};

} // namespace tarvex

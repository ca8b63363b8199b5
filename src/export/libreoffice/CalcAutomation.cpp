// The spreadsheet automation on LibreOffice Calc through UNO.
//
// Every new instance is an office started here: a private profile, a pipe
// name of its own, no start window, detached from this program. This process
// reaches it over a UNO bridge of its own, which is disposed when the
// application is released; the office keeps running with its document once it
// has been shown, and is ended with everything it left behind otherwise.
//
// Threads: every UNO object of an instance is made, used and released on the
// instance's office thread (OfficeSession). The objects handed to the export
// hold no UNO references, only the session and what they stand for (a
// document, a sheet, a block of cells), so that nothing the export does can
// wait for the office beyond the call time-out.

#include "export/LibreOfficeAutomation.h"
#include "export/LibreOfficePlugin_p.h"
#include "export/libreoffice/OfficeProcess.h"
#include "export/libreoffice/Uno.h"

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <com/sun/star/awt/FontSlant.hpp>
#include <com/sun/star/awt/FontUnderline.hpp>
#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvex {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

using uno::fromUno;
using uno::toUno;
using Clock = std::chrono::steady_clock;

// Calls that return nothing wait on the office thread at most this many; and
// at most this many rows of values.
constexpr std::size_t kMaxQueuedCalls = 64;
constexpr int kMaxQueuedRows = 4000;
// Neighbouring blocks are merged into calls of at most this many rows.
constexpr int kMaxMergedRows = 2000;
// An office released before it was shown is asked to end; past this it is
// forced.
constexpr std::chrono::milliseconds kEndGrace(3000);

QString programDir() {
    return QStringLiteral(TARVEX_LIBREOFFICE_PROGRAM_DIR);
}

[[noreturn]] void fail(const QString& what) {
    throw SpreadsheetError(what.toStdString());
}

template <typename T> Sequence<T> sequenceOf(std::initializer_list<T> items) {
    Sequence<T> result(static_cast<sal_Int32>(items.size()));
    std::copy(items.begin(), items.end(), result.getArray());
    return result;
}

// A block of cells, columns and rows counted from 0, both ends included.
struct CellBlock {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool intersects(const CellBlock& other) const {
        return left <= other.right && other.left <= right && top <= other.bottom &&
               other.top <= bottom;
    }
};

// "B7" as column 1, row 6; raises for anything else.
std::pair<int, int> cellPosition(const QString& reference) {
    static const QRegularExpression pattern(QStringLiteral("^([A-Z]{1,3})([1-9][0-9]{0,6})$"));
    const QRegularExpressionMatch m = pattern.match(reference.toUpper());
    if (!m.hasMatch())
        fail(QStringLiteral("LibreOffice: \"%1\" is not a cell reference").arg(reference));
    int column = 0;
    for (const QChar letter : m.captured(1))
        column = column * 26 + (letter.unicode() - 'A' + 1);
    return {column - 1, m.captured(2).toInt() - 1};
}

CellBlock cellBlock(const QString& from, const QString& to) {
    const auto [left, top] = cellPosition(from);
    const auto [right, bottom] = cellPosition(to);
    return {std::min(left, right), std::min(top, bottom), std::max(left, right),
            std::max(top, bottom)};
}

// What the office thread holds of an office: never touched on another thread.
struct UnoState {
    struct Document {
        Reference<css::frame::XModel> model;
        std::vector<Reference<css::sheet::XSpreadsheet>> sheets;
        std::map<QString, sal_Int32> formatKeys;
        std::optional<sal_Int32> dateFormat;
        QDate nullDate;
    };

    Reference<css::uno::XComponentContext> local;
    Reference<css::connection::XConnector> connector;
    Reference<css::connection::XConnection> connection;
    Reference<css::lang::XComponent> bridge;
    Reference<css::frame::XDesktop2> desktop;
    std::vector<Document> documents;
    bool screenUpdating = true;

    Document& document(int index) { return documents.at(static_cast<std::size_t>(index)); }

    Reference<css::table::XCellRange> cells(int doc, int sheet, const CellBlock& block) {
        return document(doc)
            .sheets.at(static_cast<std::size_t>(sheet))
            ->getCellRangeByPosition(block.left, block.top, block.right, block.bottom);
    }

    sal_Int32 formatKey(int doc, const QString& format) {
        Document& d = document(doc);
        auto found = d.formatKeys.find(format);
        if (found != d.formatKeys.end())
            return found->second;
        Reference<css::util::XNumberFormatsSupplier> supplier(d.model, UNO_QUERY_THROW);
        Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
        const css::lang::Locale locale; // the document's default
        sal_Int32 key = formats->queryKey(toUno(format), locale, false);
        if (key < 0)
            key = formats->addNew(toUno(format), locale);
        d.formatKeys.emplace(format, key);
        return key;
    }

    // The office's own format for a date value, as it gives one typed into a
    // cell of the general format.
    sal_Int32 dateFormat(int doc) {
        Document& d = document(doc);
        if (!d.dateFormat) {
            Reference<css::util::XNumberFormatsSupplier> supplier(d.model, UNO_QUERY_THROW);
            Reference<css::util::XNumberFormatTypes> types(supplier->getNumberFormats(),
                                                           UNO_QUERY_THROW);
            d.dateFormat =
                types->getStandardFormat(css::util::NumberFormat::DATE, css::lang::Locale());
        }
        return *d.dateFormat;
    }

    // Day 0 of the document's date values.
    QDate nullDate(int doc) {
        Document& d = document(doc);
        if (!d.nullDate.isValid()) {
            Reference<css::util::XNumberFormatsSupplier> supplier(d.model, UNO_QUERY_THROW);
            css::util::Date date;
            supplier->getNumberFormatSettings()->getPropertyValue(OUString("NullDate")) >>= date;
            d.nullDate = QDate(date.Year, date.Month, date.Day);
            if (!d.nullDate.isValid())
                d.nullDate = QDate(1899, 12, 30);
        }
        return d.nullDate;
    }

    void release() noexcept {
        documents.clear();
        desktop.clear();
        connection.clear();
        try {
            if (bridge.is())
                bridge->dispose();
        } catch (const css::uno::Exception&) {
            // The office has gone already; nothing is left to close.
        }
        bridge.clear();
    }
};

// One call for the office thread. Blocks of values and number formats are
// kept as data, so that neighbouring ones can be merged before they run.
struct OfficeCall {
    enum class Kind { Values, NumberFormat, Other };
    Kind kind = Kind::Other;
    QString what; // for the messages: "setting values"
    int document = -1;
    int sheet = -1;
    CellBlock block;
    QString format;                      // NumberFormat
    QList<QVariantList> values;          // Values
    std::function<void(UnoState&)> work; // Other
    quint64 id = 0;
};

void putValues(UnoState& uno, const OfficeCall& call) {
    const QDate nullDate = uno.nullDate(call.document);
    Sequence<Sequence<Any>> block(call.block.rows());
    Sequence<Any>* lines = block.getArray();
    std::vector<bool> dateColumns(static_cast<std::size_t>(call.block.columns()), false);
    for (int r = 0; r < call.block.rows(); ++r) {
        const QVariantList& values = call.values[r];
        Sequence<Any> line(call.block.columns());
        Any* cells = line.getArray();
        for (int c = 0; c < call.block.columns(); ++c) {
            const QVariant& value = values[c];
            switch (value.typeId()) {
            case QMetaType::QDate:
                cells[c] <<= double(nullDate.daysTo(value.toDate()));
                dateColumns[static_cast<std::size_t>(c)] = true;
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Double:
                cells[c] <<= value.toDouble();
                break;
            default:
                // Texts go in as strings, never read as numbers, dates or
                // formulas: every cell shows exactly the text handed over.
                cells[c] <<= toUno(value.toString());
                break;
            }
        }
        lines[r] = std::move(line);
    }
    Reference<css::sheet::XCellRangeData>(uno.cells(call.document, call.sheet, call.block),
                                          UNO_QUERY_THROW)
        ->setDataArray(block);
    for (int c = 0; c < call.block.columns(); ++c) {
        if (!dateColumns[static_cast<std::size_t>(c)])
            continue;
        CellBlock column = call.block;
        column.left = column.right = call.block.left + c;
        Reference<css::beans::XPropertySet>(uno.cells(call.document, call.sheet, column),
                                            UNO_QUERY_THROW)
            ->setPropertyValue(OUString("NumberFormat"), Any(uno.dateFormat(call.document)));
    }
}

void carryOut(UnoState& uno, OfficeCall& call) {
    switch (call.kind) {
    case OfficeCall::Kind::Values:
        putValues(uno, call);
        break;
    case OfficeCall::Kind::NumberFormat:
        Reference<css::beans::XPropertySet>(uno.cells(call.document, call.sheet, call.block),
                                            UNO_QUERY_THROW)
            ->setPropertyValue(OUString("NumberFormat"),
                               Any(uno.formatKey(call.document, call.format)));
        break;
    case OfficeCall::Kind::Other:
        call.work(uno);
        break;
    }
}

// What the caller's thread and the office thread share.
struct OfficeQueue {
    std::mutex mutex;
    std::condition_variable wake; // calls have arrived, or the end
    std::condition_variable done; // a call has been carried out
    std::deque<OfficeCall> calls;
    quint64 nextId = 1;
    quint64 finishedId = 0; // calls are carried out in order
    int queuedRows = 0;
    bool busy = false;
    Clock::time_point busySince;
    QString busyWith;
    std::optional<QString> failure; // the first; later calls are dropped
    bool stopping = false;
    bool stopped = false;
    UnoState uno; // the office thread's own

    // Merges call into a waiting one for the neighbouring rows of the same
    // cells: passing over waiting calls on other cells of the sheet, which
    // it may overtake since they touch different cells.
    bool merge(OfficeCall& call) {
        if (call.kind == OfficeCall::Kind::Other)
            return false;
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            OfficeCall& waiting = *it;
            if (waiting.kind == OfficeCall::Kind::Other || waiting.document != call.document ||
                waiting.sheet != call.sheet)
                return false;
            if (waiting.kind == call.kind && waiting.block.left == call.block.left &&
                waiting.block.right == call.block.right &&
                waiting.block.bottom + 1 == call.block.top &&
                (call.kind != OfficeCall::Kind::NumberFormat || waiting.format == call.format) &&
                waiting.block.rows() + call.block.rows() <= kMaxMergedRows) {
                waiting.block.bottom = call.block.bottom;
                waiting.values += std::move(call.values);
                return true;
            }
            if (waiting.block.intersects(call.block))
                return false;
        }
        return false;
    }
};

// The office thread: carries out the calls in order until it is stopped, then
// releases the UNO references it holds.
void runOfficeThread(const std::shared_ptr<OfficeQueue>& queue) {
    for (;;) {
        OfficeCall call;
        bool skip = false;
        {
            std::unique_lock lock(queue->mutex);
            queue->wake.wait(lock, [&] { return queue->stopping || !queue->calls.empty(); });
            if (queue->calls.empty())
                break;
            call = std::move(queue->calls.front());
            queue->calls.pop_front();
            if (call.kind == OfficeCall::Kind::Values)
                queue->queuedRows -= call.block.rows();
            queue->busy = true;
            queue->busySince = Clock::now();
            queue->busyWith = call.what;
            skip = queue->failure.has_value();
        }
        QString error;
        if (!skip) {
            try {
                carryOut(queue->uno, call);
            } catch (const css::uno::Exception& e) {
                error =
                    QStringLiteral("LibreOffice: %1 failed: %2").arg(call.what, fromUno(e.Message));
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
            } catch (...) {
                error = QStringLiteral("LibreOffice: %1 failed").arg(call.what);
            }
        }
        {
            const std::lock_guard lock(queue->mutex);
            queue->busy = false;
            queue->finishedId = call.id;
            if (!error.isEmpty() && !queue->failure)
                queue->failure = error;
        }
        queue->done.notify_all();
    }
    queue->uno.release();
    {
        const std::lock_guard lock(queue->mutex);
        queue->stopped = true;
    }
    queue->done.notify_all();
}

// One office and this process's connection to it, as the objects handed to
// the export share it. Used from the thread that asked for the instance.
class OfficeSession {
public:
    OfficeSession(const LibreOfficeSettings& settings, LibreOfficeInstance instance)
        : m_settings(settings), m_instance(std::move(instance)),
          m_queue(std::make_shared<OfficeQueue>()) {
        m_thread = std::thread(runOfficeThread, m_queue);
    }

    ~OfficeSession() {
        if (!m_visible)
            end(kEndGrace);
        stop();
    }

    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    const LibreOfficeInstance& instance() const { return m_instance; }
    void setSockets(const QStringList& sockets) { m_sockets = sockets; }
    bool isVisible() const { return m_visible; }
    void setVisible() { m_visible = true; }

    // Hands a call over and returns; raises a failure of an earlier call.
    // Waits (bounded by the call time-out) while many calls wait already.
    void post(OfficeCall call) {
        std::unique_lock lock(m_queue->mutex);
        raiseFailure(lock);
        if (!m_queue->merge(call)) {
            call.id = m_queue->nextId++;
            if (call.kind == OfficeCall::Kind::Values)
                m_queue->queuedRows += call.block.rows();
            m_queue->calls.push_back(std::move(call));
            m_queue->wake.notify_one();
        } else if (call.kind == OfficeCall::Kind::Values) {
            m_queue->queuedRows += call.block.rows();
        }
        waitWhile(lock, [&] {
            return m_queue->calls.size() >= kMaxQueuedCalls || m_queue->queuedRows > kMaxQueuedRows;
        });
        raiseFailure(lock);
    }

    // Carries out work (after every call handed over before) and returns its
    // result; raises its failure or one of an earlier call.
    template <typename F> auto call(const QString& what, F work) {
        using Result = std::invoke_result_t<F, UnoState&>;
        auto result = std::make_shared<
            std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>>>();
        OfficeCall c;
        c.what = what;
        c.work = [work, result](UnoState& uno) {
            if constexpr (std::is_void_v<Result>) {
                work(uno);
                *result = true;
            } else {
                *result = work(uno);
            }
        };
        std::unique_lock lock(m_queue->mutex);
        raiseFailure(lock);
        const quint64 id = c.id = m_queue->nextId++;
        m_queue->calls.push_back(std::move(c));
        m_queue->wake.notify_one();
        waitWhile(lock, [&] { return m_queue->finishedId < id; });
        raiseFailure(lock);
        if constexpr (!std::is_void_v<Result>)
            return std::move(**result);
    }

    // Waits until every call handed over has been carried out; raises a
    // failure of any of them.
    void sync(const QString& what) {
        call(what, [](UnoState&) {});
    }

    // Ends the office for good: its process group, its pipes, its profile.
    // Calls that wait fail from now on.
    void end(std::chrono::milliseconds grace) {
        if (m_ended)
            return;
        m_ended = true;
        {
            const std::lock_guard lock(m_queue->mutex);
            if (!m_queue->failure)
                m_queue->failure = QStringLiteral("LibreOffice has been ended");
        }
        office::endOffice(m_instance.pid, m_instance.profileDir, m_sockets, grace);
    }

    // Lets the office thread release what it holds and end, waiting a while
    // for it; a thread held up by an office that no longer answers is left to
    // end by itself.
    void stop() {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard lock(m_queue->mutex);
            m_queue->stopping = true;
            if (m_ended || m_queue->failure) {
                m_queue->calls.clear();
                m_queue->queuedRows = 0;
            }
        }
        m_queue->wake.notify_one();
        std::unique_lock lock(m_queue->mutex);
        const bool stopped =
            m_queue->done.wait_for(lock, std::chrono::milliseconds(m_settings.callTimeoutMs),
                                   [&] { return m_queue->stopped; });
        lock.unlock();
        if (stopped)
            m_thread.join();
        else
            m_thread.detach();
    }

private:
    void raiseFailure(std::unique_lock<std::mutex>&) const {
        if (m_queue->failure)
            fail(*m_queue->failure);
    }

    // Waits while busy() holds, serving the window thread's timers and
    // queued calls meanwhile. A call that runs past the time-out ends the
    // office and raises.
    template <typename Busy> void waitWhile(std::unique_lock<std::mutex>& lock, Busy busy) {
        const auto timeout = std::chrono::milliseconds(m_settings.callTimeoutMs);
        const bool serve = QCoreApplication::instance() &&
                           QThread::currentThread() == QCoreApplication::instance()->thread();
        auto served = Clock::now();
        while (busy()) {
            if (m_queue->failure)
                return;
            if (m_queue->busy && Clock::now() - m_queue->busySince > timeout) {
                const QString what = m_queue->busyWith;
                lock.unlock();
                hung(what);
                lock.lock();
                return;
            }
            m_queue->done.wait_for(lock, std::chrono::milliseconds(10));
            if (serve && Clock::now() - served > std::chrono::milliseconds(50)) {
                lock.unlock();
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                lock.lock();
                served = Clock::now();
            }
        }
    }

    void hung(const QString& what) {
        {
            const std::lock_guard lock(m_queue->mutex);
            m_queue->failure =
                QStringLiteral("LibreOffice did not answer within %1 s while %2; it has been ended")
                    .arg(m_settings.callTimeoutMs / 1000.0)
                    .arg(what);
        }
        m_ended = true;
        office::endOffice(m_instance.pid, m_instance.profileDir, m_sockets,
                          std::chrono::milliseconds(0));
    }

    LibreOfficeSettings m_settings;
    LibreOfficeInstance m_instance;
    QStringList m_sockets;
    std::shared_ptr<OfficeQueue> m_queue;
    std::thread m_thread;
    bool m_visible = false;
    bool m_ended = false;
};

using SessionPtr = std::shared_ptr<OfficeSession>;

class CalcRange final : public SpreadsheetRange {
public:
    CalcRange(SessionPtr session, int document, int sheet, CellBlock block)
        : m_session(std::move(session)), m_document(document), m_sheet(sheet), m_block(block) {}

    void setValue(const QString& value) override {
        QVariantList line;
        for (int c = 0; c < m_block.columns(); ++c)
            line << value;
        QList<QVariantList> block;
        for (int r = 0; r < m_block.rows(); ++r)
            block << line;
        post(OfficeCall::Kind::Values, QStringLiteral("setting a value"), std::move(block));
    }

    void setValues(const QList<QVariantList>& values) override {
        if (values.size() != m_block.rows())
            fail(QStringLiteral("LibreOffice: a block of %1 lines for a range of %2 rows")
                     .arg(values.size())
                     .arg(m_block.rows()));
        for (const QVariantList& line : values)
            if (line.size() != m_block.columns())
                fail(QStringLiteral("LibreOffice: a line of %1 values for a range of %2 columns")
                         .arg(line.size())
                         .arg(m_block.columns()));
        post(OfficeCall::Kind::Values, QStringLiteral("setting values"), values);
    }

    void setNumberFormat(const QString& format) override {
        OfficeCall call =
            make(OfficeCall::Kind::NumberFormat, QStringLiteral("setting a number format"));
        call.format = format;
        m_session->post(std::move(call));
    }

    void setFont(const SpreadsheetFont& font) override {
        work(QStringLiteral("setting the font"),
             [font](const Reference<css::table::XCellRange>& cells) {
                 // Names in alphabetical order, as XMultiPropertySet wants them.
                 const auto names = sequenceOf<OUString>(
                     {OUString("CharColor"), OUString("CharFontName"), OUString("CharHeight"),
                      OUString("CharPosture"), OUString("CharUnderline"), OUString("CharWeight")});
                 // -1 is the automatic colour, which follows the desktop's window text.
                 const sal_Int32 color =
                     font.color ? static_cast<sal_Int32>(*font.color & 0xFFFFFF) : sal_Int32(-1);
                 const auto values = sequenceOf<Any>(
                     {Any(color), Any(toUno(font.name)), Any(static_cast<float>(font.size)),
                      Any(font.italic ? css::awt::FontSlant_ITALIC : css::awt::FontSlant_NONE),
                      Any(font.underline ? css::awt::FontUnderline::SINGLE
                                         : css::awt::FontUnderline::NONE),
                      Any(font.bold ? css::awt::FontWeight::BOLD : css::awt::FontWeight::NORMAL)});
                 Reference<css::beans::XMultiPropertySet>(cells, UNO_QUERY_THROW)
                     ->setPropertyValues(names, values);
             });
    }

    void setAlignment(const SpreadsheetAlignment& alignment) override {
        work(QStringLiteral("setting the alignment"),
             [alignment](const Reference<css::table::XCellRange>& cells) {
                 css::table::CellHoriJustify justify = css::table::CellHoriJustify_STANDARD;
                 switch (alignment.horizontal) {
                 case HorizontalAlignment::General:
                     break;
                 case HorizontalAlignment::Left:
                     justify = css::table::CellHoriJustify_LEFT;
                     break;
                 case HorizontalAlignment::Center:
                     justify = css::table::CellHoriJustify_CENTER;
                     break;
                 case HorizontalAlignment::Right:
                     justify = css::table::CellHoriJustify_RIGHT;
                     break;
                 }
                 const auto names = sequenceOf<OUString>(
                     {OUString("HoriJustify"), OUString("IsTextWrapped"), OUString("RotateAngle")});
                 const auto values =
                     sequenceOf<Any>({Any(justify), Any(alignment.wrapText),
                                      Any(static_cast<sal_Int32>(alignment.orientation * 100))});
                 Reference<css::beans::XMultiPropertySet>(cells, UNO_QUERY_THROW)
                     ->setPropertyValues(names, values);
             });
    }

private:
    OfficeCall make(OfficeCall::Kind kind, const QString& what) const {
        OfficeCall call;
        call.kind = kind;
        call.what = what;
        call.document = m_document;
        call.sheet = m_sheet;
        call.block = m_block;
        return call;
    }

    void post(OfficeCall::Kind kind, const QString& what, QList<QVariantList> values) {
        OfficeCall call = make(kind, what);
        call.values = std::move(values);
        m_session->post(std::move(call));
    }

    template <typename F> void work(const QString& what, F apply) {
        OfficeCall call = make(OfficeCall::Kind::Other, what);
        call.work = [document = m_document, sheet = m_sheet, block = m_block,
                     apply](UnoState& uno) { apply(uno.cells(document, sheet, block)); };
        m_session->post(std::move(call));
    }

    SessionPtr m_session;
    int m_document;
    int m_sheet;
    CellBlock m_block;
};

class CalcWorksheet final : public SpreadsheetWorksheet {
public:
    CalcWorksheet(SessionPtr session, int document, int sheet)
        : m_session(std::move(session)), m_document(document), m_sheet(sheet) {}

    void setName(const QString& name) override {
        OfficeCall call;
        call.what = QStringLiteral("naming the worksheet");
        call.work = [document = m_document, sheet = m_sheet, name](UnoState& uno) {
            Reference<css::container::XNamed>(
                uno.document(document).sheets.at(static_cast<std::size_t>(sheet)), UNO_QUERY_THROW)
                ->setName(toUno(name));
        };
        m_session->post(std::move(call));
    }

    // Nothing is asked of the office until the range is used.
    std::unique_ptr<SpreadsheetRange> range(const QString& from, const QString& to) override {
        return std::make_unique<CalcRange>(m_session, m_document, m_sheet, cellBlock(from, to));
    }

private:
    SessionPtr m_session;
    int m_document;
    int m_sheet;
};

class CalcWorkbook final : public SpreadsheetWorkbook {
public:
    CalcWorkbook(SessionPtr session, int document)
        : m_session(std::move(session)), m_document(document) {}

    std::unique_ptr<SpreadsheetWorksheet> worksheet(int number) override {
        const int sheet = m_session->call(QStringLiteral("taking a worksheet"), [document =
                                                                                     m_document,
                                                                                 number](
                                                                                    UnoState& uno) {
            UnoState::Document& d = uno.document(document);
            Reference<css::sheet::XSpreadsheetDocument> doc(d.model, UNO_QUERY_THROW);
            Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
            if (number < 1 || number > sheets->getCount())
                fail(QStringLiteral("LibreOffice: the workbook has no worksheet %1").arg(number));
            d.sheets.push_back(Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(number - 1),
                                                                   UNO_QUERY_THROW));
            return int(d.sheets.size()) - 1;
        });
        return std::make_unique<CalcWorksheet>(m_session, m_document, sheet);
    }

private:
    SessionPtr m_session;
    int m_document;
};

class CalcApplication final : public SpreadsheetApplication {
public:
    CalcApplication(SessionPtr session, QString documentFactory)
        : m_session(std::move(session)), m_documentFactory(std::move(documentFactory)) {}

    // The connection goes with the application; an office never shown goes
    // with it (see OfficeSession).
    ~CalcApplication() override = default;

    std::unique_ptr<SpreadsheetWorkbook> addWorkbook(int workbookKind, int locale) override {
        if (workbookKind != kOneWorksheetWorkbook)
            fail(QStringLiteral("LibreOffice: workbook template %1 is not offered")
                     .arg(workbookKind));
        // New documents take the user's default locale, which is all that
        // kUserDefaultLocale asks for.
        Q_UNUSED(locale);
        const int document = m_session->call(
            QStringLiteral("adding a workbook"), [factory = m_documentFactory](UnoState& uno) {
                // Hidden until setVisible: the document is filled out of sight.
                const auto args = sequenceOf<css::beans::PropertyValue>({css::beans::PropertyValue(
                    OUString("Hidden"), -1, Any(true), css::beans::PropertyState_DIRECT_VALUE)});
                Reference<css::frame::XComponentLoader> loader(uno.desktop, UNO_QUERY_THROW);
                Reference<css::frame::XModel> model(
                    loader->loadComponentFromURL(toUno(factory), OUString("_blank"), 0, args),
                    UNO_QUERY_THROW);
                if (!uno.screenUpdating)
                    model->lockControllers();
                uno.documents.push_back({model, {}, {}, std::nullopt, QDate()});
                // A single worksheet, whatever the office's default for new
                // documents.
                Reference<css::sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
                Reference<css::sheet::XSpreadsheets> sheets = doc->getSheets();
                Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
                while (index->getCount() > 1) {
                    Reference<css::container::XNamed> last(index->getByIndex(index->getCount() - 1),
                                                           UNO_QUERY_THROW);
                    sheets->removeByName(last->getName());
                }
                return int(uno.documents.size()) - 1;
            });
        return std::make_unique<CalcWorkbook>(m_session, document);
    }

    void setScreenUpdating(bool on) override {
        OfficeCall call;
        call.what = QStringLiteral("switching screen updating");
        call.work = [on](UnoState& uno) {
            if (on == uno.screenUpdating)
                return;
            uno.screenUpdating = on;
            for (const auto& document : uno.documents) {
                if (on)
                    document.model->unlockControllers();
                else
                    document.model->lockControllers();
            }
        };
        m_session->post(std::move(call));
    }

    // Waits for everything handed over before, then shows the documents.
    void setVisible(bool visible) override {
        m_session->call(QStringLiteral("showing the application"), [visible](UnoState& uno) {
            for (const auto& document : uno.documents) {
                Reference<css::frame::XController> controller =
                    document.model->getCurrentController();
                if (!controller.is())
                    fail(QStringLiteral("LibreOffice: the document has no window"));
                Reference<css::awt::XWindow> window = controller->getFrame()->getContainerWindow();
                window->setVisible(visible);
                if (visible) {
                    Reference<css::awt::XTopWindow> top(window, css::uno::UNO_QUERY);
                    if (top.is())
                        top->toFront();
                }
            }
        });
        if (visible)
            m_session->setVisible();
    }

private:
    SessionPtr m_session;
    QString m_documentFactory;
};

class CalcAutomation final : public SpreadsheetAutomation {
public:
    explicit CalcAutomation(const LibreOfficeSettings& settings) : m_settings(settings) {
        if (m_settings.officeProgram.isEmpty())
            m_settings.officeProgram = programDir() + "/soffice";
        if (m_settings.profileParent.isEmpty())
            m_settings.profileParent = QDir::tempPath();
        // UNO writes to its pipe without MSG_NOSIGNAL: an office that goes
        // away while a call is on its way would end this program with SIGPIPE.
        // A failed write is reported as an error instead (unless the program
        // has a SIGPIPE handler of its own).
        struct sigaction current {};
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            ::signal(SIGPIPE, SIG_IGN);
    }

    std::unique_ptr<SpreadsheetApplication> newInstance() override {
        office::removeStaleProfiles(m_settings.profileParent);
        // An office that ends before it takes a connection (LibreOffice may
        // end at the first start of a fresh profile, more so on a loaded
        // machine) gets one second chance with a profile of its own.
        if (auto application = startOffice(false))
            return application;
        return startOffice(true);
    }

private:
    // Starts an office and connects to it. Returns nothing when the office
    // ended before it accepted the connection and lastChance is false; raises
    // on every other failure.
    std::unique_ptr<SpreadsheetApplication> startOffice(bool lastChance) {
        LibreOfficeInstance instance;
        instance.pipeName = QStringLiteral("tarvex-%1-%2")
                                .arg(QCoreApplication::applicationPid())
                                .arg(QUuid::createUuid().toString(QUuid::Id128));
        instance.profileDir = office::makeProfile(m_settings.profileParent);
        const QString profileArgument = office::profileArgument(instance.profileDir);
        const QStringList arguments{
            profileArgument,
            QStringLiteral("--accept=pipe,name=%1;urp;").arg(instance.pipeName),
            QStringLiteral("--nologo"),
            QStringLiteral("--nodefault"),
            QStringLiteral("--norestore"),
            QStringLiteral("--nolockcheck")};
        try {
            instance.pid = office::startDetached(
                m_settings.officeProgram, arguments,
                office::environmentWithout({QStringLiteral("URE_BOOTSTRAP")}));
        } catch (...) {
            QDir(instance.profileDir).removeRecursively();
            throw;
        }
        // From here on the session ends the office, unless it is shown.
        auto session = std::make_shared<OfficeSession>(m_settings, instance);
        office::writePidFile(instance.profileDir, instance.pid, instance.pipeName);
        if (!connect(*session, profileArgument, lastChance))
            return nullptr; // the session removes the profile as it goes

        // The office's pipes, also those it made for itself: they go with it.
        const QStringList sockets = office::listeningSockets(instance.pid);
        session->setSockets(sockets);
        office::writePidFile(instance.profileDir, instance.pid, instance.pipeName, sockets);
        if (m_settings.startedInstance)
            *m_settings.startedInstance = instance;
        return std::make_unique<CalcApplication>(std::move(session), m_settings.documentFactory);
    }

    // False when the office ended before it accepted the connection and this
    // is not its last chance (then it raises).
    bool connect(OfficeSession& session, const QString& marker, bool lastChance) const {
        const LibreOfficeInstance& instance = session.instance();
        session.call(QStringLiteral("starting UNO"), [](UnoState& uno) {
            try {
                uno.local = uno::localContext();
            } catch (const cppu::BootstrapException& e) {
                fail(QStringLiteral("LibreOffice: starting UNO failed: %1")
                         .arg(fromUno(e.getMessage())));
            }
            uno.connector = css::connection::Connector::create(uno.local);
        });
        const QDeadlineTimer deadline(m_settings.connectTimeoutMs);
        const OUString description = toUno(QStringLiteral("pipe,name=") + instance.pipeName);
        for (;;) {
            const bool connected =
                session.call(QStringLiteral("connecting"), [description](UnoState& uno) {
                    try {
                        uno.connection = uno.connector->connect(description);
                    } catch (const css::connection::NoConnectException&) {
                        return false;
                    }
                    return uno.connection.is();
                });
            if (connected)
                break;
            if (!office::isRunning(instance.pid, marker)) {
                if (!lastChance)
                    return false;
                fail(QStringLiteral("LibreOffice (%1) ended before it accepted a connection")
                         .arg(m_settings.officeProgram));
            }
            if (deadline.hasExpired())
                fail(QStringLiteral("LibreOffice (%1) did not accept a connection within %2 s")
                         .arg(m_settings.officeProgram)
                         .arg(m_settings.connectTimeoutMs / 1000.0));
            // Wait a little; ticks and received data of a run that goes on
            // meanwhile are served, the operator's input waits.
            if (QCoreApplication::instance()) {
                QEventLoop pause;
                QTimer::singleShot(50, &pause, &QEventLoop::quit);
                pause.exec(QEventLoop::ExcludeUserInputEvents);
            } else {
                QThread::msleep(50);
            }
        }
        session.call(QStringLiteral("connecting"), [](UnoState& uno) {
            const uno::OfficeBridge bridge = uno::openBridge(uno.local, uno.connection);
            uno.bridge = bridge.bridge;
            uno.desktop = bridge.desktop;
        });
        return true;
    }

    LibreOfficeSettings m_settings;
};

} // namespace

extern "C" Q_DECL_EXPORT int tarvex_libreoffice_version() {
    return kLibreOfficePluginVersion;
}

extern "C" Q_DECL_EXPORT SpreadsheetAutomation*
tarvex_libreoffice_create(const LibreOfficeSettings* settings) {
    try {
        return new CalcAutomation(settings ? *settings : LibreOfficeSettings{});
    } catch (...) {
        return nullptr;
    }
}

} // namespace tarvex

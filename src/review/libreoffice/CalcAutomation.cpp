// The spreadsheet automation on LibreOffice Calc through UNO.
//
// Every new instance is an office started here: a private profile, a pipe
// name of its own, no start window, detached from this program. This process
// reaches it over a UNO bridge of its own, which is disposed when the
// application is released; the office keeps running with its document.

#include "review/LibreOfficeAutomation.h"
#include "review/LibreOfficePlugin_p.h"
#include "review/libreoffice/OfficeProcess.h"
#include "review/libreoffice/Uno.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
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
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <algorithm>
#include <csignal>
#include <initializer_list>
#include <map>
#include <memory>
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

// Runs one call on the office and turns a UNO failure into ours.
template <typename F> decltype(auto) call(const char* what, F&& f) {
    try {
        return f();
    } catch (const css::uno::Exception& e) {
        fail(QStringLiteral("LibreOffice: %1 failed: %2")
                 .arg(QString::fromLatin1(what), fromUno(e.Message)));
    }
}

// One office and this process's connection to it, shared by the objects that
// stand for references on it. When the last of them goes, the connection is
// closed; the office goes on.
struct Office {
    Reference<css::lang::XComponent> bridge;
    Reference<css::frame::XDesktop2> desktop;
    bool screenUpdating = true;
    std::vector<Reference<css::frame::XModel>> documents;

    ~Office() {
        documents.clear();
        desktop.clear();
        try {
            if (bridge.is())
                bridge->dispose();
        } catch (const css::uno::Exception&) {
            // The office has gone already; nothing is left to close.
        }
    }

    void lockScreen(const Reference<css::frame::XModel>& model) const {
        if (!screenUpdating)
            model->lockControllers();
    }
};

using OfficePtr = std::shared_ptr<Office>;

struct Document {
    OfficePtr office;
    Reference<css::frame::XModel> model;
    std::map<QString, sal_Int32> formatKeys;

    sal_Int32 formatKey(const QString& format) {
        auto found = formatKeys.find(format);
        if (found != formatKeys.end())
            return found->second;
        Reference<css::util::XNumberFormatsSupplier> supplier(model, UNO_QUERY_THROW);
        Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
        const css::lang::Locale locale; // the document's default
        sal_Int32 key = formats->queryKey(toUno(format), locale, false);
        if (key < 0)
            key = formats->addNew(toUno(format), locale);
        formatKeys.emplace(format, key);
        return key;
    }
};

using DocumentPtr = std::shared_ptr<Document>;

class CalcRange final : public SpreadsheetRange {
public:
    CalcRange(DocumentPtr document, Reference<css::table::XCellRange> cells)
        : m_document(std::move(document)), m_cells(std::move(cells)) {}

    void setValue(const QString& value) override {
        call("setting a value", [&] {
            const auto [rows, columns] = size();
            Sequence<Any> line(columns);
            Any* cells = line.getArray();
            for (sal_Int32 c = 0; c < columns; ++c)
                cells[c] <<= toUno(value);
            Sequence<Sequence<Any>> block(rows);
            Sequence<Any>* lines = block.getArray();
            for (sal_Int32 r = 0; r < rows; ++r)
                lines[r] = line;
            put(block);
        });
    }

    void setValues(const QList<QStringList>& values) override {
        call("setting values", [&] {
            const auto [rows, columns] = size();
            if (values.size() != rows)
                fail(QStringLiteral("a block of %1 lines for a range of %2 rows")
                         .arg(values.size())
                         .arg(rows));
            Sequence<Sequence<Any>> block(rows);
            Sequence<Any>* lines = block.getArray();
            for (sal_Int32 r = 0; r < rows; ++r) {
                const QStringList& texts = values[r];
                if (texts.size() != columns)
                    fail(QStringLiteral("a line of %1 texts for a range of %2 columns")
                             .arg(texts.size())
                             .arg(columns));
                Sequence<Any> line(columns);
                Any* cells = line.getArray();
                for (sal_Int32 c = 0; c < columns; ++c)
                    cells[c] <<= toUno(texts[c]);
                lines[r] = std::move(line);
            }
            put(block);
        });
    }

    void setNumberFormat(const QString& format) override {
        call("setting a number format", [&] {
            const sal_Int32 key = m_document->formatKey(format);
            Reference<css::beans::XPropertySet>(m_cells, UNO_QUERY_THROW)
                ->setPropertyValue(OUString("NumberFormat"), Any(key));
        });
    }

    void setFont(const SpreadsheetFont& font) override {
        call("setting the font", [&] {
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
            Reference<css::beans::XMultiPropertySet>(m_cells, UNO_QUERY_THROW)
                ->setPropertyValues(names, values);
        });
    }

    void setAlignment(const SpreadsheetAlignment& alignment) override {
        call("setting the alignment", [&] {
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
            Reference<css::beans::XMultiPropertySet>(m_cells, UNO_QUERY_THROW)
                ->setPropertyValues(names, values);
        });
    }

private:
    // Texts go in as strings, never read as numbers, dates or formulas: every
    // cell shows exactly the text handed over. (Calc itself gives the text
    // format to a cell whose text would otherwise read as a number.)
    void put(const Sequence<Sequence<Any>>& block) {
        Reference<css::sheet::XCellRangeData>(m_cells, UNO_QUERY_THROW)->setDataArray(block);
    }

    std::pair<sal_Int32, sal_Int32> size() const {
        const css::table::CellRangeAddress a =
            Reference<css::sheet::XCellRangeAddressable>(m_cells, UNO_QUERY_THROW)
                ->getRangeAddress();
        return {a.EndRow - a.StartRow + 1, a.EndColumn - a.StartColumn + 1};
    }

    DocumentPtr m_document;
    Reference<css::table::XCellRange> m_cells;
};

class CalcWorksheet final : public SpreadsheetWorksheet {
public:
    CalcWorksheet(DocumentPtr document, Reference<css::sheet::XSpreadsheet> sheet)
        : m_document(std::move(document)), m_sheet(std::move(sheet)) {}

    void setName(const QString& name) override {
        call("naming the worksheet", [&] {
            Reference<css::container::XNamed>(m_sheet, UNO_QUERY_THROW)->setName(toUno(name));
        });
    }

    std::unique_ptr<SpreadsheetRange> range(const QString& from, const QString& to) override {
        return call("taking a range", [&] {
            auto cells = m_sheet->getCellRangeByName(toUno(from + ':' + to));
            return std::make_unique<CalcRange>(m_document, cells);
        });
    }

private:
    DocumentPtr m_document;
    Reference<css::sheet::XSpreadsheet> m_sheet;
};

class CalcWorkbook final : public SpreadsheetWorkbook {
public:
    explicit CalcWorkbook(DocumentPtr document) : m_document(std::move(document)) {}

    std::unique_ptr<SpreadsheetWorksheet> worksheet(int number) override {
        return call("taking a worksheet", [&] {
            Reference<css::sheet::XSpreadsheetDocument> doc(m_document->model, UNO_QUERY_THROW);
            Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
            if (number < 1 || number > sheets->getCount())
                fail(QStringLiteral("the workbook has no worksheet %1").arg(number));
            Reference<css::sheet::XSpreadsheet> sheet(sheets->getByIndex(number - 1),
                                                      UNO_QUERY_THROW);
            return std::make_unique<CalcWorksheet>(m_document, sheet);
        });
    }

private:
    DocumentPtr m_document;
};

class CalcApplication final : public SpreadsheetApplication {
public:
    explicit CalcApplication(OfficePtr office) : m_office(std::move(office)) {}

    std::unique_ptr<SpreadsheetWorkbook> addWorkbook(int workbookKind, int locale) override {
        if (workbookKind != kOneWorksheetWorkbook)
            fail(QStringLiteral("LibreOffice: workbook template %1 is not offered")
                     .arg(workbookKind));
        // New documents take the user's default locale, which is all that
        // kUserDefaultLocale asks for.
        Q_UNUSED(locale);
        return call("adding a workbook", [&] {
            // Hidden until setVisible: the document is filled out of sight.
            const auto args = sequenceOf<css::beans::PropertyValue>({css::beans::PropertyValue(
                OUString("Hidden"), -1, Any(true), css::beans::PropertyState_DIRECT_VALUE)});
            Reference<css::frame::XComponentLoader> loader(m_office->desktop, UNO_QUERY_THROW);
            Reference<css::frame::XModel> model(
                loader->loadComponentFromURL(OUString("private:factory/scalc"), OUString("_blank"),
                                             0, args),
                UNO_QUERY_THROW);
            m_office->lockScreen(model);
            m_office->documents.push_back(model);
            // A single worksheet, whatever the office's default for new documents.
            Reference<css::sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
            Reference<css::sheet::XSpreadsheets> sheets = doc->getSheets();
            Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
            while (index->getCount() > 1) {
                Reference<css::container::XNamed> last(index->getByIndex(index->getCount() - 1),
                                                       UNO_QUERY_THROW);
                sheets->removeByName(last->getName());
            }
            auto document = std::make_shared<Document>();
            document->office = m_office;
            document->model = model;
            return std::make_unique<CalcWorkbook>(document);
        });
    }

    void setScreenUpdating(bool on) override {
        call("switching screen updating", [&] {
            if (on == m_office->screenUpdating)
                return;
            m_office->screenUpdating = on;
            for (const auto& model : m_office->documents) {
                if (on)
                    model->unlockControllers();
                else
                    model->lockControllers();
            }
        });
    }

    void setVisible(bool visible) override {
        call("showing the application", [&] {
            for (const auto& model : m_office->documents) {
                Reference<css::frame::XController> controller = model->getCurrentController();
                if (!controller.is())
                    fail(QStringLiteral("the document has no window"));
                Reference<css::awt::XWindow> window = controller->getFrame()->getContainerWindow();
                window->setVisible(visible);
                if (visible) {
                    Reference<css::awt::XTopWindow> top(window, css::uno::UNO_QUERY);
                    if (top.is())
                        top->toFront();
                }
            }
        });
    }

private:
    OfficePtr m_office;
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
        const Reference<css::uno::XComponentContext> local = call("starting UNO", [] {
            try {
                return uno::localContext();
            } catch (const cppu::BootstrapException& e) {
                fail(QStringLiteral("LibreOffice: starting UNO failed: %1")
                         .arg(fromUno(e.getMessage())));
            }
        });

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
        try {
            office::writePidFile(instance.profileDir, instance.pid, instance.pipeName);
            auto office = connect(local, instance, profileArgument);
            if (m_settings.startedInstance)
                *m_settings.startedInstance = instance;
            return std::make_unique<CalcApplication>(std::move(office));
        } catch (...) {
            // An office that cannot be reached is of no use to anyone.
            office::killGroup(instance.pid);
            QDir(instance.profileDir).removeRecursively();
            throw;
        }
    }

private:
    OfficePtr connect(const Reference<css::uno::XComponentContext>& local,
                      const LibreOfficeInstance& instance, const QString& marker) const {
        const QDeadlineTimer deadline(m_settings.connectTimeoutMs);
        Reference<css::connection::XConnector> connector =
            call("making a connector", [&] { return css::connection::Connector::create(local); });
        Reference<css::connection::XConnection> connection;
        const OUString description = toUno(QStringLiteral("pipe,name=") + instance.pipeName);
        while (!connection.is()) {
            try {
                connection = connector->connect(description);
            } catch (const css::connection::NoConnectException&) {
                if (!office::isRunning(instance.pid, marker))
                    fail(QStringLiteral("LibreOffice (%1) ended before it accepted a connection")
                             .arg(m_settings.officeProgram));
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
            } catch (const css::uno::Exception& e) {
                fail(QStringLiteral("LibreOffice: connecting failed: %1").arg(fromUno(e.Message)));
            }
        }
        return call("connecting", [&] {
            auto office = std::make_shared<Office>();
            auto [bridge, desktop] = uno::openBridge(local, connection);
            office->bridge = bridge;
            office->desktop = desktop;
            return office;
        });
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

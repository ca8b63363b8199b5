// The export into a real LibreOffice Calc: after the export the document is
// read back through UNO from the office the export started.

#include "FakeDataSource.h"
#include "review/LibreOfficeAutomation.h"
#include "review/SpreadsheetExport.h"
#include "review/libreoffice/OfficeProcess.h"
#include "widgets/Dialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

OUString ToUno(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()),
                    static_cast<sal_Int32>(text.size()));
}

QString FromUno(const OUString& text) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.getStr()), text.getLength());
}

QString PluginPath() {
    return QStringLiteral(TARVEX_LIBREOFFICE_PLUGIN);
}

// A second connection to an office the export started, for reading its
// document back.
class OfficeReader {
public:
    explicit OfficeReader(const QString& pipeName) {
        rtl::Bootstrap::set(
            OUString("URE_BOOTSTRAP"),
            ToUno(QStringLiteral("file://" TARVEX_LIBREOFFICE_PROGRAM_DIR "/fundamentalrc")));
        const auto local = cppu::defaultBootstrap_InitialComponentContext();
        auto connection = css::connection::Connector::create(local)->connect(
            ToUno(QStringLiteral("pipe,name=") + pipeName));
        auto bridge = css::bridge::BridgeFactory::create(local)->createBridge(
            OUString(), OUString("urp"), connection, nullptr);
        bridge_.set(bridge, UNO_QUERY_THROW);
        Reference<css::uno::XComponentContext> remote(
            bridge->getInstance(OUString("StarOffice.ComponentContext")), UNO_QUERY_THROW);
        desktop_ = css::frame::Desktop::create(remote);
    }
    ~OfficeReader() {
        desktop_.clear();
        try {
            bridge_->dispose();
        } catch (const css::uno::Exception&) {
        }
    }

    QList<Reference<css::frame::XModel>> Documents() const {
        QList<Reference<css::frame::XModel>> models;
        auto e = desktop_->getComponents()->createEnumeration();
        while (e->hasMoreElements())
            models.append(Reference<css::frame::XModel>(e->nextElement(), UNO_QUERY_THROW));
        return models;
    }

    // Closes the documents unsaved and ends the office; it may drop the
    // connection while answering.
    void Terminate() {
        try {
            for (const auto& model : Documents()) {
                Reference<css::util::XModifiable>(model, UNO_QUERY_THROW)->setModified(false);
                Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
            }
            desktop_->terminate();
        } catch (const css::uno::Exception&) {
        }
    }

private:
    Reference<css::lang::XComponent> bridge_;
    Reference<css::frame::XDesktop2> desktop_;
};

Reference<css::beans::XPropertySet> CellProperties(const Reference<css::sheet::XSpreadsheet>& sheet,
                                                   int column, int row) {
    return Reference<css::beans::XPropertySet>(sheet->getCellByPosition(column, row),
                                               UNO_QUERY_THROW);
}

QString CellText(const Reference<css::sheet::XSpreadsheet>& sheet, int column, int row) {
    return FromUno(
        Reference<css::text::XText>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)
            ->getString());
}

QString FormatString(const Reference<css::frame::XModel>& model,
                     const Reference<css::sheet::XSpreadsheet>& sheet, int column, int row) {
    sal_Int32 key = 0;
    CellProperties(sheet, column, row)->getPropertyValue(OUString("NumberFormat")) >>= key;
    auto formats =
        Reference<css::util::XNumberFormatsSupplier>(model, UNO_QUERY_THROW)->getNumberFormats();
    OUString format;
    formats->getByKey(key)->getPropertyValue(OUString("FormatString")) >>= format;
    return FromUno(format);
}

} // namespace

class TestLibreOfficeExport : public QObject {
    Q_OBJECT

    QTemporaryDir profiles_;
    QList<MessageRequest> messages_;

private slots:
    void initTestCase() {
        QVERIFY(profiles_.isValid());
        SetMessageHandler([this](const MessageRequest& r) {
            messages_.append(r);
            return int(mrYes);
        });
    }
    void init() { messages_.clear(); }

    void exportIsReadBackFromTheOffice() {
        FakeDataSource source = FakeDataSource::Readings(23);
        source.rows[0][1] = QStringLiteral("  1.50"); // leading blanks stay
        source.rows[1][2] = QStringLiteral("007");    // a number would lose its zeros
        source.rows[2][3] = QStringLiteral("伏特 1,5");
        source.rows[3][3] = QStringLiteral("=1+1");        // not a formula
        source.rows[4][4] = QStringLiteral("10 Dec 2026"); // not a date value
        source.current = 4;

        LibreOfficeInstance started;
        LibreOfficeSettings settings;
        settings.profileParent = profiles_.path();
        settings.instanceStarted = [&](const LibreOfficeInstance& i) { started = i; };
        auto automation = LoadLibreOfficeAutomation(PluginPath(), settings);
        TSpreadsheetExport component(*automation);
        QVERIFY(ExportQueryToSpreadsheet(component, source));
        QVERIFY(messages_.isEmpty());
        QVERIFY(!started.pipeName.isEmpty());
        QCOMPARE(source.current, 4);
        QCOMPARE(source.controlsDisabled, 0);

        // Released by the export, still running: connect again and read back.
        QVERIFY(office::IsRunning(started.pid, office::ProfileArgument(started.profileDir)));
        auto reader = std::make_unique<OfficeReader>(started.pipeName);
        const auto documents = reader->Documents();
        QCOMPARE(documents.size(), 1);
        const auto model = documents.first();
        auto sheets =
            Reference<css::sheet::XSpreadsheetDocument>(model, UNO_QUERY_THROW)->getSheets();
        Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
        QCOMPARE(index->getCount(), 1);
        Reference<css::sheet::XSpreadsheet> sheet(index->getByIndex(0), UNO_QUERY_THROW);
        QCOMPARE(FromUno(Reference<css::container::XNamed>(sheet, UNO_QUERY_THROW)->getName()),
                 QStringLiteral("Kelvarnotraske Simple Export 1"));

        const QStringList titles{"ID", "VolVal", "CurVal", "PowVal", "TestDate"};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(CellText(sheet, c, 0), titles[c]);
        for (int r = 0; r < source.rows.size(); ++r)
            for (int c = 0; c < 5; ++c)
                QCOMPARE(CellText(sheet, c, r + 1), source.rows[r][c]);
        // Nothing beside or below.
        QCOMPARE(CellText(sheet, 5, 0), QString());
        QCOMPARE(CellText(sheet, 5, 1), QString());
        QCOMPARE(CellText(sheet, 0, source.rows.size() + 1), QString());

        // Text format on the value columns of every data row, but not on their
        // titles nor below the data.
        for (int r = 1; r <= source.rows.size(); ++r)
            for (int c = 1; c <= 3; ++c)
                QCOMPARE(FormatString(model, sheet, c, r), QStringLiteral("@"));
        QCOMPARE(FormatString(model, sheet, 1, 0), QStringLiteral("General"));
        QCOMPARE(FormatString(model, sheet, 1, source.rows.size() + 1), QStringLiteral("General"));

        // Title and data fonts: MS Sans Serif 8 point, automatic colour, plain.
        for (int r : {0, 1, int(source.rows.size())}) {
            const auto cell = CellProperties(sheet, 2, r);
            OUString font;
            float height = 0;
            sal_Int32 color = 0;
            float weight = 0;
            cell->getPropertyValue(OUString("CharFontName")) >>= font;
            cell->getPropertyValue(OUString("CharHeight")) >>= height;
            cell->getPropertyValue(OUString("CharColor")) >>= color;
            cell->getPropertyValue(OUString("CharWeight")) >>= weight;
            QCOMPARE(FromUno(font), QStringLiteral("MS Sans Serif"));
            QCOMPARE(height, 8.0f);
            QCOMPARE(color, -1);
            QCOMPARE(weight, 100.0f);
        }

        // A new, unsaved document in a visible window, screen updating back on.
        Reference<css::frame::XStorable> storable(model, UNO_QUERY_THROW);
        QVERIFY(!storable->hasLocation());
        QVERIFY(storable->getLocation().isEmpty());
        QVERIFY(!model->hasControllersLocked());
        Reference<css::awt::XWindow2> window(
            model->getCurrentController()->getFrame()->getContainerWindow(), UNO_QUERY_THROW);
        QVERIFY(window->isVisible());

        reader->Terminate();
        reader.reset();
        QTRY_VERIFY_WITH_TIMEOUT(
            !office::IsRunning(started.pid, office::ProfileArgument(started.profileDir)), 60000);
        office::RemoveStaleProfiles(profiles_.path());
        QVERIFY(!QFileInfo::exists(started.profileDir));
    }
};

QTEST_MAIN(TestLibreOfficeExport)
#include "tst_libreofficeexport.moc"

#include "review/QueryWindow.h"

#include "review/DataGrid.h"
#include "review/LibreOfficeAutomation.h"
#include "review/Pictures.h"
#include "review/ReadingReport.h"
#include "review/SpreadsheetExport.h"
#include "store/ReadingTable.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QFrame>
#include <QToolButton>

#include <exception>

namespace tarvex {

namespace {

QToolButton* MakeToolButton(QWidget* parent, const QString& name, const QString& caption,
                            const QIcon& picture, int pictureSize, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAccessibleName(caption);
    button->setIcon(picture);
    button->setIconSize(QSize(pictureSize, pictureSize));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFont(QFont(QStringLiteral("MS Serif"), 10));
    button->setGeometry(geometry);
    return button;
}

// The query as the spreadsheet export reads it.
class TQueryExportSource final : public ExportSource {
public:
    explicit TQueryExportSource(DataSet& query) : m_query(query) {}

    void open() override { m_query.open(); }
    QList<ExportField> fields() const override {
        QList<ExportField> fields;
        for (int i = 0; i < m_query.fieldCount(); ++i) {
            const Field& f = m_query.field(i);
            ExportFieldType type = ExportFieldType::Other;
            switch (f.dataType()) {
            case FieldType::String:
                type = ExportFieldType::Text;
                break;
            case FieldType::Integer:
                type = ExportFieldType::WholeNumber;
                break;
            case FieldType::Date:
                type = ExportFieldType::Date;
                break;
            case FieldType::Unknown:
            case FieldType::Float:
                break;
            }
            fields.append({f.name(), f.displayLabel(), f.isVisible(), type});
        }
        return fields;
    }
    void first() override { m_query.first(); }
    void next() override { m_query.next(); }
    bool atEnd() const override { return m_query.atEnd(); }
    QString editText(int field) const override { return m_query.field(field).toString(); }
    QVariant bookmark() const override {
        const tarvex::Bookmark mark = m_query.bookmark();
        return mark ? QVariant(*mark) : QVariant();
    }
    void gotoBookmark(const QVariant& mark) override {
        m_query.gotoBookmark(mark.isValid() ? tarvex::Bookmark(mark.toLongLong())
                                            : tarvex::Bookmark());
    }
    void disableControls() override { m_query.disableControls(); }
    void enableControls() override { m_query.enableControls(); }

private:
    DataSet& m_query;
};

// Shows the busy cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

TSerchfrm::TSerchfrm(TSerchRep* report, QWidget* parent) : QDialog(parent), m_report(report) {
    setObjectName(QStringLiteral("Serchfrm"));
    setWindowTitle(QStringLiteral("Query"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The window's outer size is 568 x 431; the frame takes 8 x 30 of it.
    resize(560, 401);
    move(174, 112);

    Query1 = new Query(this);
    Query1->setObjectName(QStringLiteral("Query1"));
    Table1 = new Table(this);
    Table1->setObjectName(QStringLiteral("Table1"));
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(Query1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 560, 41);
    // Outer bevel lowered, inner bevel raised: an etched edge.
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);

    BtnRep = MakeToolButton(Panel1, QStringLiteral("BtnRep"), QStringLiteral("Report"),
                            ReportButtonPicture(), 26, {10, 5, 87, 32});
    BtnSave = MakeToolButton(Panel1, QStringLiteral("BtnSave"), QStringLiteral("Excel"),
                             ExportButtonPicture(), 16, {116, 5, 87, 32});
    BtnClear = MakeToolButton(Panel1, QStringLiteral("BtnClear"), QStringLiteral("Clear"),
                              ClearButtonPicture(), 16, {222, 5, 87, 32});

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Readings"));
    DBGrid1->setGeometry(0, 42, 559, 359);
    DBGrid1->SetTitleFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DBGrid1->SetDataSource(DataSource1);

    connect(BtnRep, &QToolButton::clicked, this, [this] { guarded([this] { BtnRepClick(); }); });
    connect(BtnSave, &QToolButton::clicked, this, [this] { guarded([this] { BtnSaveClick(); }); });
    connect(BtnClear, &QToolButton::clicked, this,
            [this] { guarded([this] { BtnClearClick(); }); });

    setTabOrder(BtnRep, BtnSave);
    setTabOrder(BtnSave, BtnClear);
    setTabOrder(BtnClear, DBGrid1);
}

TSerchfrm::~TSerchfrm() {
    // The grid lets go of the query before either goes.
    DataSource1->SetDataSet(nullptr);
}

void TSerchfrm::done(int result) {
    guarded([this] { FormClose(); });
    QDialog::done(result);
}

void TSerchfrm::FormClose() {
    Query1->close();
}

void TSerchfrm::BtnRepClick() {
    if (!m_report) {
        m_ownReport = std::make_unique<TSerchRep>();
        m_report = m_ownReport.get();
    }
    ReadingTable::openQuery(*m_report->Query1);
    m_report->Report->Preview(this);
}

void TSerchfrm::SetSpreadsheetAutomation(std::unique_ptr<SpreadsheetAutomation> automation) {
    m_export.reset();
    m_automation = std::move(automation);
}

void TSerchfrm::BtnSaveClick() {
    if (!m_automation)
        m_automation = loadLibreOfficeAutomation();
    if (!m_export)
        m_export = std::make_unique<SpreadsheetExport>(*m_automation);
    TQueryExportSource source(*Query1);
    exportQueryToSpreadsheet(*m_export, source);
}

void TSerchfrm::BtnClearClick() {
    Query1->close();
    Table1->close();
    if (showMessageBox(QStringLiteral("Clear All Record,Yes or No?"), QMessageBox::Question,
                   QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    bool failed = false;
    {
        // Deleting a long table takes a while and nothing is served
        // meanwhile: the busy cursor tells the operator so.
        const BusyCursor busy;
        Table1->setActive(false);
        ReadingTable::attach(*Table1);
        Table1->setTableType(TableType::LocalFile);
        // A failure to open reaches the default exception display; nothing
        // has been deleted then.
        Table1->open();

        try {
            Table1->lockTable(LockType::Write);
            while (!Table1->atEnd())
                Table1->remove();
        } catch (...) {
            failed = true;
        }
        // The lock is released and the table closed before anything waits
        // for the operator: readings go on being stored meanwhile, and must
        // not find the table locked. Rows deleted before a failure stay
        // deleted.
        try {
            Table1->unlockTable(LockType::Write);
        } catch (...) {
            Table1->close();
            throw;
        }
        Table1->close();
    }
    if (failed)
        showPlainMessageBox(QStringLiteral("Failed to Clear Data from Table!"), applicationTitle());
}

void PrepareQueryWindow(TSerchfrm& window) {
    ReadingTable::openQuery(*window.Query1);
}

} // namespace tarvex

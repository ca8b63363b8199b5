#include "review/ReadingReport.h"

#include "store/ReadingTable.h"
#include "ui/Application.h"

#include <QCloseEvent>
#include <QCoreApplication>

namespace tarvex {

namespace {

TReportText Label(const QString& caption, double left, double top, double width, double height,
                  const QFont& font) {
    TReportText text;
    text.Caption = caption;
    text.Left = left;
    text.Top = top;
    text.Width = width;
    text.Height = height;
    text.Font = font;
    text.HasFont = true;
    return text;
}

TReportText FieldText(const QString& field, double left, double width) {
    TReportText text;
    text.FieldName = field;
    text.Left = left;
    text.Top = 4.76;
    text.Width = width;
    text.Height = 4.50;
    return text;
}

} // namespace

TSerchRep::TSerchRep(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SerchRep"));
    setWindowTitle(QStringLiteral("Serch-Rep"));
    // Never shown; closing it must not count as the last window closing.
    setAttribute(Qt::WA_QuitOnClose, false);

    Query1 = new Query(this);
    Query1->setObjectName(QStringLiteral("Query1"));
    Query1->setAlias(QString::fromLatin1(ReadingTable::kAlias));
    Query1->setSql({QString::fromLatin1(ReadingTable::kStatement)});

    Report = new TReport(this);
    Report->setObjectName(QStringLiteral("Report"));
    Report->SetDataSet(Query1);
    Report->PageLayout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    Report->Font = QFont(QStringLiteral("Arial"), 10);
    Report->PrintIfEmpty = true;

    QFont titleFont(QStringLiteral("MS Serif"), 18);
    titleFont.setBold(true);
    Report->TitleBand = {13.23,
                         {Label(QStringLiteral("TARVEX REPORT"), 59.53, 2.91, 0, 7.41, titleFont)}};

    const QFont headerFont(QStringLiteral("MS Serif"), 12);
    const auto header = [&](const char* caption, double left, double width) {
        return Label(QString::fromLatin1(caption), left, 2.91, width, 5.29, headerFont);
    };
    Report->ColumnHeaderBand = {10.32,
                                {header("Index", 9.00, 10.05), header("VolVal", 47.63, 12.17),
                                 header("CurVal", 86.25, 12.44), header("PowVal", 124.88, 13.76),
                                 header("Date", 163.51, 8.47)}};

    Report->DetailBand = {11.38,
                          {FieldText(QStringLiteral("ID"), 8.20, 3.44),
                           FieldText(QStringLiteral("VolVal"), 46.30, 10.32),
                           FieldText(QStringLiteral("CurVal"), 84.40, 10.58),
                           FieldText(QStringLiteral("PowVal"), 124.62, 11.91),
                           FieldText(QStringLiteral("TestDate"), 162.72, 14.02)}};

    connect(Report, &TReport::AfterPreview, this, &TSerchRep::ReportAfterPreview);
    connect(Report, &TReport::AfterPrint, this, &TSerchRep::ReportAfterPrint);
}

void TSerchRep::ReportAfterPreview() {
    PostClose();
}

void TSerchRep::ReportAfterPrint() {
    PostClose();
}

void TSerchRep::PostClose() {
    QCoreApplication::postEvent(this, new QCloseEvent());
}

void TSerchRep::FormClose() {
    Query1->close();
}

void TSerchRep::closeEvent(QCloseEvent* event) {
    guarded([this] { FormClose(); });
    event->accept();
}

} // namespace tarvex

#include "report/ReadingReport.h"

#include "readings/ReadingModel.h"
#include "ui/Application.h"

namespace tarvex {

namespace {

ReportText label(const QString& caption, double left, double top, double width, double height,
                 const QFont& font) {
    ReportText text;
    text.caption = caption;
    text.left = left;
    text.top = top;
    text.width = width;
    text.height = height;
    text.font = font;
    text.hasFont = true;
    return text;
}

ReportText fieldText(const QString& field, double left, double width) {
    ReportText text;
    text.fieldName = field;
    text.left = left;
    text.top = 4.76;
    text.width = width;
    text.height = 4.50;
    return text;
}

// A4 portrait with 10 mm margins, Arial 10 for the rows; the title on the
// first page, the column titles at the top of every page.
ReportLayout readingReportLayout() {
    ReportLayout layout;
    layout.pageLayout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    layout.font = QFont(QStringLiteral("Arial"), 10);
    layout.printIfEmpty = true;

    QFont titleFont(QStringLiteral("MS Serif"), 18);
    titleFont.setBold(true);
    layout.titleBand = {
        13.23, {label(ReadingReport::tr("TARVEX REPORT"), 59.53, 2.91, 0, 7.41, titleFont)}};

    const QFont headerFont(QStringLiteral("MS Serif"), 12);
    const auto header = [&](const char* caption, double left, double width) {
        return label(ReadingReport::tr(caption), left, 2.91, width, 5.29, headerFont);
    };
    layout.columnHeaderBand = {
        10.32,
        {header(QT_TRANSLATE_NOOP("tarvex::ReadingReport", "Index"), 9.00, 10.05),
         header(QT_TRANSLATE_NOOP("tarvex::ReadingReport", "VolVal"), 47.63, 12.17),
         header(QT_TRANSLATE_NOOP("tarvex::ReadingReport", "CurVal"), 86.25, 12.44),
         header(QT_TRANSLATE_NOOP("tarvex::ReadingReport", "PowVal"), 124.88, 13.76),
         header(QT_TRANSLATE_NOOP("tarvex::ReadingReport", "Date"), 163.51, 8.47)}};

    layout.detailBand = {11.38,
                         {fieldText(QStringLiteral("ID"), 8.20, 3.44),
                          fieldText(QStringLiteral("VolVal"), 46.30, 10.32),
                          fieldText(QStringLiteral("CurVal"), 84.40, 10.58),
                          fieldText(QStringLiteral("PowVal"), 124.62, 11.91),
                          fieldText(QStringLiteral("TestDate"), 162.72, 14.02)}};
    return layout;
}

// The summary of a run, below its last reading: a title, then a caption and a
// value on each line.
ReportBand summaryBand(const RunRecord& run) {
    constexpr double kTitleTop = 6.0;
    constexpr double kFirstLine = 15.0;
    constexpr double kLine = 5.6;
    QFont titleFont(QStringLiteral("MS Serif"), 12);
    titleFont.setBold(true);
    QFont captionFont(QStringLiteral("Arial"), 10);
    captionFont.setBold(true);
    const QFont valueFont(QStringLiteral("Arial"), 10);

    ReportBand band;
    band.texts << label(ReadingReport::tr("RUN SUMMARY"), 9.00, kTitleTop, 40, 5.29, titleFont);
    double top = kFirstLine;
    for (const auto& [caption, value] : runSummaryLines(run)) {
        band.texts << label(caption, 9.00, top, 36, 5.0, captionFont);
        band.texts << label(value, 47.63, top, 140, 5.0, valueFont);
        top += kLine;
    }
    band.height = top + 2;
    return band;
}

} // namespace

ReadingReport::ReadingReport(QObject* parent) : BandReport(parent) {
    setObjectName(QStringLiteral("readingReport"));

    m_readings = new ReadingModel(this);
    m_readings->setObjectName(QStringLiteral("model"));
    setModel(m_readings);
    setLayout(readingReportLayout());

    connect(this, &BandReport::previewClosed, this, &ReadingReport::closeReadings,
            Qt::QueuedConnection);
    connect(this, &BandReport::printFinished, this, &ReadingReport::closeReadings,
            Qt::QueuedConnection);
}

void ReadingReport::openReadings() {
    m_readings->open();
}

void ReadingReport::setRun(const std::optional<RunRecord>& run, IdRange readings) {
    m_run = run;
    m_readings->setIdRange(run ? std::optional<IdRange>(readings) : std::nullopt);
    ReportLayout layout = readingReportLayout();
    if (run)
        layout.summaryBand = summaryBand(*run);
    setLayout(layout);
}

void ReadingReport::closeReadings() {
    guarded([this] { m_readings->close(); });
}

} // namespace tarvex

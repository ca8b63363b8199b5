#include "report/ReportPreviewDialog.h"

#include "report/BandReport.h"
#include "report/ReportPreviewView.h"
#include "ui/Application.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {

namespace {

// The texts and pictures are those of Qt's own print preview, so that the
// window reads (and is translated) as any print preview of the desktop.
QString previewText(const char* text) {
    return QCoreApplication::translate("QPrintPreviewDialog", text);
}

QIcon previewIcon(const char* name) {
    const QString prefix = QStringLiteral(":/qt-project.org/dialogs/qprintpreviewdialog/images/") +
                           QLatin1String(name);
    QIcon icon;
    icon.addFile(prefix + QStringLiteral("-24.png"), QSize(24, 24));
    icon.addFile(prefix + QStringLiteral("-32.png"), QSize(32, 32));
    return QIcon::fromTheme(QLatin1String(name), icon);
}

// The zoom factors offered, in per cent.
constexpr double kZoomSteps[] = {12.5, 25, 50, 100, 125, 150, 200, 400, 800};

} // namespace

ReportPreviewDialog::ReportPreviewDialog(BandReport& report, QPrinter& printer, QWidget* parent)
    : QDialog(parent), m_report(report), m_printer(printer) {
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(previewText(QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Print Preview")));
    setSizeGripEnabled(true);

    m_view = new ReportPreviewView(report, printer, this);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("toolBar"));

    m_fitGroup = new QActionGroup(this);
    m_fitWidth = addAction(m_fitGroup, "fitWidthAction",
                           QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Fit width"), "zoom-fit-width");
    m_fitPage = addAction(m_fitGroup, "fitPageAction",
                          QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Fit page"), "zoom-fit-page");
    m_fitWidth->setCheckable(true);
    m_fitPage->setCheckable(true);
    m_fitPage->setChecked(true);

    auto* zoomGroup = new QActionGroup(this);
    m_zoomIn = addAction(zoomGroup, "zoomInAction",
                         QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Zoom in"), "zoom-in");
    m_zoomOut = addAction(zoomGroup, "zoomOutAction",
                          QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Zoom out"), "zoom-out");

    auto* orientationGroup = new QActionGroup(this);
    m_portrait = addAction(orientationGroup, "portraitAction",
                           QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Portrait"), "layout-portrait");
    m_landscape =
        addAction(orientationGroup, "landscapeAction",
                  QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Landscape"), "layout-landscape");
    m_portrait->setCheckable(true);
    m_landscape->setCheckable(true);

    m_navigationGroup = new QActionGroup(this);
    m_navigationGroup->setExclusive(false);
    m_firstPage = addAction(m_navigationGroup, "firstPageAction",
                            QT_TRANSLATE_NOOP("QPrintPreviewDialog", "First page"), "go-first");
    m_previousPage =
        addAction(m_navigationGroup, "previousPageAction",
                  QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Previous page"), "go-previous");
    m_nextPage = addAction(m_navigationGroup, "nextPageAction",
                           QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Next page"), "go-next");
    m_lastPage = addAction(m_navigationGroup, "lastPageAction",
                           QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Last page"), "go-last");

    auto* modeGroup = new QActionGroup(this);
    m_singleMode = addAction(modeGroup, "singleModeAction",
                             QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Show single page"),
                             "view-pages-single");
    m_facingMode = addAction(modeGroup, "facingModeAction",
                             QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Show facing pages"),
                             "view-pages-facing");
    m_overviewMode =
        addAction(modeGroup, "overviewModeAction",
                  QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Show overview of all pages"),
                  "view-pages-overview");
    for (QAction* mode : {m_singleMode, m_facingMode, m_overviewMode})
        mode->setCheckable(true);
    m_singleMode->setChecked(true);

    auto* printerGroup = new QActionGroup(this);
    m_print = addAction(printerGroup, "printAction",
                        QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Print"), "printer");
    m_pageSetup = addAction(printerGroup, "pageSetupAction",
                            QT_TRANSLATE_NOOP("QPrintPreviewDialog", "Page setup"), "page-setup");

    m_zoomFactor = new QComboBox(toolBar);
    m_zoomFactor->setObjectName(QStringLiteral("zoomFactor"));
    m_zoomFactor->setEditable(true);
    m_zoomFactor->setMinimumContentsLength(7);
    m_zoomFactor->setInsertPolicy(QComboBox::NoInsert);
    for (const double step : kZoomSteps)
        m_zoomFactor->addItem(QStringLiteral("%1%").arg(step));

    m_pageNumber = new QLineEdit(toolBar);
    m_pageNumber->setObjectName(QStringLiteral("pageNumber"));
    m_pageNumber->setAlignment(Qt::AlignRight);
    m_pageNumber->setContextMenuPolicy(Qt::NoContextMenu);
    m_pageCountLabel = new QLabel(toolBar);
    m_pageCountLabel->setObjectName(QStringLiteral("pageCount"));
    auto* pageEdit = new QWidget(toolBar);
    auto* pageLayout = new QHBoxLayout(pageEdit);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_pageNumber);
    pageLayout->addWidget(m_pageCountLabel);

    toolBar->addAction(m_fitWidth);
    toolBar->addAction(m_fitPage);
    toolBar->addSeparator();
    toolBar->addWidget(m_zoomFactor);
    toolBar->addAction(m_zoomOut);
    toolBar->addAction(m_zoomIn);
    toolBar->addSeparator();
    toolBar->addAction(m_portrait);
    toolBar->addAction(m_landscape);
    toolBar->addSeparator();
    toolBar->addAction(m_firstPage);
    toolBar->addAction(m_previousPage);
    toolBar->addWidget(pageEdit);
    toolBar->addAction(m_nextPage);
    toolBar->addAction(m_lastPage);
    toolBar->addSeparator();
    toolBar->addAction(m_singleMode);
    toolBar->addAction(m_facingMode);
    toolBar->addAction(m_overviewMode);
    toolBar->addSeparator();
    toolBar->addAction(m_pageSetup);
    toolBar->addAction(m_print);

    // Zooming repeats while its button is held.
    for (QAction* zoom : {m_zoomIn, m_zoomOut}) {
        auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(zoom));
        button->setAutoRepeat(true);
        button->setAutoRepeatInterval(200);
        button->setAutoRepeatDelay(200);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_view);

    connect(m_fitWidth, &QAction::triggered, this, [this] {
        setFitting(m_fitWidth);
        m_view->setZoomMode(ReportPreviewView::ZoomMode::FitToWidth);
    });
    connect(m_fitPage, &QAction::triggered, this, [this] {
        setFitting(m_fitPage);
        m_view->setZoomMode(ReportPreviewView::ZoomMode::FitInView);
    });
    connect(m_zoomIn, &QAction::triggered, this, [this] {
        setFitting(nullptr);
        m_view->zoomIn();
    });
    connect(m_zoomOut, &QAction::triggered, this, [this] {
        setFitting(nullptr);
        m_view->zoomOut();
    });
    connect(m_zoomFactor->lineEdit(), &QLineEdit::editingFinished, this,
            &ReportPreviewDialog::applyZoomText);
    connect(m_zoomFactor, &QComboBox::activated, this, &ReportPreviewDialog::applyZoomText);
    const auto orient = [this](QPageLayout::Orientation orientation) {
        guarded([&] {
            m_printer.setPageOrientation(orientation);
            m_view->updatePreview();
        });
    };
    connect(m_portrait, &QAction::triggered, this, [orient] { orient(QPageLayout::Portrait); });
    connect(m_landscape, &QAction::triggered, this, [orient] { orient(QPageLayout::Landscape); });
    connect(m_firstPage, &QAction::triggered, m_view, [this] { m_view->setCurrentPage(1); });
    connect(m_previousPage, &QAction::triggered, m_view,
            [this] { m_view->setCurrentPage(m_view->currentPage() - 1); });
    connect(m_nextPage, &QAction::triggered, m_view,
            [this] { m_view->setCurrentPage(m_view->currentPage() + 1); });
    connect(m_lastPage, &QAction::triggered, m_view,
            [this] { m_view->setCurrentPage(m_view->pageCount()); });
    connect(m_pageNumber, &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const int page = m_pageNumber->text().toInt(&ok);
        if (ok)
            m_view->setCurrentPage(page);
        else
            updateControls();
    });
    // A page or two are fitted again (to the width if that was chosen); the
    // overview fits every page.
    const auto setMode = [this](ReportPreviewView::ViewMode mode) {
        const bool byWidth = m_fitWidth->isChecked();
        m_view->setViewMode(mode);
        if (mode != ReportPreviewView::ViewMode::AllPages)
            m_view->setZoomMode(byWidth ? ReportPreviewView::ZoomMode::FitToWidth
                                        : ReportPreviewView::ZoomMode::FitInView);
    };
    connect(m_singleMode, &QAction::triggered, this,
            [setMode] { setMode(ReportPreviewView::ViewMode::SinglePage); });
    connect(m_facingMode, &QAction::triggered, this,
            [setMode] { setMode(ReportPreviewView::ViewMode::FacingPages); });
    connect(m_overviewMode, &QAction::triggered, this,
            [setMode] { setMode(ReportPreviewView::ViewMode::AllPages); });
    connect(m_print, &QAction::triggered, this, &ReportPreviewDialog::printWithDialog);
    connect(m_pageSetup, &QAction::triggered, this, &ReportPreviewDialog::setUpPage);
    connect(m_view, &ReportPreviewView::previewChanged, this, &ReportPreviewDialog::updateControls);

    // Without a printer there is no page setup to offer.
    m_pageSetup->setEnabled(m_printer.isValid());

    try {
        m_view->updatePreview();
    } catch (...) {
        disconnectEditors();
        throw;
    }
    m_view->setFocus();
}

ReportPreviewDialog::~ReportPreviewDialog() {
    disconnectEditors();
}

void ReportPreviewDialog::preview(BandReport& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    report.setUpPrinter(printer);
    {
        ReportPreviewDialog dialog(report, printer, parent);
        dialog.exec();
    }
    emit report.previewClosed();
}

// The editors report a last edit when they lose the focus as the window goes;
// the view has gone by then.
void ReportPreviewDialog::disconnectEditors() {
    m_zoomFactor->lineEdit()->disconnect(this);
    m_pageNumber->disconnect(this);
}

QAction* ReportPreviewDialog::addAction(QActionGroup* group, const char* name, const char* text,
                                        const char* icon) {
    QAction* action = group->addAction(previewText(text));
    action->setObjectName(QLatin1String(name));
    action->setIcon(previewIcon(icon));
    return action;
}

int ReportPreviewDialog::pageCount() const {
    return m_view->pageCount();
}

int ReportPreviewDialog::currentPage() const {
    return m_view->currentPage();
}

// Checks one of the fitting actions, or none (a zoom of its own).
void ReportPreviewDialog::setFitting(QAction* fit) {
    m_fitGroup->setExclusive(fit != nullptr);
    m_fitWidth->setChecked(fit == m_fitWidth);
    m_fitPage->setChecked(fit == m_fitPage);
}

void ReportPreviewDialog::applyZoomText() {
    QString text = m_zoomFactor->currentText();
    // The editor reports its text also when it merely loses the focus.
    if (text == QString::asprintf("%.1f%%", m_view->zoomFactor() * 100))
        return;
    text.remove(QLatin1Char('%'));
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    if (!ok)
        value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok) {
        updateControls();
        return;
    }
    setFitting(nullptr);
    m_view->setZoomFactor(std::clamp(value, 1.0, 1000.0) / 100);
}

void ReportPreviewDialog::updateControls() {
    const int page = m_view->currentPage();
    const int pages = m_view->pageCount();
    m_firstPage->setEnabled(page > 1);
    m_previousPage->setEnabled(page > 1);
    m_nextPage->setEnabled(page < pages);
    m_lastPage->setEnabled(page < pages);
    m_pageNumber->setText(QString::number(page));
    m_pageCountLabel->setText(QStringLiteral("/ %1").arg(pages));
    const int digits = int(QString::number(pages).size());
    const int width = m_pageNumber->minimumSizeHint().width() +
                      fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('8')));
    m_pageNumber->setFixedWidth(width);
    if (auto* validator = qobject_cast<const QIntValidator*>(m_pageNumber->validator()))
        const_cast<QIntValidator*>(validator)->setRange(1, std::max(1, pages));
    else
        m_pageNumber->setValidator(new QIntValidator(1, std::max(1, pages), m_pageNumber));
    m_zoomFactor->setEditText(QString::asprintf("%.1f%%", m_view->zoomFactor() * 100));
    const bool portrait = m_printer.pageLayout().orientation() == QPageLayout::Portrait;
    m_portrait->setChecked(portrait);
    m_landscape->setChecked(!portrait);
    const ReportPreviewView::ViewMode mode = m_view->viewMode();
    const bool overview = mode == ReportPreviewView::ViewMode::AllPages;
    m_singleMode->setChecked(mode == ReportPreviewView::ViewMode::SinglePage);
    m_facingMode->setChecked(mode == ReportPreviewView::ViewMode::FacingPages);
    m_overviewMode->setChecked(overview);
    // Fitting and paging mean nothing in the overview.
    m_fitGroup->setEnabled(!overview);
    m_navigationGroup->setEnabled(!overview);
    m_pageNumber->setEnabled(!overview);
    m_pageCountLabel->setEnabled(!overview);
    if (overview) {
        setFitting(nullptr);
    } else {
        switch (m_view->zoomMode()) {
        case ReportPreviewView::ZoomMode::FitToWidth:
            setFitting(m_fitWidth);
            break;
        case ReportPreviewView::ZoomMode::FitInView:
            setFitting(m_fitPage);
            break;
        case ReportPreviewView::ZoomMode::Custom:
            setFitting(nullptr);
            break;
        }
    }
}

int ReportPreviewDialog::print() {
    return m_report.print(m_printer, m_view->currentPage(), this);
}

void ReportPreviewDialog::printWithDialog() {
    guarded([this] {
        QPrintDialog dialog(&m_printer, this);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
        dialog.setOption(QAbstractPrintDialog::PrintToFile);
        dialog.setMinMax(1, std::max(1, m_view->pageCount()));
        if (dialog.exec() != QDialog::Accepted)
            return;
        print();
        accept();
    });
}

void ReportPreviewDialog::setUpPage() {
    guarded([this] {
        QPageSetupDialog dialog(&m_printer, this);
        if (dialog.exec() == QDialog::Accepted)
            m_view->updatePreview();
    });
}

} // namespace tarvex

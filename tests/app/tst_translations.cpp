// The program's texts and Qt's translation system: every text a person reads
// goes through the translator, the shipped translations are finished and
// complete, and each language reads back in the windows, the message boxes,
// the report and the command line's help.
#include "support/MessageBoxRecorder.h"
#include "support/StoreFixture.h"
#include "support/WindowFinder.h"

#include "app/AboutDialog.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/Translations.h"
#include "control/ControlWindow.h"
#include "control/PortSettingsDialog.h"
#include "control/RunLimitsDialog.h"
#include "headless/RunOutput.h"
#include "headless/StoredRuns.h"
#include "report/ReadingReport.h"
#include "report/ReportPreviewDialog.h"
#include "review/CompareWindow.h"
#include "review/QueryWindow.h"
#include "review/RunsWindow.h"
#include "store/ReadingStore.h"
#include "ui/MessageBoxes.h"
#include "widgets/StripChart.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <cerrno>
#include <memory>

using namespace tarvex;

namespace {

const QString kSourceDir = QStringLiteral(TARVEX_SOURCE_TRANSLATIONS_DIR);
const QString kBuiltDir = QStringLiteral(TARVEX_BUILT_TRANSLATIONS_DIR);
const QStringList kShipped = {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("zh_CN")};

// One message of a .ts file.
struct TsEntry {
    QString context;
    QString source;
    QString translation;
    QString type; // the translation's type attribute: "unfinished", "vanished", ...
};

QList<TsEntry> readTs(const QString& fileName, QString* error = nullptr) {
    QList<TsEntry> entries;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return entries;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsEntry entry;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("context")) {
            context.clear();
        } else if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            entry = TsEntry{context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            entry.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            entry.type = xml.attributes().value(QLatin1String("type")).toString();
            entry.translation = xml.readElementText();
            entries << entry;
        }
    }
    if (xml.hasError() && error)
        *error = xml.errorString();
    return entries;
}

QString tsFile(const QString& language) {
    return QDir(kSourceDir).filePath(QStringLiteral("tarvex_%1.ts").arg(language));
}

QSet<QString> keysOf(const QList<TsEntry>& entries) {
    QSet<QString> keys;
    for (const TsEntry& e : entries)
        keys << e.context + QLatin1String(" | ") + e.source;
    return keys;
}

// The placeholders of a text (%1, %2, ...), in order of their numbers.
QStringList placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

// Turns every text the program marks for translation into the text between
// ⟦ and ⟧, and leaves every other text alone: what shows without the marks
// was never read through the translator.
class PseudoTranslator : public QTranslator {
public:
    explicit PseudoTranslator(const QList<TsEntry>& entries) : m_keys(keysOf(entries)) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* = nullptr,
                      int = -1) const override {
        const QString text = QString::fromUtf8(source);
        if (!m_keys.contains(QString::fromUtf8(context) + QLatin1String(" | ") + text))
            return {};
        return QStringLiteral("⟦%1⟧").arg(text);
    }

private:
    QSet<QString> m_keys;
};

// What is left of a shown text once the translated parts and the data given
// to the window are taken out, when letters are left; empty otherwise.
QString untranslatedPart(QString text, const QStringList& data) {
    static const QRegularExpression marked(QStringLiteral("⟦[^⟦⟧]*⟧"));
    static const QRegularExpression letter(QStringLiteral("\\p{L}"));
    for (const QString& d : data)
        text.remove(d);
    // Innermost first: a translated text may hold another ("%1 (zoomed)").
    while (text.contains(marked))
        text.remove(marked);
    return text.contains(letter) ? text : QString();
}

// Every text the widget and its children show a person or assistive
// technology: titles, captions, labels, menus, accessible names, tool tips.
// Texts the operator typed or chose (edits, the port list) are data.
QList<QPair<QString, QString>> shownTexts(QWidget* top) {
    QList<QPair<QString, QString>> texts;
    const auto add = [&](const QObject* o, const char* what, const QString& text) {
        if (!text.isEmpty())
            texts.append({QStringLiteral("%1 %2").arg(o->objectName(), QLatin1String(what)), text});
    };
    add(top, "window title", top->windowTitle());
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        add(w, "accessible name", w->accessibleName());
        add(w, "tool tip", w->toolTip());
        if (auto* label = qobject_cast<QLabel*>(w))
            add(w, "label", label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(w, "caption", button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w))
            add(w, "group title", group->title());
        if (auto* menu = qobject_cast<QMenu*>(w))
            add(w, "menu title", menu->title());
        if (auto* spin = qobject_cast<QSpinBox*>(w))
            add(w, "suffix", spin->suffix());
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(w))
            add(w, "suffix", spin->suffix());
    }
    for (QAction* action : top->findChildren<QAction*>()) {
        add(action, "action", action->text());
        add(action, "action tool tip", action->toolTip());
    }
    return texts;
}

// The entries of a list or table, and its column titles, as a view shows them.
QList<QPair<QString, QString>> itemTexts(const QAbstractItemView* view) {
    QList<QPair<QString, QString>> texts;
    const QAbstractItemModel* model = view->model();
    const QString where = view->objectName();
    for (int c = 0; c < model->columnCount(); ++c) {
        texts.append({where + QStringLiteral(" column title"),
                      model->headerData(c, Qt::Horizontal).toString()});
        for (int r = 0; r < model->rowCount(); ++r)
            texts.append({where + QStringLiteral(" entry"), model->index(r, c).data().toString()});
    }
    return texts;
}

// The report's texts on its pages: the title and the column titles.
QStringList reportCaptions(const BandReport& report) {
    QStringList captions;
    for (const ReportBand* band : {&report.layout().titleBand, &report.layout().columnHeaderBand,
                                   &report.layout().summaryBand})
        for (const ReportText& text : band->texts)
            captions << text.caption;
    return captions;
}

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Asks the control window to show what the run tells it (its slots, as the
// run calls them).
void tell(ControlWindow& window, const char* slot, QGenericArgument a = {},
          QGenericArgument b = {}) {
    if (!QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection, a, b))
        qFatal("the control window has no slot %s", slot);
}

const QString kPort = QStringLiteral("/dev/ttyQ7");
const QString kOtherPort = QStringLiteral("/dev/ttyQ8");

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> engine;

private slots:
    void init() {
        QLocale::setDefault(QLocale::c());
        engine = std::make_unique<ScratchStore>();
    }
    void cleanup() {
        engine.reset();
        QLocale::setDefault(QLocale::c());
    }

    // Each window, the status bar, the message boxes, the report with its
    // preview and the help, with every text translated into itself between
    // marks: any text without marks was not read through the translator.
    void everyShownTextIsMarked() {
        QString error;
        const QList<TsEntry> entries = readTs(tsFile(QStringLiteral("en")), &error);
        QVERIFY2(!entries.isEmpty(), qPrintable(error));
        PseudoTranslator pseudo(entries);
        QVERIFY(QCoreApplication::installTranslator(&pseudo));
        const auto removeTranslator =
            qScopeGuard([&] { QCoreApplication::removeTranslator(&pseudo); });
        MessageBoxRecorder boxes(QMessageBox::Yes);
        const BeepHandler previousBeep = setBeepHandler([] {});
        const auto restoreBeep = qScopeGuard([&] { setBeepHandler(previousBeep); });

        Program program(engine->dataDir());
        ControlWindow& window = *program.controlWindow();
        window.show();
        // The charts' menu, as a right click opens it.
        auto* chart = child<StripChart>(&window, "voltageChart");
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                chart->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(chart, &click);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();

        // What the run tells the window, with the data it brings.
        QStringList data = {kPort, kOtherPort, QStringLiteral("EACCES")};
        tell(window, "showPoll");
        tell(window, "showPortOpenFailed", Q_ARG(int, EACCES), Q_ARG(QString, data.last()));
        tell(window, "showStopAtMinimumVoltage");
        tell(window, "showStopForSilence", Q_ARG(QString, kPort), Q_ARG(int, 10000));
        QList<QPair<QString, QString>> texts = shownTexts(&window);
        tell(window, "showLoadStillOn", Q_ARG(QString, kPort), Q_ARG(double, 1.5));
        tell(window, "showPortChange", Q_ARG(QString, kPort), Q_ARG(QString, kOtherPort));
        texts += shownTexts(&window);
        tell(window, "showPortChange", Q_ARG(QString, kPort), Q_ARG(QString, kPort));
        tell(window, "showLoadMayStillBeOn", Q_ARG(QString, kPort));
        texts += shownTexts(&window);
        tell(window, "showGuardFailed", Q_ARG(QString, data.last()));
        tell(window, "showLinkLost", Q_ARG(QString, kPort));
        texts += shownTexts(&window);
        tell(window, "showLinkBack", Q_ARG(QString, kPort));
        texts += shownTexts(&window);
        tell(window, "showSilence", Q_ARG(bool, true));
        tell(window, "showStoringDelayed", Q_ARG(QString, data.last()));
        texts += shownTexts(&window);
        tell(window, "showWaitingReadings", Q_ARG(int, 12));
        texts += shownTexts(&window);
        tell(window, "showWaitingReadingsWritten", Q_ARG(int, 12));
        tell(window, "showWaitingReadingsOverflowed", Q_ARG(int, 18000));
        texts += shownTexts(&window);
        // Load ON refused for an interval the line cannot carry.
        child<QLineEdit>(program.portSettingsDialog(), "intervalEdit")
            ->setText(QStringLiteral("10"));
        texts += shownTexts(program.portSettingsDialog());
        texts += shownTexts(program.aboutDialog());

        // Two stored runs, one with a label and every limit armed: the
        // limits dialog holding them, the query window's chooser, the runs
        // list, the comparison and the run's summary in the report.
        RunLimits limits;
        limits.maxElapsedMs = 5'400'000;
        limits.maxAmpHours = 1.5;
        limits.maxWattHours = 20;
        const QString label = QStringLiteral("cell A");
        data << label;
        program.limitsDialog()->setEntries(limits, label);
        texts += shownTexts(program.limitsDialog());
        texts.append({QStringLiteral("armed limits"), armedLimitsText(limits)});
        for (const RunEnd end : {RunEnd::TimeLimit, RunEnd::ChargeLimit, RunEnd::EnergyLimit})
            texts.append({QStringLiteral("limit reached"), limitReachedText(end, limits)});
        QList<RunRecord> runs;
        {
            ReadingStore store;
            // A run is known by its start: an hour apart.
            QDateTime startedAt = QDateTime::fromMSecsSinceEpoch(1'796'976'000'000, Qt::UTC);
            const QList<std::tuple<QString, RunLimits, RunEnd>> stored = {
                {label, limits, RunEnd::ChargeLimit}, {QString(), RunLimits{}, RunEnd::LoadOff}};
            for (const auto& [runLabel, runLimits, end] : stored) {
                startedAt = startedAt.addSecs(3600);
                const qint64 id =
                    store.beginRun({startedAt, 10.5, 200, kPort, runLabel, runLimits});
                for (int i = 0; i < 3; ++i)
                    store.append(nthReading(i), startedAt.addMSecs(i * 200), RunStamp{id, i * 200});
                store.endRun(id, end, startedAt.addMSecs(600));
            }
            runs = store.runs();
        }
        QCOMPARE(runs.size(), 2);
        program.queryWindow()->openRun(runs.first().id);
        texts += shownTexts(program.queryWindow());
        auto* chooser = child<QComboBox>(program.queryWindow(), "runChooser");
        QCOMPARE(chooser->count(), 3);
        texts += itemTexts(chooser->view());
        RunsWindow runsWindow(program.queryWindow());
        runsWindow.openRuns();
        texts += shownTexts(&runsWindow);
        texts += itemTexts(child<QAbstractItemView>(&runsWindow, "runsTable"));
        CompareWindow compare;
        QList<CompareRun> compared;
        for (int k = 0; k <= kOverlayColorCount; ++k) {
            CompareRun c{runs[k % 2], {}};
            c.run.id += 2 * k;
            for (int i = 0; i < 3; ++i)
                c.readings << RunReading{i,       1'796'976'000'000 + i * 200, i * 200, 12.0 - i, 1,
                                         12.0 - i};
            compared << c;
        }
        compare.setRuns(compared.mid(0, 2));
        texts += shownTexts(&compare);
        compare.setRuns(compared);
        texts += shownTexts(&compare);
        for (int k = 0; k < compare.chart()->seriesCount(); ++k)
            texts.append({QStringLiteral("compare legend"), compare.chart()->seriesLabel(k)});

        // The words of the commands without a window: the status line with
        // and without limits, the summary, the list of runs (whose stop keys
        // are data for scripts).
        RunProgress progress;
        progress.readings = 3;
        progress.limits = limits;
        texts.append({QStringLiteral("status line"), statusLineText(progress)});
        progress.limits = {};
        texts.append({QStringLiteral("status line"), statusLineText(progress)});
        const RunSummary summary{
            3, limitReachedText(RunEnd::ChargeLimit, limits), runs.first(), true, 2, true};
        texts.append({QStringLiteral("summary"), summaryText(summary)});
        data << runEndKey(RunEnd::ChargeLimit) << runEndKey(RunEnd::LoadOff);
        texts.append({QStringLiteral("runs listing"), runsListing(runs, false)});
        QVERIFY(boxes.boxes().size() >= 8);
        for (const MessageRequest& box : boxes.boxes()) {
            texts.append({QStringLiteral("message box title"), box.title});
            texts.append({QStringLiteral("message box"), box.text});
        }
        ReadingReport report;
        report.setRun(runs.first(), IdRange{runs.first().firstId, runs.first().lastId});
        for (const QString& caption : reportCaptions(report))
            texts.append({QStringLiteral("report"), caption});
        QPrinter printer;
        ReportPreviewDialog preview(report, printer);
        texts += shownTexts(&preview);
        QVERIFY(texts.size() > 60);

        // The help of the program and of each command, and a refusal of
        // each, with the options' names taken out.
        const QList<QStringList> commandLines = {
            {QStringLiteral("--help")},
            {QStringLiteral("run"), QStringLiteral("--help")},
            {QStringLiteral("run"), QStringLiteral("--port"), kPort},
            {QStringLiteral("runs"), QStringLiteral("--help")},
            {QStringLiteral("runs"), QStringLiteral("surplus")},
            {QStringLiteral("export"), QStringLiteral("--help")},
            {QStringLiteral("export"), QStringLiteral("--run"), QStringLiteral("1")}};
        data << QStringLiteral("surplus");
        for (const QStringList& arguments : commandLines) {
            QString help = parseCommandLine(QStringList{QStringLiteral("tarvex")} + arguments).text;
            help.remove(QRegularExpression(QStringLiteral("--?[a-z-]+|<[A-Z]+>")));
            texts.append({arguments.join(QLatin1Char(' ')), help});
        }

        // The program's name titles its plain boxes.
        data << QCoreApplication::applicationName() << QStringLiteral("tarvex")
             << QStringLiteral("www.example.com");
        QStringList unmarked;
        for (const auto& [where, text] : texts) {
            const QString left = untranslatedPart(text, data);
            if (!left.isEmpty())
                unmarked << QStringLiteral("%1: \"%2\"").arg(where, left);
        }
        unmarked.removeDuplicates();
        QVERIFY2(unmarked.isEmpty(), qPrintable(unmarked.join(QLatin1Char('\n'))));
    }

    // Each shipped translation: finished, with every text of the program (no
    // more, no fewer than the English one), and the placeholders of each
    // source text in its translation.
    void shippedTranslationIsFinished_data() {
        QTest::addColumn<QString>("language");
        for (const QString& language : kShipped)
            QTest::newRow(qPrintable(language)) << language;
    }
    void shippedTranslationIsFinished() {
        QFETCH(QString, language);
        QString error;
        const QList<TsEntry> entries = readTs(tsFile(language), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(keysOf(entries), keysOf(readTs(tsFile(QStringLiteral("en")))));
        QStringList faults;
        for (const TsEntry& e : entries) {
            const QString where = QStringLiteral("%1 \"%2\"").arg(e.context, e.source);
            if (!e.type.isEmpty())
                faults << QStringLiteral("%1: %2").arg(where, e.type);
            else if (e.translation.trimmed().isEmpty())
                faults << QStringLiteral("%1: no translation").arg(where);
            else if (placeholders(e.translation) != placeholders(e.source))
                faults << QStringLiteral("%1: placeholders %2").arg(where, e.translation);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The texts the sources mark now are those the .ts files hold: a text
    // marked, changed or removed since they were last brought up to date
    // shows here (lupdate, where it is installed).
    void translationsFollowTheSources() {
        const QString lupdate = QStringLiteral(TARVEX_LUPDATE);
        if (lupdate.isEmpty() || !QFile::exists(lupdate))
            QSKIP("lupdate is not installed");
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(lupdate, {QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                                QStringLiteral("none"), QStringLiteral(TARVEX_SOURCE_DIR),
                                QStringLiteral("-ts"), fresh});
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitCode() == 0, process.readAll().constData());
        const QSet<QString> marked = keysOf(readTs(fresh));
        const QSet<QString> shipped = keysOf(readTs(tsFile(QStringLiteral("en"))));
        QVERIFY(!marked.isEmpty());
        QStringList missing = QSet(marked).subtract(shipped).values();
        QStringList gone = QSet(shipped).subtract(marked).values();
        missing.sort();
        gone.sort();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("not in the translations (run the target "
                                           "update_translations and translate them):\n") +
                            missing.join(QLatin1Char('\n'))));
        QVERIFY2(gone.isEmpty(), qPrintable(QStringLiteral("no longer in the sources:\n") +
                                            gone.join(QLatin1Char('\n'))));
    }

    // The control window, the port dialog, a message box and the report in
    // each shipped language, and as written with "source".
    void windowsReadInTheLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("loadOn");
        QTest::addColumn<QString>("frontPanel");
        QTest::addColumn<QString>("dialogTitle");
        QTest::addColumn<QString>("portCaption");
        QTest::addColumn<QString>("stopMessage");
        QTest::addColumn<QString>("boxTitle");
        QTest::addColumn<QString>("reportColumn");
        QTest::newRow("source") << "source"
                                << "Load ON"
                                << "Self Control"
                                << "Com Setting"
                                << "Comm Port"
                                << "The Minnum Voltag is Protect!"
                                << "Warning"
                                << "VolVal";
        QTest::newRow("en") << "en"
                            << "Load ON"
                            << "Front Panel"
                            << "Port Settings"
                            << "Port"
                            << "Minimum voltage reached: the load was switched off."
                            << "Warning"
                            << "Voltage";
        QTest::newRow("de") << "de"
                            << "Last EIN"
                            << "Bedienfeld"
                            << "Anschlusseinstellungen"
                            << "Anschluss"
                            << "Mindestspannung erreicht: Die Last wurde abgeschaltet."
                            << "Warnung"
                            << "Spannung";
        QTest::newRow("zh_CN") << "zh_CN"
                               << "负载接通"
                               << "面板控制"
                               << "串口设置"
                               << "串口"
                               << "已达到最低电压：负载已断开。"
                               << "警告"
                               << "电压";
        // A regional variant finds the language's translation.
        QTest::newRow("de_AT") << "de_AT"
                               << "Last EIN"
                               << "Bedienfeld"
                               << "Anschlusseinstellungen"
                               << "Anschluss"
                               << "Mindestspannung erreicht: Die Last wurde abgeschaltet."
                               << "Warnung"
                               << "Spannung";
    }
    void windowsReadInTheLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, loadOn);
        QFETCH(QString, frontPanel);
        QFETCH(QString, dialogTitle);
        QFETCH(QString, portCaption);
        QFETCH(QString, stopMessage);
        QFETCH(QString, boxTitle);
        QFETCH(QString, reportColumn);
        Translations translations;
        QVERIFY(translations.install(language, kBuiltDir));
        QCOMPARE(translations.installedFile().isEmpty(), language == QLatin1String("source"));
        MessageBoxRecorder boxes(QMessageBox::Yes);

        Program program(engine->dataDir());
        ControlWindow& window = *program.controlWindow();
        auto* loadOnButton = child<QPushButton>(&window, "loadOnButton");
        QCOMPARE(loadOnButton->text(), loadOn);
        QCOMPARE(loadOnButton->accessibleName(), loadOn);
        QCOMPARE(child<QPushButton>(&window, "frontPanelButton")->text(), frontPanel);
        PortSettingsDialog& dialog = *program.portSettingsDialog();
        QCOMPARE(dialog.windowTitle(), dialogTitle);
        QCOMPARE(child<QComboBox>(&dialog, "portBox")->accessibleName(), portCaption);

        tell(window, "showStopAtMinimumVoltage");
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().text, stopMessage);
        QCOMPARE(boxes.boxes().first().title, boxTitle);

        // The report as printed, with a row (the column titles head the rows).
        ReadingStore().append(nthReading(1), QDateTime(nthDay(1), QTime(12, 0)));
        ReadingReport report;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        report.openReadings();
        QCOMPARE(report.printToPdf(pdf), 1);
        const QString printed = pdfText(pdf);
        QVERIFY2(printed.contains(reportColumn), qPrintable(printed));
    }

    // `tarvex runs` in each language: every column starts (left-aligned) or
    // ends (right-aligned numbers) at the same terminal column on every line,
    // at least two columns after the one before; Chinese characters take two
    // columns of a terminal.
    void runsListingKeepsItsColumns_data() {
        QTest::addColumn<QString>("language");
        for (const char* language : {"source", "en", "de", "zh_CN"})
            QTest::newRow(language) << QString::fromLatin1(language);
    }
    void runsListingKeepsItsColumns() {
        QFETCH(QString, language);
        Translations translations;
        QVERIFY(translations.install(language, kBuiltDir));
        const auto columnsOf = [](QStringView text) {
            int columns = 0;
            for (const QChar c : text)
                columns += (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) ||
                                   (c.unicode() >= 0xFF00 && c.unicode() <= 0xFF60)
                               ? 2
                               : 1;
            return columns;
        };
        const QDateTime start(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
        QList<RunRecord> runs(3);
        runs[0].id = 7;
        runs[0].startedAt = start;
        runs[0].endedAt = start.addSecs(3 * 3600 + 5);
        runs[0].readings = 54321;
        runs[0].ampHours = 12.3456;
        runs[0].wattHours = 148.2;
        runs[0].endVolts = 10.5;
        runs[0].end = RunEnd::MinimumVoltage;
        runs[0].label = QStringLiteral("电池 1号");
        runs[1].id = 12;
        runs[1].startedAt = start.addDays(1);
        runs[1].endedAt = start.addDays(1).addSecs(61);
        runs[1].readings = 3;
        runs[1].end = RunEnd::ChargeLimit;
        runs[1].readingsCleared = true;
        runs[2].id = 1234;
        runs[2].startedAt = start.addDays(2);
        runs[2].end = RunEnd::Running;
        runs[2].label = QStringLiteral("cell B");
        const QString listing = runsListing(runs, false);
        const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);

        // Each line's cells, as the program's words and the runs' figures.
        const auto tr = [](const char* text) {
            return QCoreApplication::translate("StoredRuns", text);
        };
        QList<QStringList> cells;
        cells << QStringList{
            tr("Run"), tr("Started (UTC)"), tr("Duration"), tr("Readings"), tr("Ah"),
            tr("Wh"),  tr("End V"),         tr("Ended by"), tr("Label")};
        for (const RunRecord& r : runs)
            cells << QStringList{
                QString::number(r.id),
                r.startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                r.endedAt.isValid() ? elapsedText(r.startedAt.msecsTo(r.endedAt))
                                    : QStringLiteral("-"),
                QString::number(r.readings),
                QString::number(r.ampHours, 'f', 4),
                QString::number(r.wattHours, 'f', 3),
                r.readings > 0 ? QString::number(r.endVolts, 'f', 3) : QStringLiteral("-"),
                runEndKey(r.end) + (r.readingsCleared ? tr(" (cleared)") : QString()),
                r.label};
        const QList<bool> right{true, false, true, true, true, true, true, false, false};
        QList<int> edges(right.size(), -1);
        for (qsizetype l = 0; l < lines.size(); ++l) {
            const QString& line = lines[l];
            qsizetype from = 0;
            int previousEnd = -2;
            for (qsizetype c = 0; c < cells[l].size(); ++c) {
                const QString& cell = cells[l][c];
                if (cell.isEmpty())
                    continue;
                const qsizetype at = line.indexOf(cell, from);
                QVERIFY2(at >= 0, qPrintable(QStringLiteral("%1 in: %2").arg(cell, line)));
                const int startColumn = columnsOf(QStringView(line).left(at));
                const int endColumn = startColumn + columnsOf(cell);
                QVERIFY2(startColumn >= previousEnd + 2, qPrintable(line));
                const int edge = right[c] ? endColumn : startColumn;
                if (edges[c] < 0)
                    edges[c] = edge;
                QVERIFY2(edges[c] == edge,
                         qPrintable(QStringLiteral("column %1 of:\n%2").arg(c).arg(listing)));
                previousEnd = endColumn;
                from = at + cell.size();
            }
            QVERIFY2(!line.endsWith(QLatin1Char(' ')), qPrintable(line));
        }
    }

    // A language with no translation of the program's shows the texts as
    // written, and so does a code that names no language.
    void unknownLanguageShowsTheSource_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("French") << "fr";
        QTest::newRow("no language") << "xx-nonsense";
    }
    void unknownLanguageShowsTheSource() {
        QFETCH(QString, language);
        Translations translations;
        QVERIFY(!translations.install(language, kBuiltDir));
        QVERIFY(translations.installedFile().isEmpty());
        Program program(engine->dataDir());
        QCOMPARE(child<QPushButton>(program.controlWindow(), "frontPanelButton")->text(),
                 QStringLiteral("Self Control"));
    }

    // The language chooses the words; the locale still chooses how numbers
    // are written.
    void numbersFollowTheLocaleNotTheLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German words, English numbers") << "de"
                                                       << "en_US"
                                                       << "hat 2.5 s lang keinen Messwert";
        QTest::newRow("English words, German numbers") << "en"
                                                       << "de_DE"
                                                       << "gave no reading for 2,5 s";
        QTest::newRow("German words, German numbers") << "de"
                                                      << "de_DE"
                                                      << "hat 2,5 s lang keinen Messwert";
    }
    void numbersFollowTheLocaleNotTheLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        Translations translations;
        QVERIFY(translations.install(language, kBuiltDir));
        MessageBoxRecorder boxes(QMessageBox::Yes);
        Program program(engine->dataDir());
        tell(*program.controlWindow(), "showStopForSilence", Q_ARG(QString, kPort),
             Q_ARG(int, 2500));
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY2(boxes.boxes().first().text.contains(expected),
                 qPrintable(boxes.boxes().first().text));
    }

    // The program itself, with no display: the help follows the system's
    // language (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG), --language
    // overrides it, and "source" shows the texts as written.
    void helpFollowsTheSystemLanguage_data() {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("description");
        const QString sourceUsage = QStringLiteral("Usage: tarvex [options]");
        const QString sourceDescription =
            QStringLiteral("Discharge tests with a programmable DC electronic load.");
        const QString germanUsage = QStringLiteral("Aufruf: tarvex [Optionen]");
        const QString germanDescription = QStringLiteral(
            "Entladetests mit einer programmierbaren elektronischen Gleichstromlast.");
        QTest::newRow("LANG German") << QStringList{"LANG=de_DE.UTF-8"} << QStringList{"--help"}
                                     << germanUsage << germanDescription;
        QTest::newRow("LANGUAGE before LANG")
            << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=zh_CN:en"} << QStringList{"--help"}
            << QStringLiteral("用法：tarvex [选项]")
            << QStringLiteral("用可编程直流电子负载进行放电测试。");
        QTest::newRow("--language over LANG")
            << QStringList{"LANG=zh_CN.UTF-8"} << QStringList{"--language", "de", "--help"}
            << germanUsage << germanDescription;
        QTest::newRow("--language source")
            << QStringList{"LANG=de_DE.UTF-8"} << QStringList{"--language", "source", "--help"}
            << sourceUsage << sourceDescription;
        QTest::newRow("no translation for the system's")
            << QStringList{"LANG=fr_FR.UTF-8"} << QStringList{"--help"} << sourceUsage
            << sourceDescription;
        QTest::newRow("a refusal in the language")
            << QStringList{"LANG=de_DE.UTF-8"} << QStringList{"--bogus"}
            << QStringLiteral("tarvex: Unbekannte Option „bogus“.\nSiehe „tarvex --help“.")
            << QString();
    }
    void helpFollowsTheSystemLanguage() {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(QString, usage);
        QFETCH(QString, description);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "DISPLAY",
                                 "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        for (const QString& setting : environment)
            env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TARVEX_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput()) +
                            QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(out.startsWith(usage), qPrintable(out));
        QVERIFY2(out.contains(description), qPrintable(out));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"

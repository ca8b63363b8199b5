// The save dialog as the operator sees it: the real dialog, answered by
// typing a name and accepting it, and its question before a file is replaced.
#include "ui/FileDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tarvex;

namespace {

// Acts as the operator on the save dialog that opens next: notes how it
// looks, types a name and accepts it; answers the dialog's question about
// replacing a file; when the dialog is still open after that, cancels it.
class SaveDialogOperator {
public:
    SaveDialogOperator(QString typed, QMessageBox::StandardButton replace)
        : m_typed(std::move(typed)), m_replace(replace) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(10);
    }

    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString title;
    QString defaultSuffix;
    bool confirmsOverwrite = false;
    QString proposed; // the file selected when the dialog opened
    QString question; // the text of the question before replacing a file

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            question = box->text();
            box->button(m_replace)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (!m_accepted) {
                m_accepted = true;
                acceptMode = dialog->acceptMode();
                title = dialog->windowTitle();
                defaultSuffix = dialog->defaultSuffix();
                confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
                proposed = dialog->selectedFiles().value(0);
                // Typed into the name field, which has the focus.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                name->selectAll();
                name->insert(m_typed);
                // Accepting asks its question in an event loop of its own,
                // which this timer serves once this call has returned.
                QTimer::singleShot(0, dialog,
                                   [dialog] { static_cast<QDialog*>(dialog)->accept(); });
            } else {
                dialog->reject();
            }
        }
    }

    QTimer m_poll;
    QString m_typed;
    QMessageBox::StandardButton m_replace;
    bool m_accepted = false;
};

} // namespace

class TestFileDialogs : public QObject {
    Q_OBJECT

private slots:
    void saveDialogAddsTheSuffixAndAsksBeforeReplacing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QMessageBox::StandardButton>("replace");
        QTest::addColumn<QString>("chosen"); // empty: cancelled
        QTest::addColumn<bool>("asked");
        QTest::newRow("new name without a suffix")
            << "fresh" << QMessageBox::Yes << "fresh.csv" << false;
        QTest::newRow("new name with a suffix of its own")
            << "fresh.txt" << QMessageBox::Yes << "fresh.txt" << false;
        QTest::newRow("existing file, replaced")
            << "readings" << QMessageBox::Yes << "readings.csv" << true;
        QTest::newRow("existing file, kept") << "readings.csv" << QMessageBox::No << "" << true;
    }
    void saveDialogAddsTheSuffixAndAsksBeforeReplacing() {
        QFETCH(QString, typed);
        QFETCH(QMessageBox::StandardButton, replace);
        QFETCH(QString, chosen);
        QFETCH(bool, asked);
        QTemporaryDir dir;
        {
            QFile existing(dir.filePath(QStringLiteral("readings.csv")));
            QVERIFY(existing.open(QIODevice::WriteOnly));
            existing.write("earlier\r\n");
        }
        SaveDialogOperator person(typed, replace);
        SaveFileRequest request;
        request.caption = QStringLiteral("Save as CSV");
        request.proposedPath = dir.filePath(QStringLiteral("Tarvex.csv"));
        request.filter = QStringLiteral("CSV files (*.csv);;All files (*)");
        request.defaultSuffix = QStringLiteral("csv");

        const QString answer = askSaveFileName(request);

        QCOMPARE(person.acceptMode, QFileDialog::AcceptSave);
        QCOMPARE(person.title, request.caption);
        QCOMPARE(person.defaultSuffix, QStringLiteral("csv"));
        QVERIFY(person.confirmsOverwrite);
        QCOMPARE(person.proposed, request.proposedPath);
        QCOMPARE(answer, chosen.isEmpty() ? QString() : dir.filePath(chosen));
        QCOMPARE(!person.question.isEmpty(), asked);
        if (asked)
            QVERIFY2(person.question.contains(QStringLiteral("readings.csv")),
                     qPrintable(person.question));
    }

    // An asker set in the seam answers instead of the dialog, sees the
    // request whole, and gives way to the dialog again when replaced.
    void askerAnswersInsteadOfTheDialog() {
        SaveFileRequest seen;
        const SaveFileNameAsker asker = [&seen](const SaveFileRequest& request) {
            seen = request;
            return QStringLiteral("/somewhere/chosen.csv");
        };
        const SaveFileNameAsker previous = setSaveFileNameAsker(asker);
        QVERIFY(!previous);
        SaveFileRequest request;
        request.caption = QStringLiteral("Save as CSV");
        request.proposedPath = QStringLiteral("/home/user/Tarvex.csv");
        request.defaultSuffix = QStringLiteral("csv");
        request.options = QFileDialog::DontUseNativeDialog;
        QCOMPARE(askSaveFileName(request), QStringLiteral("/somewhere/chosen.csv"));
        QCOMPARE(seen.caption, request.caption);
        QCOMPARE(seen.proposedPath, request.proposedPath);
        QCOMPARE(seen.options, request.options);
        QVERIFY(setSaveFileNameAsker(previous));
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"

#include "support/ReviewFixture.h"
#include "support/WindowFinder.h"

#include "app/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

using namespace tarvex;

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    void showsTitleVersionAddressAndLogo() {
        AboutDialog about;
        QLabel* const title = child<QLabel>(&about, "title");
        QLabel* const version = child<QLabel>(&about, "version");
        QLabel* const address = child<QLabel>(&about, "address");
        QLabel* const logo = child<QLabel>(&about, "logo");
        QPushButton* const ok = child<QPushButton>(&about, "okButton");
        QVERIFY(title && version && address && logo && ok);

        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QCOMPARE(title->text(), QStringLiteral("Tarvex Value-Chart"));
        QCOMPARE(version->text(), QStringLiteral("TarvexVol Code:2.0"));
        // The address is plain text on a domain reserved for examples.
        QCOMPARE(address->textFormat(), Qt::PlainText);
        const QString host = QUrl(QStringLiteral("http://") + address->text()).host();
        QVERIFY2(QRegularExpression(QStringLiteral("(^|\\.)example\\.(com|org|net)$"))
                     .match(host)
                     .hasMatch(),
                 qPrintable(host));
        // Each line is as wide as its text and never cut.
        for (QLabel* line : {title, version, address}) {
            QCOMPARE(line->height(), 19);
            QVERIFY(line->width() >= line->fontMetrics().horizontalAdvance(line->text()));
            QVERIFY(line->geometry().right() < about.width());
        }
        QVERIFY(!logo->pixmap().isNull());
        QVERIFY(logo->hasScaledContents());
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->accessibleName(), QStringLiteral("OK"));
        QVERIFY(!ok->icon().isNull());
        QVERIFY(ok->isDefault());
    }

    // OK, Enter and the close box each end the showing; the window can be
    // shown again at once.
    void everyWayOutReturns_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("OK button") << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter") << 1 << int(QDialog::Accepted);
        QTest::newRow("close box") << 2 << int(QDialog::Rejected);
    }
    void everyWayOutReturns() {
        QFETCH(int, how);
        QFETCH(int, result);
        AboutDialog about;
        for (int showing = 0; showing < 2; ++showing) {
            whenShown<AboutDialog>([how](AboutDialog& shown) {
                if (how == 0)
                    QTest::mouseClick(child<QPushButton>(&shown, "okButton"), Qt::LeftButton);
                else if (how == 1)
                    QTest::keyClick(&shown, Qt::Key_Return);
                else
                    shown.close();
            });
            QCOMPARE(about.exec(), result);
            QVERIFY(!about.isVisible());
        }
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"

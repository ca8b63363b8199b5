#include "support/ReviewFixture.h"

#include "review/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

using namespace tarvex;

class TestAboutfrm : public QObject {
    Q_OBJECT

private slots:
    void showsTitleVersionAddressAndLogo() {
        TAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QCOMPARE(about.Label1->text(), QStringLiteral("Tarvex Value-Chart"));
        QCOMPARE(about.Label2->text(), QStringLiteral("TarvexVol Code:2.0"));
        // The address is plain text on a domain reserved for examples.
        QCOMPARE(about.Label3->textFormat(), Qt::PlainText);
        const QString host = QUrl(QStringLiteral("http://") + about.Label3->text()).host();
        QVERIFY2(QRegularExpression(QStringLiteral("(^|\\.)example\\.(com|org|net)$"))
                     .match(host)
                     .hasMatch(),
                 qPrintable(host));
        // Each line is as wide as its text and never cut.
        for (QLabel* line : {about.Label1, about.Label2, about.Label3}) {
            QCOMPARE(line->height(), 19);
            QVERIFY(line->width() >= line->fontMetrics().horizontalAdvance(line->text()));
            QVERIFY(line->geometry().right() < about.width());
        }
        QVERIFY(!about.Image1->pixmap().isNull());
        QVERIFY(about.Image1->hasScaledContents());
        QCOMPARE(about.BitBtn1->text(), QStringLiteral("OK"));
        QCOMPARE(about.BitBtn1->accessibleName(), QStringLiteral("OK"));
        QVERIFY(!about.BitBtn1->icon().isNull());
        QVERIFY(about.BitBtn1->isDefault());
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
        TAbout about;
        for (int showing = 0; showing < 2; ++showing) {
            WhenShown<TAbout>([how](TAbout& shown) {
                if (how == 0)
                    QTest::mouseClick(shown.BitBtn1, Qt::LeftButton);
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

QTEST_MAIN(TestAboutfrm)
#include "tst_aboutdialog.moc"

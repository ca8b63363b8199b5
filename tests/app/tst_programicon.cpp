// The icon of every window: the installed theme icon where the installation
// has one, found also under a prefix the desktop does not search; the drawn
// icon otherwise.
#include "app/ProgramIcon.h"
#include "ui/Pictures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvex;

namespace {

const QList<int> kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// A theme as an installation and a desktop's theme package lay it out: the
// picture in <prefix>/share/icons/hicolor/48x48/apps, the theme's index.
void installThemeIcon(const QString& prefix, const QImage& picture) {
    const QDir icons(prefix + QStringLiteral("/share/icons/hicolor"));
    QVERIFY(icons.mkpath(QStringLiteral("48x48/apps")));
    QVERIFY(picture.save(icons.filePath(QStringLiteral("48x48/apps/tarvex.png")), "PNG"));
    QFile index(icons.filePath(QStringLiteral("index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                "[48x48/apps]\nSize=48\nType=Fixed\n");
}

} // namespace

class TestProgramIcon : public QObject {
    Q_OBJECT

    QStringList m_searchPaths;
    QString m_themeName;

private slots:
    void init() {
        m_searchPaths = QIcon::themeSearchPaths();
        m_themeName = QIcon::themeName();
        // The theme a desktop names; every theme falls back to hicolor.
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
    void cleanup() {
        QIcon::setThemeSearchPaths(m_searchPaths);
        QIcon::setThemeName(m_themeName);
    }

    // An installation under a prefix of its own: its icon is the theme's
    // "tarvex", found in the prefix's icon directory.
    void installedIconComesFromTheTheme() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        QImage picture(48, 48, QImage::Format_ARGB32);
        picture.fill(QColor(0x12, 0x34, 0x56));
        installThemeIcon(prefix.path(), picture);

        const QIcon icon = programIcon(prefix.filePath(QStringLiteral("bin")));
        QCOMPARE(icon.name(), QStringLiteral("tarvex"));
        QVERIFY(QIcon::themeSearchPaths().contains(prefix.filePath(QStringLiteral("share/icons"))));
        QCOMPARE(icon.pixmap(48).toImage().pixelColor(24, 24), QColor(0x12, 0x34, 0x56));
        // Asked again, the search paths do not grow.
        const QStringList paths = QIcon::themeSearchPaths();
        QCOMPARE(programIcon(prefix.filePath(QStringLiteral("bin"))).name(),
                 QStringLiteral("tarvex"));
        QCOMPARE(QIcon::themeSearchPaths(), paths);
    }

    // A build tree (no icon directory beside it, no such icon in the
    // theme): the drawn icon, at the installed pictures' sizes.
    void withoutTheThemeIconTheDrawnOne() {
        QTemporaryDir buildTree;
        const QStringList paths = QIcon::themeSearchPaths();
        const QIcon icon = programIcon(buildTree.path());
        QVERIFY(!icon.isNull());
        QVERIFY(icon.name().isEmpty());
        QCOMPARE(QIcon::themeSearchPaths(), paths);
        QList<int> sizes;
        for (const QSize& size : icon.availableSizes()) {
            QCOMPARE(size.width(), size.height());
            sizes << size.width();
        }
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, kSizes);
        QCOMPARE(icon.pixmap(48).toImage().convertToFormat(QImage::Format_ARGB32),
                 programIconPicture(48).convertToFormat(QImage::Format_ARGB32));
    }
};

QTEST_MAIN(TestProgramIcon)
#include "tst_programicon.moc"

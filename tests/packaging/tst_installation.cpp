// The installation: `cmake --install` of this build tree into a temporary
// prefix puts every file where the desktop and Debian look for it, the menu
// entry and the metainfo pass their validators, the manual pages render, and
// the installed program answers its command line without a display, starts,
// finds its LibreOffice plugin, shows its icon on its window and keeps its
// table in the data directory of whoever runs it - root too - writing nothing
// into the installation.
#include "export/LibreOfficeAutomation.h"
#include "export/SpreadsheetAutomation.h"

#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarvex;

namespace {

const QStringList kIconSizes = {QStringLiteral("16"),  QStringLiteral("22"), QStringLiteral("24"),
                                QStringLiteral("32"),  QStringLiteral("48"), QStringLiteral("64"),
                                QStringLiteral("128"), QStringLiteral("256")};

// The plugin's place in the installation: lib/tarvex or lib/<multiarch>/tarvex.
const QRegularExpression
    kPluginPath(QStringLiteral("^lib/(?:[^/]+/)?tarvex/tarvex_libreoffice\\.so$"));

struct Run {
    int exitCode = -1;
    QString output; // standard output and error together
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("%1 did not finish: %2").arg(program, process.errorString())};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

QString fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The value of key in the [Desktop Entry] group of a desktop file.
QString desktopEntryValue(const QString& text, const QString& key) {
    const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(QRegularExpression::escape(key)),
                                  QRegularExpression::MultilineOption);
    return line.match(text).captured(1);
}

// The text of a gzip-compressed file.
QString gunzipped(const QString& path) {
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    if (!gzip.waitForFinished(60000) || gzip.exitCode() != 0)
        return {};
    return QString::fromUtf8(gzip.readAllStandardOutput());
}

// Every file and directory under root, relative to it, sorted.
QStringList entriesUnder(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(root).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

// The environment of a program run by a person without a display: its home
// and data directories under home.
QProcessEnvironment personalEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

// Gives path and everything under it to uid (as root).
bool giveTo(const QString& path, uid_t uid) {
    QStringList all = entriesUnder(path);
    for (QString& entry : all)
        entry = path + u'/' + entry;
    all << path;
    for (const QString& entry : all)
        if (::lchown(QFile::encodeName(entry).constData(), uid, static_cast<gid_t>(uid)) != 0)
            return false;
    return true;
}

// The user nobody, and its group nogroup.
constexpr uid_t kNobody = 65534;

// Whether process pid catches SIGTERM: the program does once its window is
// up and closing it on the signal would end the run cleanly.
bool catchesTermination(qint64 pid) {
    const QString status = fileText(QStringLiteral("/proc/%1/status").arg(pid));
    const QRegularExpression caught(QStringLiteral("^SigCgt:\\s*([0-9a-f]+)$"),
                                    QRegularExpression::MultilineOption);
    const quint64 mask = caught.match(status).captured(1).toULongLong(nullptr, 16);
    return mask & (quint64(1) << (SIGTERM - 1));
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;
    QString m_buildDir;

    QString installed(const QString& relative) const { return m_prefix.filePath(relative); }

    // Every file of the installation, relative to the prefix, sorted.
    QStringList installedFiles() const {
        QStringList files;
        QDirIterator it(m_prefix.path(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(m_prefix.path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QString installedPlugin() const {
        for (const QString& file : installedFiles())
            if (kPluginPath.match(file).hasMatch())
                return installed(file);
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_prefix.isValid());
        m_buildDir = qEnvironmentVariable("TARVEX_TEST_BINARY_DIR");
        QVERIFY2(!m_buildDir.isEmpty(), "TARVEX_TEST_BINARY_DIR names the build tree");
        const Run install = run(
            QStringLiteral(TARVEX_CMAKE_COMMAND),
            {QStringLiteral("--install"), m_buildDir, QStringLiteral("--prefix"), m_prefix.path()});
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    }

    // ---- Files -------------------------------------------------------------

    void everyFileIsWhereTheDesktopLooksAndNothingElse() {
        QStringList expected = {
            QStringLiteral("bin/tarvex"),
            QStringLiteral("bin/tarvex-loadsim"),
            QStringLiteral("share/applications/tarvex.desktop"),
            QStringLiteral("share/doc/tarvex/README.md.gz"),
            QStringLiteral("share/doc/tarvex/changelog.gz"),
            QStringLiteral("share/doc/tarvex/copyright"),
            QStringLiteral("share/icons/hicolor/scalable/apps/tarvex.svg"),
            QStringLiteral("share/man/man1/tarvex-loadsim.1.gz"),
            QStringLiteral("share/man/man1/tarvex.1.gz"),
            QStringLiteral("share/metainfo/org.tarvex.tarvex.metainfo.xml"),
            QStringLiteral("share/tarvex/translations/tarvex_de.qm"),
            QStringLiteral("share/tarvex/translations/tarvex_en.qm"),
            QStringLiteral("share/tarvex/translations/tarvex_zh_CN.qm"),
        };
        for (const QString& size : kIconSizes)
            expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/tarvex.png").arg(size);
#ifdef TARVEX_BUILD_PLUGIN
        expected << QStringLiteral("<plugin>");
#endif
        expected.sort();
        QStringList files = installedFiles();
        for (QString& file : files)
            if (kPluginPath.match(file).hasMatch())
                file = QStringLiteral("<plugin>");
        files.sort();
        QCOMPARE(files, expected);

        for (const QString& program :
             {QStringLiteral("bin/tarvex"), QStringLiteral("bin/tarvex-loadsim")})
            QVERIFY2(QFileInfo(installed(program)).isExecutable(), qPrintable(program));
    }

    void iconsHaveTheSizesOfTheirThemeFolders_data() {
        QTest::addColumn<int>("size");
        for (const QString& size : kIconSizes)
            QTest::newRow(qPrintable(size + QStringLiteral(" px"))) << size.toInt();
    }
    void iconsHaveTheSizesOfTheirThemeFolders() {
        QFETCH(int, size);
        const QImage icon(
            installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/tarvex.png").arg(size)),
            "PNG");
        QCOMPARE(icon.size(), QSize(size, size));
        // A picture on a transparent ground: clear corners, an opaque middle.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size - 1, size - 1)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }

    void scalableIconIsASquareVectorPicture() {
        QSvgRenderer svg(installed(QStringLiteral("share/icons/hicolor/scalable/apps/tarvex.svg")));
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBoxF().width(), svg.viewBoxF().height());
        QImage picture(64, 64, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        svg.render(&painter);
        painter.end();
        // It draws what the 64 px picture shows.
        const QImage png(installed(QStringLiteral("share/icons/hicolor/64x64/apps/tarvex.png")));
        int differing = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const QColor a = picture.pixelColor(x, y), b = png.pixelColor(x, y);
                if (std::abs(a.alpha() - b.alpha()) > 64 || std::abs(a.red() - b.red()) > 64 ||
                    std::abs(a.green() - b.green()) > 64 || std::abs(a.blue() - b.blue()) > 64)
                    ++differing;
            }
        QVERIFY2(differing < 64 * 64 / 50, qPrintable(QString::number(differing)));
    }

    // ---- Documentation -----------------------------------------------------

    // share/doc/tarvex as Debian has it: the copyright in machine-readable
    // form, the changelog of this version, and the README the manual page
    // points at - which all tell the same command to join dialout.
    void documentationIsWhereDebianLooksForIt() {
        const QString doc = installed(QStringLiteral("share/doc/tarvex/"));
        const QString copyright = fileText(doc + QStringLiteral("copyright"));
        QVERIFY2(
            copyright.startsWith(QStringLiteral(
                "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")),
            qPrintable(copyright));
        for (const QString& field : {QStringLiteral("Files: *"), QStringLiteral("Copyright: "),
                                     QStringLiteral("License: ")})
            QVERIFY2(copyright.contains(u'\n' + field), qPrintable(field));

        QTemporaryDir scratch;
        const QString changelog = scratch.filePath(QStringLiteral("changelog"));
        QFile file(changelog);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gunzipped(doc + QStringLiteral("changelog.gz")).toUtf8());
        file.close();
        const Run version =
            run(QStringLiteral("dpkg-parsechangelog"),
                {QStringLiteral("-l"), changelog, QStringLiteral("-S"), QStringLiteral("Version")});
        QCOMPARE(version.output.trimmed(), QStringLiteral(TARVEX_VERSION));

        const QString readme = gunzipped(doc + QStringLiteral("README.md.gz"));
        QCOMPARE(readme, fileText(QStringLiteral(TARVEX_SOURCE_DIR "/README.md")));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const Run man = run(
            QStringLiteral("man"),
            {QStringLiteral("-l"), installed(QStringLiteral("share/man/man1/tarvex.1.gz"))}, env);
        const QString page = QString(man.output)
                                 .replace(QChar(0x2010), u'-')
                                 .remove(QRegularExpression(QStringLiteral(".\b")));
        QVERIFY2(page.contains(QStringLiteral("/usr/share/doc/tarvex/README.md.gz")),
                 qPrintable(page));
        // Every option of `tarvex run` and every exit status it ends with.
        for (const char* told : {"--port PATH", "--minimum VOLTS", "--interval MS", "--baud N",
                                 "--max-time DURATION", "--max-ah AH", "--max-wh WH",
                                 "--label TEXT", "--silence-limit SECONDS", "--csv FILE",
                                 "--bdf FILE", "--json", "--quiet", "130, 143, 129"})
            QVERIFY2(page.contains(QLatin1String(told)), told);
        const QString join = QStringLiteral("sudo usermod -aG dialout \"$USER\"");
        QVERIFY2(page.contains(join), qPrintable(page));
        QVERIFY(readme.contains(join));
    }

    // ---- Menu entry and metainfo -------------------------------------------

    void validatorsAcceptTheMenuEntryAndTheMetainfo_data() {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("menu entry")
            << "desktop-file-validate" << QStringList{} << "share/applications/tarvex.desktop";
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net", "--pedantic"}
                                  << "share/metainfo/org.tarvex.tarvex.metainfo.xml";
    }
    void validatorsAcceptTheMenuEntryAndTheMetainfo() {
        QFETCH(QString, validator);
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        const QString program = QStandardPaths::findExecutable(validator);
        QVERIFY2(!program.isEmpty(),
                 qPrintable(validator + " is missing: scripts/deps installs it"));
        const Run check = run(program, arguments << installed(file));
        QVERIFY2(check.exitCode == 0, qPrintable(check.output));
        // Clean: no error, warning, information or pedantic note.
        QVERIFY2(!check.output.contains(QRegularExpression(QStringLiteral("^[EWIP]: "),
                                                           QRegularExpression::MultilineOption)),
                 qPrintable(check.output));
        if (validator == QStringLiteral("desktop-file-validate"))
            QVERIFY2(check.output.isEmpty(), qPrintable(check.output));
    }

    // The entry starts the installed program and shows the installed icon;
    // the metainfo speaks of that entry.
    void menuEntryNamesTheInstalledProgramAndIcon() {
        const QString entry =
            fileText(installed(QStringLiteral("share/applications/tarvex.desktop")));
        QCOMPARE(desktopEntryValue(entry, QStringLiteral("Exec")), QStringLiteral("tarvex"));
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/tarvex"))).isExecutable());
        const QString icon = desktopEntryValue(entry, QStringLiteral("Icon"));
        QVERIFY(QFile::exists(
            installed(QStringLiteral("share/icons/hicolor/48x48/apps/%1.png").arg(icon))));
        QVERIFY(QFile::exists(
            installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(icon))));
        QVERIFY(desktopEntryValue(entry, QStringLiteral("Categories"))
                    .split(u';')
                    .contains(QStringLiteral("Science")));

        const QString metainfo =
            fileText(installed(QStringLiteral("share/metainfo/org.tarvex.tarvex.metainfo.xml")));
        QVERIFY2(metainfo.contains(
                     QStringLiteral("<launchable type=\"desktop-id\">tarvex.desktop</launchable>")),
                 qPrintable(metainfo));
        QVERIFY(metainfo.contains(
            QStringLiteral("<release version=\"%1\"").arg(QStringLiteral(TARVEX_VERSION))));
    }

    // ---- Manual pages ------------------------------------------------------

    void manualPagesRenderWithoutWarnings_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("name");
        QTest::newRow("program") << "share/man/man1/tarvex.1.gz"
                                 << "tarvex";
        QTest::newRow("simulator") << "share/man/man1/tarvex-loadsim.1.gz"
                                   << "tarvex-loadsim";
    }
    void manualPagesRenderWithoutWarnings() {
        QFETCH(QString, page);
        QFETCH(QString, name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        env.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        QProcess man;
        man.setProcessEnvironment(env);
        man.start(QStringLiteral("man"),
                  {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                   QStringLiteral("-l"), installed(page)});
        QVERIFY(man.waitForFinished(60000));
        const QString warnings = QString::fromUtf8(man.readAllStandardError());
        QCOMPARE(man.exitCode(), 0);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings));
        const QString text = QString::fromUtf8(man.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("NAME\\s+%1\\s+-\\s").arg(name))),
                 qPrintable(text));
    }

    // Both pages are made from the programs' --help: every option is there,
    // and the installed program answers --version without a display.
    void pageHasEveryOptionOfItsHelp_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("someOption");
        QTest::addColumn<int>("fewestOptions");
        QTest::newRow("program") << "tarvex"
                                 << "--port" << 3;
        QTest::newRow("simulator") << "tarvex-loadsim"
                                   << "--link" << 10;
    }
    void pageHasEveryOptionOfItsHelp() {
        QFETCH(QString, program);
        QFETCH(QString, someOption);
        QFETCH(int, fewestOptions);
        QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
        noDisplay.remove(QStringLiteral("DISPLAY"));
        noDisplay.remove(QStringLiteral("WAYLAND_DISPLAY"));
        noDisplay.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const QString binary = installed(QStringLiteral("bin/") + program);
        const Run version = run(binary, {QStringLiteral("--version")}, noDisplay);
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.output.contains(QStringLiteral(TARVEX_VERSION)),
                 qPrintable(version.output));

        const Run help = run(binary, {QStringLiteral("--help")}, noDisplay);
        QCOMPARE(help.exitCode, 0);
        QStringList options;
        const QRegularExpression option(QStringLiteral("^  (?:-\\w, )?(--[\\w-]+)"),
                                        QRegularExpression::MultilineOption);
        for (auto it = option.globalMatch(help.output); it.hasNext();)
            options << it.next().captured(1);
        QVERIFY2(options.contains(someOption) && options.size() >= fewestOptions,
                 qPrintable(help.output));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const Run man = run(QStringLiteral("man"),
                            {QStringLiteral("-l"),
                             installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program))},
                            env);
        QCOMPARE(man.exitCode, 0);
        // Hyphens come out as U+2010 in some locales; compare plain hyphens.
        const QString text = QString(man.output)
                                 .replace(QChar(0x2010), u'-')
                                 .remove(QRegularExpression(QStringLiteral(".\b")));
        for (const QString& o : options)
            QVERIFY2(text.contains(o), qPrintable(o));
    }

    // ---- The installed program ---------------------------------------------

#ifdef TARVEX_BUILD_PLUGIN
    // The build tree's program has its plugin beside it; the installed one
    // finds it in its private library directory, and it loads and runs there
    // (it reports that it cannot start an office that is not there).
    void installedProgramFindsItsPlugin() {
        QCOMPARE(libreOfficePluginPath(m_buildDir + QStringLiteral("/src/app")),
                 QStringLiteral(TARVEX_BUILD_PLUGIN));
        const QString plugin = installedPlugin();
        QVERIFY(!plugin.isEmpty());
        QCOMPARE(libreOfficePluginPath(installed(QStringLiteral("bin"))), plugin);

        QTemporaryDir profiles;
        LibreOfficeSettings settings;
        settings.officeProgram = QStringLiteral("/nonexistent/soffice");
        settings.connectTimeoutMs = 1500;
        settings.profileParent = profiles.path();
        auto automation = loadLibreOfficeAutomation(plugin, settings);
        try {
            automation->newInstance();
            QFAIL("an instance without an office");
        } catch (const SpreadsheetError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("Cannot start")),
                     e.what());
        }
    }
#endif

    // The installed program answers its command line without a display:
    // help and version on the standard output with status 0, a refused line
    // on the error output with status 2.
    void commandLineNeedsNoDisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("answer");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: tarvex [options]";
        QTest::newRow("--version")
            << QStringList{"--version"} << 0 << "TarvexVol " TARVEX_VERSION "\n";
        QTest::newRow("--bogus") << QStringList{"--bogus"} << 2
                                 << "tarvex: Unknown option 'bogus'.\nTry 'tarvex --help'.\n";
        QTest::newRow("--port without its path")
            << QStringList{"--port"} << 2 << "tarvex: Missing value after '--port'.\n";
        QTest::newRow("a further argument") << QStringList{"--port", "/dev/ttyUSB0", "/dev/ttyUSB1"}
                                            << 2 << "tarvex: Unexpected argument '/dev/ttyUSB1'.\n";
        QTest::newRow("unknown among Qt's options") << QStringList{"-platform", "xcb", "-bogus"}
                                                    << 2 << "tarvex: Unknown option 'bogus'.\n";
    }
    void commandLineNeedsNoDisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, answer);
        QTemporaryDir home;
        QProcess program;
        program.setProcessEnvironment(personalEnvironment(home.path()));
        program.start(installed(QStringLiteral("bin/tarvex")), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        QVERIFY2((status == 0 ? out : err).contains(answer), qPrintable(out + err));
        QVERIFY2((status == 0 ? err : out).isEmpty(), qPrintable(out + err));
        // Nothing was made for it.
        QCOMPARE(entriesUnder(home.path()), QStringList());
    }

    // The installed program starts (it makes its table and alias), and ends
    // cleanly on SIGTERM. Whoever runs it - root, who may write to the
    // installation's bin, or a user - its table is in that user's data
    // directory, and nothing is written into the installation. A copy in a
    // portable folder of its own keeps its table beside itself.
    void tableIsKeptWhereItBelongs_data() {
        QTest::addColumn<QString>("runner"); // "root", "user" (nobody when root runs the test)
        QTest::addColumn<bool>("portable");
        QTest::newRow("installed, run by root") << "root" << false;
        QTest::newRow("installed, run by a user") << "user" << false;
        QTest::newRow("portable copy") << "" << true;
    }
    void tableIsKeptWhereItBelongs() {
        QFETCH(QString, runner);
        QFETCH(bool, portable);
        const bool asRoot = ::geteuid() == 0;
        if (runner == QStringLiteral("root") && !asRoot)
            QSKIP("only root can run the program as root");
        // A user's run from a test run by root: as nobody, in a home of its
        // own, with the installation readable by all.
        const bool asNobody = runner == QStringLiteral("user") && asRoot;

        QTemporaryDir scratch;
        QString bin = installed(QStringLiteral("bin"));
        if (portable) {
            bin = scratch.filePath(QStringLiteral("Tarvex 2.0"));
            QVERIFY(QDir().mkpath(bin));
            QVERIFY(QFile::copy(installed(QStringLiteral("bin/tarvex")),
                                bin + QStringLiteral("/tarvex")));
        }
        const QString home = scratch.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home + QStringLiteral("/runtime")));
        QVERIFY(QFile::setPermissions(home + QStringLiteral("/runtime"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QStringList command{bin + QStringLiteral("/tarvex")};
        if (asNobody) {
            QVERIFY(QFile::setPermissions(m_prefix.path(), QFileInfo(bin).permissions()));
            QVERIFY(QFile::setPermissions(scratch.path(), QFileInfo(bin).permissions()));
            QVERIFY(giveTo(home, kNobody));
            command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                  QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                                  QStringLiteral("--")} +
                      command;
        }
        QProcessEnvironment env = personalEnvironment(home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QString perUser = home + QStringLiteral("/.local/share/TarvexVol/Table");
        const QString beside = bin + QStringLiteral("/Table");
        const QString expected = portable ? beside : perUser;
        const QString alias = home + QStringLiteral("/.config/tarvex/table-engine.conf");
        const QStringList installation = entriesUnder(m_prefix.path());

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.setProcessEnvironment(env);
        program.start(command.first(), command.mid(1));
        QVERIFY(program.waitForStarted());
        const auto end = qScopeGuard([&] {
            program.kill();
            program.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(expected + QStringLiteral("/tables.db")) &&
                                     fileText(alias).contains(QStringLiteral("PATH=") + expected),
                                 60000);
        QTRY_VERIFY_WITH_TIMEOUT(catchesTermination(program.processId()), 60000);
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QCOMPARE(entriesUnder(m_prefix.path()), installation);
        if (portable)
            QVERIFY(!QFile::exists(perUser));
        else
            QCOMPARE(QFileInfo(perUser + QStringLiteral("/tables.db")).ownerId(),
                     asNobody ? kNobody : ::geteuid());
    }

    // Every window carries the program's icon: the control window, on the X
    // display, shows the installed picture (_NET_WM_ICON, read with xprop).
    void windowCarriesTheProgramIcon() {
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "needs an X display: run under xvfb-run");
        for (const char* tool : {"xprop", "xwininfo"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                     "x11-utils is missing: scripts/deps installs it");
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("runtime"))));
        QVERIFY(QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment env = personalEnvironment(home.path());
        env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.setProcessEnvironment(env);
        program.start(installed(QStringLiteral("bin/tarvex")));
        QVERIFY(program.waitForStarted());
        const auto end = qScopeGuard([&] {
            program.terminate();
            if (!program.waitForFinished(30000)) {
                program.kill();
                program.waitForFinished();
            }
        });

        // The window's id, once it is there.
        const QRegularExpression named(QStringLiteral("^\\s*(0x[0-9a-f]+) \"TarvexForm\""),
                                       QRegularExpression::MultilineOption);
        const auto windowId = [&] {
            const Run tree =
                run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
            return named.match(tree.output).captured(1);
        };
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = windowId()).isEmpty(), 60000);
        // Width, height and the pixels (ARGB) of each picture, one after
        // another; all of them (xprop reads 250,000 bytes unless told).
        const Run property =
            run(QStringLiteral("xprop"),
                {QStringLiteral("-len"), QStringLiteral("16000000"), QStringLiteral("-id"), window,
                 QStringLiteral("-f"), QStringLiteral("_NET_WM_ICON"), QStringLiteral("32c"),
                 QStringLiteral("_NET_WM_ICON")});
        QCOMPARE(property.exitCode, 0);
        const int equals = property.output.indexOf(u'=');
        QVERIFY2(equals > 0, qPrintable(property.output));
        QList<quint32> values;
        for (const QString& value : property.output.mid(equals + 1).split(u',')) {
            bool ok = false;
            values << value.trimmed().toUInt(&ok);
            QVERIFY2(ok, qPrintable(property.output.left(200)));
        }
        QStringList sizes;
        bool compared = false;
        for (qsizetype at = 0; at + 2 <= values.size();) {
            const int width = int(values[at]), height = int(values[at + 1]);
            QVERIFY(width > 0 && height > 0 && at + 2 + width * height <= values.size());
            sizes << QStringLiteral("%1x%2").arg(width).arg(height);
            if (width == 48 && height == 48) {
                const QImage picture =
                    QImage(installed(QStringLiteral("share/icons/hicolor/48x48/apps/tarvex.png")))
                        .convertToFormat(QImage::Format_ARGB32);
                int differing = 0;
                for (int y = 0; y < 48; ++y)
                    for (int x = 0; x < 48; ++x) {
                        const QColor shown = QColor::fromRgba(values[at + 2 + y * 48 + x]);
                        const QColor file = picture.pixelColor(x, y);
                        if (std::abs(shown.alpha() - file.alpha()) > 8 ||
                            (file.alpha() > 0 && (std::abs(shown.red() - file.red()) > 8 ||
                                                  std::abs(shown.green() - file.green()) > 8 ||
                                                  std::abs(shown.blue() - file.blue()) > 8)))
                            ++differing;
                    }
                QCOMPARE(differing, 0);
                compared = true;
            }
            at += 2 + width * height;
        }
        QVERIFY2(compared, qPrintable(sizes.join(u' ')));
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"

// Where the program keeps its reading table: beside a program in a folder of
// its own (its build tree, a portable copy) that the user may write to; in the
// user's data directory for an installed program, whoever runs it, and for a
// folder the user may not write to. The alias follows the table wherever it
// goes.
#include "app/DataLocation.h"
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>

#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarvex;

namespace {

// The worked example: 12345 mV, 1500 mA, 185 tenths of a watt.
LoadReading workedReading() {
    return reading(12345, 1500, 185);
}

// The first parameter of the alias as the configuration file holds it now.
QString firstAliasLine(const QString& configFile) {
    bool inAlias = false;
    for (const QString& line : QString::fromUtf8(fileBytes(configFile)).split(u'\n')) {
        if (line.startsWith(u'['))
            inAlias = line.compare(QStringLiteral("[RoruvEde]"), Qt::CaseInsensitive) == 0;
        else if (inAlias && line.contains(u'='))
            return line;
    }
    return QString();
}

// The user's data directory moved under root for as long as it lives:
// XDG_DATA_HOME points there and QStandardPaths' test mode is off, so
// AppDataLocation is where an installed program keeps its table.
class ScratchDataHome {
public:
    explicit ScratchDataHome(const QString& root) : m_saved(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(root));
        QStandardPaths::setTestModeEnabled(false);
    }
    ~ScratchDataHome() {
        QStandardPaths::setTestModeEnabled(true);
        if (m_saved.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_saved);
    }
    ScratchDataHome(const ScratchDataHome&) = delete;
    ScratchDataHome& operator=(const ScratchDataHome&) = delete;

private:
    QByteArray m_saved;
};

// Sets the permission bits of directory to read-only (or back to writable)
// and restores them when it goes, so the scratch directory can be removed.
class DirectoryMode {
public:
    explicit DirectoryMode(QString directory) : m_directory(std::move(directory)) {}
    ~DirectoryMode() { setReadOnly(false); }
    DirectoryMode(const DirectoryMode&) = delete;
    DirectoryMode& operator=(const DirectoryMode&) = delete;

    void setReadOnly(bool readOnly) {
        QFile::Permissions mode = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        if (!readOnly)
            mode |= QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(m_directory, mode));
    }

private:
    QString m_directory;
};

// The user nobody, who owns nothing here.
constexpr uid_t kOtherUser = 65534;

} // namespace

class TestDataLocation : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchStore> m_scratch;
    std::unique_ptr<ScratchDataHome> m_home;

    QString root() const { return m_scratch->root(); }

    // Where an installed program keeps its table.
    QString perUser() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               QStringLiteral("/Table");
    }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchStore>();
        m_home = std::make_unique<ScratchDataHome>(root() + QStringLiteral("/home/.local/share"));
        QVERIFY2(perUser().startsWith(root() + QStringLiteral("/home/.local/share/")),
                 qPrintable(perUser()));
    }
    void cleanup() {
        m_home.reset();
        m_scratch.reset();
    }

    // This test program sits in its build tree, where it may write.
    void programInItsBuildTreeKeepsItsTableBesideIt() {
        QCOMPARE(DataLocation::tableDirectory(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Table"));
    }

    // The rule for programs in folders made here (a relative path, under the
    // scratch root; read-only: made so for this user) and in the system's
    // own directories (an absolute path, as it is). Whoever runs the test -
    // root too, who may write to /usr/bin - an installed program's table is
    // the user's.
    void tableDirectoryFollowsWhereTheProgramIs_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("beside");
        QTest::newRow("build tree") << "build/src/app" << false << true;
        QTest::newRow("build tree, read-only") << "build/src/app" << true << false;
        QTest::newRow("portable folder") << "Tarvex 2.0" << false << true;
        QTest::newRow("portable folder, read-only") << "Tarvex 2.0" << true << false;
        QTest::newRow("bin of a prefix of the user's (~/.local/bin)")
            << "home/.local/bin" << false << false;
        QTest::newRow("bin of the user's (~/bin)") << "home/bin" << false << false;
        QTest::newRow("sbin of a prefix") << "prefix/sbin" << false << false;
        QTest::newRow("/usr/bin") << "/usr/bin" << false << false;
        QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false << false;
        QTest::newRow("a folder of its own under /opt") << "/opt/tarvex" << false << false;
        QTest::newRow("a private directory under /usr/lib") << "/usr/lib/tarvex" << false << false;
        QTest::newRow("/bin, a link to /usr/bin on Debian") << "/bin" << false << false;
    }
    void tableDirectoryFollowsWhereTheProgramIs() {
        QFETCH(QString, program);
        QFETCH(bool, readOnly);
        QFETCH(bool, beside);
        std::optional<DirectoryMode> mode;
        if (!program.startsWith(u'/')) {
            program = root() + u'/' + program;
            QVERIFY(QDir().mkpath(program));
            mode.emplace(program);
            mode->setReadOnly(readOnly);
        }
        QCOMPARE(DataLocation::tableDirectory(program),
                 beside ? program + QStringLiteral("/Table") : perUser());
    }

    // A link into an installation is an installation; a link to a folder of
    // the program's own is that folder.
    void linksAreFollowed_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("beside");
        QTest::newRow("to /usr/bin") << "/usr/bin" << false;
        QTest::newRow("to a prefix's bin") << "prefix/bin" << false;
        QTest::newRow("to a portable folder") << "Tarvex" << true;
    }
    void linksAreFollowed() {
        QFETCH(QString, target);
        QFETCH(bool, beside);
        if (!target.startsWith(u'/')) {
            target = root() + u'/' + target;
            QVERIFY(QDir().mkpath(target));
        }
        const QString link = root() + QStringLiteral("/program");
        QVERIFY(QFile::link(target, link));
        QCOMPARE(DataLocation::tableDirectory(link),
                 beside ? link + QStringLiteral("/Table") : perUser());
    }

    // Whose the folder is, and its mode, decide - not the superuser's right
    // to write anywhere: root running a copy in another user's folder keeps
    // its table in its own data directory, unless the folder's mode lets
    // everyone write. Folders of another user can only be made by root.
    void ownerAndModeDecideForAFolderOfItsOwn_data() {
        QTest::addColumn<bool>("own");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("beside");
        QTest::newRow("own folder, 0755") << true << 0755 << true;
        QTest::newRow("own folder, 0555") << true << 0555 << false;
        QTest::newRow("own folder, 0575 (the group may write, the owner not)")
            << true << 0575 << false;
        QTest::newRow("another user's folder, 0755") << false << 0755 << false;
        QTest::newRow("another user's folder, 0777") << false << 0777 << true;
    }
    void ownerAndModeDecideForAFolderOfItsOwn() {
        QFETCH(bool, own);
        QFETCH(int, mode);
        QFETCH(bool, beside);
        if (!own && ::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        const QString program = root() + QStringLiteral("/Tarvex");
        QVERIFY(QDir().mkpath(program));
        const QByteArray path = QFile::encodeName(program);
        QCOMPARE(::chmod(path.constData(), static_cast<mode_t>(mode)), 0);
        const auto restore = qScopeGuard([&] {
            QVERIFY(::chmod(path.constData(), 0755) == 0);
            QVERIFY(::chown(path.constData(), ::geteuid(), ::getegid()) == 0);
        });
        if (!own)
            QCOMPARE(::chown(path.constData(), kOtherUser, static_cast<gid_t>(-1)), 0);
        QCOMPARE(DataLocation::tableDirectory(program),
                 beside ? program + QStringLiteral("/Table") : perUser());
    }

    // A portable folder that becomes read-only sends the table to the user's
    // data directory, and the alias follows the table each time. Rows stay
    // where they were stored.
    void aliasFollowsTheTable() {
        const QString program = root() + QStringLiteral("/build/src/app");
        QVERIFY(QDir().mkpath(program));
        DirectoryMode mode(program);
        const QString beside = program + QStringLiteral("/Table");

        // Each start stores one reading and says where the alias points and
        // which ID the reading got.
        const auto startAndStore = [&] {
            ReadingStore::forgetSetUp();
            const QString directory = DataLocation::tableDirectory(program);
            if (ReadingStore::setUp(directory) != ReadingStore::SetupResult::Ready)
                return QStringLiteral("alias failed");
            ReadingStore store;
            const qint64 id = store.append(workedReading(), QDateTime::currentDateTime());
            return QStringLiteral("%1 #%2").arg(firstAliasLine(m_scratch->configFile())).arg(id);
        };

        QCOMPARE(startAndStore(), QStringLiteral("PATH=%1 #0").arg(beside));
        QVERIFY(!QFile::exists(perUser()));
        const QByteArray besideTable = fileBytes(beside + QStringLiteral("/tables.db"));

        mode.setReadOnly(true);
        QCOMPARE(startAndStore(), QStringLiteral("PATH=%1 #0").arg(perUser()));
        QCOMPARE(startAndStore(), QStringLiteral("PATH=%1 #1").arg(perUser()));
        QCOMPARE(fileBytes(beside + QStringLiteral("/tables.db")), besideTable);

        mode.setReadOnly(false);
        QCOMPARE(startAndStore(), QStringLiteral("PATH=%1 #1").arg(beside));
    }

    // An installed program whose user data directory cannot be made: the
    // set-up names the directory it could not create.
    void userDataDirectoryThatCannotBeCreatedRaises() {
        const QString program = root() + QStringLiteral("/prefix/bin");
        QVERIFY(QDir().mkpath(program));
        const QString blocked = root() + QStringLiteral("/data-home");
        writeFile(blocked, "a file where the user's data directory goes");
        m_home.reset();
        ScratchDataHome home(blocked);

        const QString directory = DataLocation::tableDirectory(program);
        QVERIFY2(directory.startsWith(blocked + u'/'), qPrintable(directory));
        QCOMPARE(storeError([&] { static_cast<void>(ReadingStore::setUp(directory)); }),
                 QStringLiteral("Cannot create ") + directory);
    }
};

QTEST_MAIN(TestDataLocation)
#include "tst_datalocation.moc"

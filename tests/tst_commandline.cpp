// The real pyokopon, started as a process with a time limit, on the command
// lines a player or a script may give it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kKeepsRunning = -1; // exitCode of a row in which the game starts

QString whole(const QString& pattern)
{
    return QRegularExpression::anchoredPattern(pattern);
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();
};

void CommandLineTest::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // regular expressions for the whole output
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("outputFile"); // where standard output goes instead of being read back

    const QString usage = QStringLiteral("Usage: \\S*pyokopon \\[options\\]\\n.*");
    const QString version = QRegularExpression::escape(QStringLiteral("pyokopon " PYOKOPON_VERSION "\n"));
    const QString readBack;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << usage + QStringLiteral("-h, --help .*\\n.*-v, --version .*") << QString() << readBack;
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << version << QString() << readBack;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2 << QString()
                                    << QStringLiteral("pyokopon: Unknown option 'frobnicate'\\.\\n") + usage
                                    << readBack;
    QTest::newRow("stray argument") << QStringList{QStringLiteral("play")} << 2 << QString()
                                    << QStringLiteral("pyokopon: Unexpected argument 'play'\\.\\n") + usage
                                    << readBack;
    QTest::newRow("none") << QStringList{} << kKeepsRunning << QString() << QString() << readBack;

    QTest::newRow("Qt's option, then version")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--version")} << 0
        << version << QString() << readBack;
    QTest::newRow("Qt's option reaches Qt") << QStringList{QStringLiteral("-platform=offscreen")} << kKeepsRunning
                                            << QString() << QString() << readBack;
    QTest::newRow("unknown word") << QStringList{QStringLiteral("-foo")} << 2 << QString()
                                  << QStringLiteral("pyokopon: Unknown option 'foo'\\.\\n") + usage << readBack;
    QTest::newRow("Qt's option without its value")
        << QStringList{QStringLiteral("-platform")} << 2 << QString()
        << QStringLiteral("pyokopon: Missing value after '-platform'\\.\\n") + usage << readBack;
    QTest::newRow("help to a full disk") << QStringList{QStringLiteral("--help")} << 1 << QString()
                                         << QStringLiteral("pyokopon: write error: [^\\n]+\\n")
                                         << QStringLiteral("/dev/full");
    QTest::newRow("no display") << QStringList{} << 1 << QString()
                                << QStringLiteral("pyokopon: cannot start without a display: "
                                                  "neither DISPLAY nor WAYLAND_DISPLAY is set\\.\\n")
                                << readBack;
    // Qt's warnings say why; the last line is the program's, and no abort.
    QTest::newRow("display that cannot be opened")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-display"),
                       QStringLiteral("nowhere")}
        << 1 << QString()
        << QStringLiteral("(.*\\n)?pyokopon: cannot open the display \\(-platform xcb, -display nowhere\\)\\.\\n")
        << readBack;
}

// A copy of the program runs alone in a fresh folder beside an unreadable
// date.dat, with a home of its own. Answering rows run with no display at
// all, as in a terminal, and must leave both untouched; the game, given a
// display of its own (by the environment, or by its arguments when it has
// some), starts, keeps running and reads its table from beside itself: it
// sets the unreadable one aside as date.dat.damaged.
void CommandLineTest::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, outputFile);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString folder = scratch.filePath(QStringLiteral("game"));
    const QString home = scratch.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(home));
    const QString program = folder + QStringLiteral("/pyokopon");
    QVERIFY(QFile::copy(QStringLiteral(PYOKOPON_PROGRAM), program));
    QFile table(folder + QStringLiteral("/date.dat"));
    QVERIFY(table.open(QIODevice::WriteOnly) && table.write("abc\r\n") == 5);
    table.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    const bool starts = exitCode == kKeepsRunning;
    if (starts && arguments.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(scratch.path());
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(30000), qPrintable(process.errorString()));

    const auto leftBehind = [&] {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name)
               + QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    if (starts) {
        QVERIFY2(!process.waitForFinished(1500), process.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + QStringLiteral("/date.dat.damaged")), 30000);
        QCOMPARE(process.state(), QProcess::Running);
        // Moved aside under the lock: no date.dat until the next save.
        QCOMPARE(leftBehind(), (QStringList{QStringLiteral("date.dat.damaged"), QStringLiteral("date.dat.lock"),
                                            QStringLiteral("pyokopon")}));
        process.kill();
        process.waitForFinished(30000);
        return;
    }

    QVERIFY2(process.waitForFinished(30000), "the program was still running after 30 s");
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(QRegularExpression(whole(out), QRegularExpression::DotMatchesEverythingOption).match(stdOut).hasMatch(),
             qPrintable(QStringLiteral("standard output:\n") + stdOut));
    QVERIFY2(QRegularExpression(whole(err), QRegularExpression::DotMatchesEverythingOption).match(stdErr).hasMatch(),
             qPrintable(QStringLiteral("standard error:\n") + stdErr));
    QCOMPARE(leftBehind(), (QStringList{QStringLiteral("date.dat"), QStringLiteral("pyokopon")}));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"

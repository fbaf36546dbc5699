#include "game/BoardWindow.h"
#include "platform/FontSetup.h"
#include "platform/QtTranslations.h"
#include "platform/RunTimeErrorBox.h"
#include "platform/SignalNotifier.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>
#include <QSessionManager>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// Answers --help and --version, or refuses a command line the game does not
// understand; returns -1 when the game should start, otherwise the exit code.
// It runs before QApplication exists: building one opens the display, and
// `pyokopon --help` must answer in a terminal that has none. Parsing needs no
// application object; only the answer builds a QCoreApplication, which opens
// no display, so that the usage line names the program as it was called.
// The game itself still gets its QApplication as the first and only
// application object. Qt's own options such as -platform are therefore not
// taken from the command line; its environment variables (QT_QPA_PLATFORM,
// QT_SCALE_FACTOR...) do the same job.
int readCommandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A reaction game: hit the targets that pop up from nine holes,\n"
                       "with the mouse or the numeric keypad. See pyokopon(6)."));
    // Not addHelpOption(): its --help-all lists Qt's options, which this
    // parser, running ahead of QApplication, does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    else if (!parser.isSet(help) && !parser.isSet(version))
        return -1;

    QCoreApplication answering(argc, argv);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n%s", qPrintable(QCoreApplication::applicationName()), qPrintable(error),
                     qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet(version))
        parser.showVersion();
    parser.showHelp();
}

// False until app.exec() runs: a quit asked for before then would be lost.
bool mainLoopRunning = false;

// Ends the program as the quit command would, from wherever the event loop
// is when asked, start-up included: a window shown modally (a message box,
// the name entry, the table shown by H) is hidden first, which answers it as
// Escape or OK would, and the rest waits until the code that showed it has
// finished. Then the board closes (its unload saves) and so does every
// other window.
void endProgram(QPointer<BoardWindow> board)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->hide();
    if (!mainLoopRunning || QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, qApp, [board] { endProgram(board); });
        return;
    }
    if (board)
        board->close();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("pyokopon"));
    QApplication::setApplicationVersion(QStringLiteral(PYOKOPON_VERSION));
    if (const int answered = readCommandLine(argc, argv); answered >= 0)
        return answered;

    QApplication app(argc, argv);
    // Ties the windows to the installed desktop entry, which carries the product name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pyokopon.Pyokopon"));
    setUpFonts();
    loadQtTranslations();
    showRunTimeErrorsInABox();

    QPointer<BoardWindow> board = new BoardWindow;
    board->setAttribute(Qt::WA_DeleteOnClose);

    // A kill, a closed terminal or Ctrl+C saves the table and ends normally.
    SignalNotifier endSignals;
    QObject::connect(&endSignals, &SignalNotifier::received, &app, [board] { endProgram(board); });
    // Logging out saves too; the box of a failed save needs the session
    // manager's leave to appear, and without it the rows wait for the next save.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, board, [board](QSessionManager& manager) {
        if (manager.allowsErrorInteraction()) {
            board->saveScores();
            manager.release();
        } else {
            board->saveScoresWithoutAsking();
        }
    });

    board->startUp();
    board->show();
    QTimer::singleShot(0, &app, [] { mainLoopRunning = true; });
    return app.exec();
}

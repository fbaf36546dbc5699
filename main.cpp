#include "game/BoardWindow.h"
#include "platform/FontSetup.h"
#include "platform/QtTranslations.h"
#include "platform/RunTimeErrorBox.h"
#include "platform/SignalNotifier.h"
#include "startup/CommandLine.h"
#include "startup/DisplayCheck.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

namespace {

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
    CommandLine commandLine(argc, argv);
    if (const int answered = commandLine.answer(); answered >= 0)
        return answered;
    if (!expectDisplay(commandLine.platform(), commandLine.display()))
        return 1;

    QApplication app(commandLine.qtArgumentCount(), commandLine.qtArguments());
    displayOpened();
    // Ties the windows to the installed desktop entry, which carries the product name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pyokopon.pyokopon"));
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

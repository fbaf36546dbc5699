#include "game/BoardWindow.h"
#include "platform/FontSetup.h"
#include "platform/MsgBox.h"
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

#include <cstdio>
#include <cstdlib>

namespace {

// False until app.exec() runs: a quit asked for before then would be lost.
bool mainLoopRunning = false;

// Ends the program for a signal (a kill, a closed terminal, Ctrl+C), from
// wherever the event loop is when asked, start-up included, without asking
// anyone: from then on a message box answers itself as Escape would (No for
// a question) without being shown, and the save makes one attempt and says
// on standard error what failed. A window already shown modally (a box, the
// name entry, the table shown by H) is hidden, which answers it the same
// way, and the rest waits until the code that showed it has finished. Then
// the board closes (its unload saves) and so does every other window; the
// program's status is 0 when the table was saved, 1 when not.
void endProgram(QPointer<BoardWindow> board)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->hide();
    if (!mainLoopRunning || QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, qApp, [board] { endProgram(board); });
        return;
    }
    // A board already gone was closed while its failed save asked Retry.
    bool saved = false;
    if (board) {
        board->close();
        saved = board->savedOnClose();
    }
    QApplication::closeAllWindows();
    QCoreApplication::exit(saved ? 0 : 1);
}

void beginEnding(QPointer<BoardWindow> board)
{
    static bool ending = false;
    if (ending)
        return;
    ending = true;
    // The status is endProgram's to give: a board closing for the quit
    // command while its failed save asks Retry must not end the program
    // with 0 as the last window goes.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (board)
        board->stopAsking();
    setMessageAnswerer([](const MsgRequest& request) {
        switch (request.buttons) {
        case MsgButtons::OK: return MsgResult::OK;
        case MsgButtons::YesNo: return MsgResult::No;
        case MsgButtons::RetryCancel: return MsgResult::Cancel;
        }
        return MsgResult::Cancel;
    });
    endProgram(board);
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

    // A kill, a closed terminal or Ctrl+C saves the table, asking no one, and ends.
    SignalNotifier endSignals;
    QObject::connect(&endSignals, &SignalNotifier::received, &app, [board] { beginEnding(board); });
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
    const int status = app.exec();
    // Once the event loop has returned the program's work is done: the table
    // is saved and every window closed. Qt's Wayland plugin now and then hung
    // while tearing itself down after that, leaving a process with no window
    // that never ended, so the program ends here without the teardown.
    std::fflush(nullptr);
    std::_Exit(status);
}

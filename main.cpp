#include "game/Form5.h"
#include "platform/FontSetup.h"
#include "platform/RunTimeErrorBox.h"
#include "platform/SignalNotifier.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

namespace {

// False until app.exec() runs: a quit asked for before then would be lost.
bool MainLoopRunning = false;

// Ends the program as the quit command would, from wherever the event loop
// is when asked, start-up included: a window shown modally (a message box,
// the name entry, the table shown by H) is hidden first, which answers it as
// Escape or OK would, and the rest waits until the code that showed it has
// finished. Then the board closes (its unload saves) and so does every
// other window.
void EndProgram(QPointer<Form5> board)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->hide();
    if (!MainLoopRunning || QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, qApp, [board] { EndProgram(board); });
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pyokopon"));
    QApplication::setApplicationVersion(QStringLiteral(PYOKOPON_VERSION));
    // Ties the windows to the installed desktop entry, which carries the product name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pyokopon.Pyokopon"));
    SetUpFonts();
    ShowRunTimeErrorsInABox();

    QPointer<Form5> board = new Form5;
    board->setAttribute(Qt::WA_DeleteOnClose);

    // A kill, a closed terminal or Ctrl+C saves the table and ends normally.
    SignalNotifier endSignals;
    QObject::connect(&endSignals, &SignalNotifier::received, &app, [board] { EndProgram(board); });
    // Logging out saves too; the box of a failed save needs the session
    // manager's leave to appear, and without it the rows wait for the next save.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, board, [board](QSessionManager& manager) {
        if (manager.allowsErrorInteraction()) {
            board->SaveHighScores();
            manager.release();
        } else {
            board->SaveHighScoresWithoutAsking();
        }
    });

    board->Form_Load();
    board->show();
    QTimer::singleShot(0, &app, [] { MainLoopRunning = true; });
    return app.exec();
}

#include "game/Form5.h"
#include "platform/FontSetup.h"
#include "platform/RunTimeErrorBox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pyokopon"));
    QApplication::setApplicationVersion(QStringLiteral(PYOKOPON_VERSION));
    // Ties the windows to the installed desktop entry, which carries the product name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pyokopon.Pyokopon"));
    SetUpFonts();
    ShowRunTimeErrorsInABox();

    Form5* board = new Form5;
    board->setAttribute(Qt::WA_DeleteOnClose);
    board->Form_Load();
    board->show();
    return app.exec();
}

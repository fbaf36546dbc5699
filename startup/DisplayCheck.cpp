#include "startup/DisplayCheck.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler qtHandler = nullptr;
QByteArray failureLine;

// Whether every platform in a list Qt is to try ("wayland;xcb", each name
// perhaps with ":options") is one that shows windows on a display server.
// An empty list leaves the choice to Qt, which makes it X11 or Wayland on
// a desktop. Checked against the variables rather than by connecting:
// Qt's X11 plugin cannot connect without DISPLAY, and Wayland sessions set
// WAYLAND_DISPLAY.
bool needsDisplayServer(const QString& platforms)
{
    const QStringList entries = platforms.split(u';', Qt::SkipEmptyParts);
    return std::all_of(entries.cbegin(), entries.cend(), [](const QString& entry) {
        const QString name = entry.section(u':', 0, 0);
        return name == u"xcb" || name.startsWith(u"wayland");
    });
}

// Qt's fatal message when no platform could be started only advises
// reinstalling; the warnings before it say what failed.
void endOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        qtHandler(type, context, message);
        return;
    }
    std::fputs(failureLine.constData(), stderr);
    std::_Exit(1);
}

} // namespace

bool expectDisplay(const QString& platformOption, const QString& displayOption)
{
    const QString platform = platformOption.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformOption;
    const QString x11 = displayOption.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayOption;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString program = QCoreApplication::applicationName();
    if (x11.isEmpty() && wayland.isEmpty() && needsDisplayServer(platform)) {
        std::fprintf(stderr, "%s: cannot start without a display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n",
                     qPrintable(program));
        return false;
    }

    QStringList given;
    if (!platformOption.isEmpty())
        given << QStringLiteral("-platform ") + platformOption;
    else if (!platform.isEmpty())
        given << QStringLiteral("QT_QPA_PLATFORM=") + platform;
    if (!displayOption.isEmpty())
        given << QStringLiteral("-display ") + displayOption;
    else if (!x11.isEmpty())
        given << QStringLiteral("DISPLAY=") + x11;
    if (!wayland.isEmpty())
        given << QStringLiteral("WAYLAND_DISPLAY=") + wayland;
    failureLine = QStringLiteral("%1: cannot open the display (%2).\n").arg(program, given.join(u", ")).toLocal8Bit();
    qtHandler = qInstallMessageHandler(endOnFatal);
    return true;
}

void displayOpened()
{
    qInstallMessageHandler(qtHandler);
}

#include "startup/CommandLine.h"

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Qt's documented command-line options and whether each takes a value.
// QApplication reads them, its X11 plugin those from -display on; -sync,
// -ncols and -cmap no longer do anything but are accepted all the same.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption qtOptions[] = {
    {"platform", true},     {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},     {"qwindowtitle", true},  {"reverse", false},
    {"session", true},      {"style", true},              {"stylesheet", true},    {"widgetcount", false},
    {"qmljsdebugger", true}, {"display", true},           {"geometry", true},      {"title", true},
    {"icon", true},         {"name", true},               {"visual", true},        {"ncols", true},
    {"cmap", false},        {"nograb", false},            {"dograb", false},       {"sync", false},
};

// Writes an answer whole, or says why it could not and returns 1: --help
// sent to a full disk must not end as a success.
int writeAnswer(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "%s: write error: %s\n", qPrintable(QCoreApplication::applicationName()),
                 std::strerror(errno));
    return 1;
}

} // namespace

CommandLine::CommandLine(int argc, char* argv[]) : argc_(argc), argv_(argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    parser_.setApplicationDescription(
        QStringLiteral("A reaction game: hit the targets that pop up from nine holes,\n"
                       "with the mouse or the numeric keypad. See pyokopon(6)."));
    // Qt's options are words after a single dash; read so, -foo is refused
    // as the word it is rather than as the letters f and o.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its --help-all, the help with Qt's options, is
    // answered only by process(), which needs the application object this
    // runs ahead of. pyokopon(6) lists Qt's options instead.
    parser_.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Displays this help and exits.")));
    parser_.addVersionOption();
    // Listed in pyokopon(6), not in --help, as Qt keeps them out of it.
    for (const QtOption& option : qtOptions) {
        QCommandLineOption qtOption(QString::fromLatin1(option.name), QString(),
                                    option.takesValue ? QStringLiteral("value") : QString());
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser_.addOption(qtOption);
    }

    if (!parser_.parse(arguments))
        error_ = parser_.errorText();
    else if (!parser_.positionalArguments().isEmpty())
        error_ = QStringLiteral("Unexpected argument '%1'.").arg(parser_.positionalArguments().constFirst());
    else
        keepQtOptions();
}

int CommandLine::answer()
{
    const bool help = parser_.isSet(QStringLiteral("help"));
    const bool version = parser_.isSet(QStringLiteral("version"));
    if (error_.isEmpty() && !help && !version)
        return -1;

    QCoreApplication answering(argc_, argv_);
    if (!error_.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n%s", qPrintable(QCoreApplication::applicationName()), qPrintable(error_),
                     qPrintable(parser_.helpText()));
        return 2;
    }
    if (version)
        return writeAnswer(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion()
                           + u'\n');
    return writeAnswer(parser_.helpText());
}

QString CommandLine::platform() const
{
    return parser_.value(QStringLiteral("platform"));
}

QString CommandLine::display() const
{
    return parser_.value(QStringLiteral("display"));
}

int& CommandLine::qtArgumentCount()
{
    return qtArgc_;
}

char** CommandLine::qtArguments()
{
    return qtArgv_.data();
}

void CommandLine::keepQtOptions()
{
    qtWords_ << QByteArray(argc_ > 0 ? argv_[0] : "pyokopon");
    for (const QtOption& option : qtOptions) {
        const QString name = QString::fromLatin1(option.name);
        if (!parser_.isSet(name))
            continue;
        const QByteArray word = '-' + QByteArray(option.name);
        if (!option.takesValue)
            qtWords_ << word;
        else
            for (const QString& value : parser_.values(name))
                qtWords_ << word << value.toLocal8Bit();
    }
    for (QByteArray& word : qtWords_)
        qtArgv_.push_back(word.data());
    qtArgv_.push_back(nullptr);
    qtArgc_ = int(qtWords_.size());
}

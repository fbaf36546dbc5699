#pragma once

#include <QByteArrayList>
#include <QCommandLineParser>
#include <QString>

#include <vector>

// The program's command line: its own options, answered before any window
// opens, and Qt's documented ones (-platform, -style, -display...), handed
// on to QApplication, which reads them as in every Qt program.
//
// It is read before QApplication exists: building one opens the display,
// and `pyokopon --help` must answer in a terminal that has none. Parsing
// needs no application object; only an answer builds a QCoreApplication,
// which opens no display, so that the usage line names the program as it
// was called. The game itself still gets its QApplication as the first and
// only application object.
class CommandLine {
public:
    // Parses argv, which must outlive this object.
    CommandLine(int argc, char* argv[]);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // -1 when the game should start; otherwise --help, --version or the
    // refusal of a line the game does not understand has been written and
    // this is the exit status.
    int answer();

    // What -platform and -display asked for; empty when not given.
    QString platform() const;
    QString display() const;

    // argc and argv for QApplication: the program's name and Qt's options,
    // each value as a word of its own after its option, the one form Qt
    // reads for all of them (it would pass over -platform=xcb). Valid while
    // this object lives.
    int& qtArgumentCount();
    char** qtArguments();

private:
    void keepQtOptions();

    int argc_;
    char** argv_;
    QCommandLineParser parser_;
    QString error_;
    QByteArrayList qtWords_;
    std::vector<char*> qtArgv_;
    int qtArgc_ = 0;
};

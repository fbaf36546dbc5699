// save_loop PATH: saves the two tables of SaveLoopTables.h to PATH in turn
// until it is killed, and prints one line once the first save is done.

#include "SaveLoopTables.h"
#include "scores/HighScoreFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: save_loop PATH\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const HighScoreTable tables[] = {SaveLoopTable(0), SaveLoopTable(1)};
    for (unsigned long count = 1;; ++count) {
        if (!saveHighScoresFile(path, tables[count % 2]).succeeded())
            return 1;
        if (count == 1) {
            std::puts("saved");
            std::fflush(stdout);
        }
    }
}

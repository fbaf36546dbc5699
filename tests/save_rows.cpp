// save_rows PATH NAME SCORE...: loads PATH once, as a starting game does,
// then for each score records the row (SCORE, "普通", NAME-SCORE) and saves,
// as each game end does. Ends with status 1 and the reason on stderr when
// a save fails.
// save_rows --show PATH: loads PATH and prints its rows, one a line as
// "score<TAB>name", then "damaged" when the load reported damage.

#include "scores/FileMessages.h"
#include "scores/HighScoreStore.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--show") == 0) {
        HighScoreStore store(QString::fromLocal8Bit(argv[2]));
        const bool damaged = store.load().has_value();
        for (int row = 1; row <= HighScoreTable::Rows; ++row)
            std::printf("%d\t%s\n", store.table().row(row).score, store.table().row(row).name.toUtf8().constData());
        if (damaged)
            std::puts("damaged");
        return 0;
    }
    if (argc < 4) {
        std::fputs("usage: save_rows PATH NAME SCORE... | save_rows --show PATH\n", stderr);
        return 2;
    }
    HighScoreStore store(QString::fromLocal8Bit(argv[1]));
    store.load();
    for (int arg = 3; arg < argc; ++arg) {
        const QString name = QString::fromLocal8Bit(argv[2]) + u'-' + QString::fromLatin1(argv[arg]);
        store.record({qint16(std::atoi(argv[arg])), QStringLiteral("普通"), name});
        const HighScoreSave result = store.save(std::chrono::seconds(60));
        if (!result.saved) {
            std::fprintf(stderr, "%s\n", saveFailureReason(store.path(), result).toUtf8().constData());
            return 1;
        }
    }
    return 0;
}

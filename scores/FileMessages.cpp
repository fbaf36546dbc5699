#include "scores/FileMessages.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace {

// The last sentence of a reason for a failed save: what the file holds now.
QString unchangedSentence()
{
    return QStringLiteral("\n前に保存したファイルは変更していません。");
}

QString partlyWrittenSentence()
{
    return QStringLiteral("\nファイルは途中まで書き換わっているおそれがあります。");
}

constexpr qsizetype QuotedChars = 40;   // of a bad field, in a sentence

// The common causes in the player's words, the system's own text otherwise.
QString errorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("権限がありません");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空きが足りません");
    case ENOENT:
        return QStringLiteral("見つかりません");
    case EROFS:
        return QStringLiteral("読み取り専用のディスクです");
    default:
        return qt_error_string(error);
    }
}

// A field as a sentence shows it: at most QuotedChars characters, then "…".
QString excerpt(const QString& text)
{
    if (text.size() <= QuotedChars)
        return text;
    const qsizetype keep = text.at(QuotedChars - 1).isHighSurrogate() ? QuotedChars - 1 : QuotedChars;
    return text.first(keep) + QChar(0x2026);
}

QString badScoreSentence(const HighScoreFault& fault)
{
    const QString shown = excerpt(fault.score);
    if (fault.outOfRange) {
        return QStringLiteral("%1 行目の得点「%2」が -32768 から 32767 の範囲を外れています。")
            .arg(fault.line)
            .arg(shown);
    }
    return QStringLiteral("%1 行目の得点「%2」が整数ではありません。")
        .arg(fault.line)
        .arg(fault.quoted ? u'"' + shown + u'"' : shown);
}

QString folderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

QString createFailure(const QString& path, int error)
{
    const QString folder = folderOf(path);
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("保存先のフォルダ %1 に書き込む権限がありません。").arg(folder);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("保存先のフォルダ %1 が見つかりません。").arg(folder);
    case EROFS:
        return QStringLiteral("保存先のフォルダ %1 は読み取り専用のディスクにあります。").arg(folder);
    default:
        return QStringLiteral("保存先のフォルダ %1 にファイルを作れませんでした（%2）。").arg(folder, errorText(error));
    }
}

QString writeFailure(int error)
{
    return QStringLiteral("書き込みの途中で失敗しました（%1）。").arg(errorText(error));
}

QString folderInTheWay()
{
    return QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。");
}

} // namespace

QString problemSentence(const HighScoreFault& fault)
{
    const int line = fault.line;
    switch (fault.kind) {
    case HighScoreProblem::None:
    case HighScoreProblem::NotAFile:
        break;
    case HighScoreProblem::Empty:
        return QStringLiteral("ファイルが空です (0 バイト)。");
    case HighScoreProblem::TooFewFields:
        return QStringLiteral("%1 行目でファイルが終わっています。%2 個の項目が必要ですが、%3 個しかありません。")
            .arg(line)
            .arg(HighScoreFields)
            .arg(fault.fieldsRead);
    case HighScoreProblem::UnclosedQuote:
        return QStringLiteral("%1 行目の二重引用符 (\") が閉じられていません。").arg(line);
    case HighScoreProblem::TextAfterQuote:
        return QStringLiteral("%1 行目で、二重引用符 (\") で囲まれた値の後に余分な文字があります。").arg(line);
    case HighScoreProblem::BadScore:
        return badScoreSentence(fault);
    case HighScoreProblem::NotCp932:
        return QStringLiteral("%1 行目に、Shift_JIS (cp932) の文字として読めないバイトがあります。").arg(line);
    case HighScoreProblem::TooLong:
        return QStringLiteral("先頭から %1 MiB (%2 行目) まで読んでも、%3 個の項目がそろいません。")
            .arg(HighScoreReadLimit / (1024 * 1024))
            .arg(line)
            .arg(HighScoreFields);
    case HighScoreProblem::Unreadable:
        return QStringLiteral("%1 行目のあたりで、ファイルの読み込みに失敗しました。").arg(line);
    }
    return QString();
}

QString inspectFailedSentence(int error)
{
    return QStringLiteral("ファイルを調べられませんでした（%1）。").arg(errorText(error));
}

QString openFailedSentence(int error)
{
    return QStringLiteral("ファイルを開けませんでした（%1）。").arg(errorText(error));
}

QString notAFileSentence(mode_t mode)
{
    QString what = QStringLiteral("特殊なファイル");
    if (S_ISDIR(mode))
        what = QStringLiteral("フォルダ");
    else if (S_ISFIFO(mode))
        what = QStringLiteral("名前付きパイプ (FIFO)");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        what = QStringLiteral("デバイス");
    else if (S_ISSOCK(mode))
        what = QStringLiteral("ソケット");
    return QStringLiteral("ファイルではなく%1です。").arg(what);
}

QString replaceFailedReason(const QString& path, const ReplaceOutcome& outcome)
{
    const QString unchanged = unchangedSentence();
    switch (outcome.failed) {
    case ReplaceStep::None:
        break;
    case ReplaceStep::Target:
        return folderInTheWay() + unchanged;
    case ReplaceStep::Create:
        return createFailure(path, outcome.error) + unchanged;
    case ReplaceStep::Write:
        return writeFailure(outcome.error) + unchanged;
    case ReplaceStep::Rename:
        return (outcome.error == EISDIR
                    ? folderInTheWay()
                    : QStringLiteral("ファイルを置き換えられませんでした（%1）。").arg(errorText(outcome.error)))
            + unchanged;
    case ReplaceStep::WriteInPlace:
        return writeFailure(outcome.error) + partlyWrittenSentence();
    case ReplaceStep::Reserve:
        return QStringLiteral("新しい記録を書く場所を確保できませんでした（%1）。").arg(errorText(outcome.error))
            + unchanged;
    case ReplaceStep::Declined:
        return QStringLiteral("書き換える前の記録を残せなかったため、書き換えませんでした。") + unchanged;
    }
    return QString();
}

QString lockFailureReason(const QString& lockPath, QLockFile::LockError error)
{
    const QString path = QDir::toNativeSeparators(lockPath);
    if (error == QLockFile::LockFailedError) {
        return QStringLiteral("ほかに起動しているぴょこぽんがこのファイルを保存中のため、保存できませんでした"
                              "（ロックファイル %1）。しばらく待ってから「再試行」を押してください。")
            .arg(path);
    }
    return QStringLiteral("保存の順番を決めるロックファイル %1 を作れませんでした。"
                          "フォルダに書き込めるか確かめてください。")
        .arg(path);
}

QString damagedFileMessage(const QString& path, const QString& problem, const QString& copyPath)
{
    QString text = QStringLiteral("ハイスコアのファイルを最後まで読めませんでした。\n%1\n%2\n\n"
                                  "読めた順位の記録はそのまま使い、残りの順位は初期の記録にしました。\n")
                       .arg(QDir::toNativeSeparators(path), problem);
    if (copyPath.isEmpty()) {
        text += QStringLiteral("元のファイルの控えを作れませんでした。ゲームを終了すると上書きされるので、"
                               "必要なら先にこのファイルを別の場所へ写してください。");
    } else {
        text += QStringLiteral("元のファイルは次の名前で残してあります。\n%1").arg(QDir::toNativeSeparators(copyPath));
    }
    return text;
}

QString notAFileMessage(const QString& path, const QString& problem)
{
    return QStringLiteral("ハイスコアのファイルを読めませんでした。\n%1\n%2\n\n"
                          "記録は初期の状態から始めます。保存するときに、この名前で新しいファイルを作ります。")
        .arg(QDir::toNativeSeparators(path), problem);
}

QString saveFailedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できませんでした。\n%1\n%2\n\n"
                          "「再試行」でもう一度保存します。「キャンセル」を選ぶと、今は保存しません。\n"
                          "ゲームの終了のときにキャンセルすると、今回の記録は保存されません。")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString notSavedAtEndMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できないまま終了します。\n%1\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString noPlaceForScoresMessage(const QString& exeFolder, const QString& appDataFolder)
{
    const QString elsewhere = appDataFolder.isEmpty()
        ? QStringLiteral("ユーザーごとの保存先も、環境変数 HOME と XDG_DATA_HOME が絶対パスでないため決められません。")
        : QStringLiteral("ユーザーごとの保存先のフォルダ %1 も作れませんでした。").arg(QDir::toNativeSeparators(appDataFolder));
    return QStringLiteral("このままではハイスコアを保存できません。\n"
                          "ゲームのフォルダ %1 には書き込めず、%2\n"
                          "ゲームのフォルダに書き込めるようにするか、HOME を設定してから起動し直してください。")
        .arg(QDir::toNativeSeparators(exeFolder), elsewhere);
}

QString unreadableLinkSentence()
{
    return QStringLiteral("ファイルではなく、読めるファイルにつながっていないリンクです。");
}

QString lockIsFolderReason(const QString& lockPath)
{
    return QStringLiteral("保存の順番を決めるロックファイルの名前 %1 に、同じ名前のフォルダがあります。"
                          "このフォルダを移すか消してから「再試行」を押してください。")
        .arg(QDir::toNativeSeparators(lockPath));
}

QString unreadableFileMessage(const QString& path, const QString& problem)
{
    return QStringLiteral("ハイスコアのファイルを読めませんでした。\n%1\n%2\n\n"
                          "記録は初期の状態から始めます。このファイルは上書きしません。"
                          "読めるようにするまで、ハイスコアは保存できません。")
        .arg(QDir::toNativeSeparators(path), problem);
}

QString sharedFileBusyReason(const QString& path)
{
    return QStringLiteral("ほかに起動しているぴょこぽんがこのファイル %1 を保存中のため、保存できませんでした。"
                          "しばらく待ってから「再試行」を押してください。")
        .arg(QDir::toNativeSeparators(path));
}

QString partlyWrittenReason(const QString& path, const ReplaceOutcome& outcome, const QString& previousCopy)
{
    // The first sentence says what failed now; what follows it must not
    // claim the file is unchanged, since an earlier attempt changed it.
    QString text = replaceFailedReason(path, outcome).section(u'\n', 0, 0);
    text += partlyWrittenSentence();
    if (!previousCopy.isEmpty()) {
        text += QStringLiteral("書き換える前の記録は %1 に残してあり、ファイルが壊れていれば次に読むときに使います。")
                    .arg(QDir::toNativeSeparators(previousCopy));
    }
    return text;
}

QString previousNotKeptReason(const QString& path, const QString& previousCopy, bool partlyWritten)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(previousCopy).absolutePath());
    QString text = QStringLiteral("%1 を書き換える前に、今の記録を %2 に残せなかったため、保存しませんでした。"
                                  "フォルダ %3 に書き込めるか、空きがあるか確かめてから「再試行」を押してください。")
                       .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(previousCopy), folder);
    text += partlyWritten ? partlyWrittenSentence() : unchangedSentence();
    return text;
}

#include "scores/FileMessages.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace {

constexpr qsizetype QuotedChars = 40;   // of a bad field, in a sentence

// What the file holds after a save that did not reach it.
QString unchangedSentence()
{
    return QStringLiteral("\n前に保存したファイルは変更していません。");
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// The common causes in the player's words, the system's own text otherwise.
QString errorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("権限がありません");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空きが足りません");
    case ENOENT: return QStringLiteral("見つかりません");
    case EROFS: return QStringLiteral("読み取り専用のディスクです");
    default: return qt_error_string(error);
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
    if (fault.outOfRange)
        return QStringLiteral("%1 行目の得点「%2」が -32768 から 32767 の範囲を外れています。").arg(fault.line).arg(shown);
    return QStringLiteral("%1 行目の得点「%2」が整数ではありません。").arg(fault.line).arg(fault.quoted ? u'"' + shown + u'"' : shown);
}

QString whatStands(unsigned mode)
{
    switch (mode) {
    case S_IFDIR: return QStringLiteral("フォルダ");
    case S_IFIFO: return QStringLiteral("名前付きパイプ (FIFO)");
    case S_IFCHR:
    case S_IFBLK: return QStringLiteral("デバイス");
    case S_IFSOCK: return QStringLiteral("ソケット");
    case S_IFLNK: return QStringLiteral("リンク");
    default: return QStringLiteral("特殊なファイル");
    }
}

QString lockReason(const HighScoreSave& save, const QString& path)
{
    if (save.lock == FileLock::Result::Busy)
        return QStringLiteral("ほかに起動しているぴょこぽんがこのファイルを保存中のため、保存できませんでした。");
    const QString lockPath = native(path + QStringLiteral(".lock"));
    if (save.lockMode != 0 && save.lockMode != S_IFREG)
        return QStringLiteral("保存の順番を決めるロックファイルの名前 %1 に%2があるため、保存できませんでした。")
            .arg(lockPath, whatStands(save.lockMode));
    return QStringLiteral("保存の順番を決めるロックファイル %1 を使えませんでした（%2）。")
        .arg(lockPath, errorText(save.lockError));
}

QString writeFailedSentence(int error)
{
    return QStringLiteral("書き込みの途中で失敗しました（%1）。").arg(errorText(error));
}

QString replaceReason(const QString& path, const ReplaceOutcome& outcome)
{
    const QString folder = native(QFileInfo(path).absolutePath());
    const int error = outcome.error;
    if (error == EISDIR)
        return QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。");
    if (outcome.failed == ReplaceStep::Write)
        return writeFailedSentence(error);
    if (outcome.failed == ReplaceStep::Rename)
        return QStringLiteral("ファイルを置き換えられませんでした（%1）。").arg(errorText(error));
    if (error == ENOENT || error == ENOTDIR)
        return QStringLiteral("保存先のフォルダ %1 が見つかりません。").arg(folder);
    if (error == EACCES || error == EPERM)
        return QStringLiteral("保存先のフォルダ %1 に書き込む権限がありません。").arg(folder);
    return QStringLiteral("保存先のフォルダ %1 にファイルを作れませんでした（%2）。").arg(folder, errorText(error));
}

QString inPlaceReason(const QString& path, const RewriteOutcome& outcome)
{
    if (outcome.step == RewriteStep::Open)
        return QStringLiteral("保存先のフォルダ %1 にも、このファイルにも書き込めません（%2）。")
            .arg(native(QFileInfo(path).absolutePath()), errorText(outcome.error));
    return writeFailedSentence(outcome.error);
}

} // namespace

QString problemSentence(const HighScoreFault& fault)
{
    const int line = fault.line;
    switch (fault.kind) {
    case HighScoreProblem::None:
        break;
    case HighScoreProblem::Empty:
        return QStringLiteral("ファイルが空です (0 バイト)。");
    case HighScoreProblem::TooFewFields:
        return QStringLiteral("%1 行目でファイルが終わっています。%2 個の項目が必要ですが、%3 個しかありません。")
            .arg(line).arg(HighScoreFields).arg(fault.fieldsRead);
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
            .arg(HighScoreReadLimit / (1024 * 1024)).arg(line).arg(HighScoreFields);
    case HighScoreProblem::NotAFile:
        return QStringLiteral("ファイルではなく%1です。").arg(whatStands(fault.mode));
    case HighScoreProblem::BadLink:
        return QStringLiteral("ファイルではなく、読めるファイルにつながっていないリンクです。");
    case HighScoreProblem::Unreadable:
        if (line == 0)
            return QStringLiteral("ファイルを開けませんでした（%1）。").arg(errorText(fault.error));
        return QStringLiteral("%1 行目のあたりで、ファイルの読み込みに失敗しました。").arg(line);
    }
    return QString();
}

QString saveFailureReason(const QString& path, const HighScoreSave& save)
{
    if (save.lock != FileLock::Result::Locked)
        return lockReason(save, path) + unchangedSentence();
    if (save.unreadable.kind != HighScoreProblem::None)
        return problemSentence(save.unreadable) + QStringLiteral("\n読めないファイルは上書きしません。");
    return writeFailureReason(path, save.write);
}

QString writeFailureReason(const QString& path, const HighScoreWrite& write)
{
    const QString reason = write.inPlace ? inPlaceReason(path, *write.inPlace) : replaceReason(path, write.replace);
    return reason + unchangedSentence();
}

QString damageMessage(const QString& path, const HighScoreDamage& damage)
{
    const QString head = QStringLiteral("ハイスコアのファイルを%1読めませんでした。\n%2\n%3\n\n");
    const HighScoreProblem kind = damage.fault.kind;
    const QString problem = problemSentence(damage.fault);
    if (kind == HighScoreProblem::Unreadable)
        return head.arg(QString(), native(path), problem)
            + QStringLiteral("記録は初期の状態から始めます。このファイルは上書きしません。"
                             "読めるようにするまで、ハイスコアは保存できません。");
    if (kind == HighScoreProblem::NotAFile || kind == HighScoreProblem::BadLink)
        return head.arg(QString(), native(path), problem)
            + QStringLiteral("記録は初期の状態から始めます。保存するときに、この名前で新しいファイルを作ります。");
    QString text = head.arg(QStringLiteral("最後まで"), native(path), problem)
        + QStringLiteral("読めた順位の記録はそのまま使い、残りの順位は初期の記録にしました。\n");
    if (damage.copyPath.isEmpty())
        return text + QStringLiteral("元のファイルの控えを作れませんでした。ゲームを終了すると上書きされるので、"
                                     "必要なら先にこのファイルを別の場所へ写してください。");
    return text + QStringLiteral("元のファイルは次の名前で残してあります。\n%1").arg(native(damage.copyPath));
}

QString saveFailedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できませんでした。\n%1\n%2\n\n"
                          "「再試行」でもう一度保存します。「キャンセル」を選ぶと、今は保存しません。\n"
                          "ゲームの終了のときにキャンセルすると、今回の記録は保存されません。")
        .arg(native(path), reason);
}

QString notSavedAtEndMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("ハイスコアを保存できないまま終了します。\n%1\n%2").arg(native(path), reason);
}

QString noPlaceForScoresMessage(const QString& exeFolder, const QString& appDataFolder)
{
    const QString elsewhere = appDataFolder.isEmpty()
        ? QStringLiteral("ユーザーごとの保存先も、環境変数 HOME と XDG_DATA_HOME が絶対パスでないため決められません。")
        : QStringLiteral("ユーザーごとの保存先のフォルダ %1 も作れませんでした。").arg(native(appDataFolder));
    return QStringLiteral("このままではハイスコアを保存できません。\n"
                          "ゲームのフォルダ %1 には書き込めず、%2\n"
                          "ゲームのフォルダに書き込めるようにするか、HOME を設定してから起動し直してください。")
        .arg(native(exeFolder), elsewhere);
}

QString ownFileMessage(const QString& sharedPath, const QString& ownPath)
{
    return QStringLiteral("ハイスコアのファイル %1 にも、そのフォルダにも書き込めません。\n"
                          "記録はこのファイルから読み、これからは次のファイルに保存します。\n%2")
        .arg(native(sharedPath), native(ownPath));
}

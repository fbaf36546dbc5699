#include "scores/FileMessages.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// The common causes in the player's words, the system's own text otherwise.
QString errorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("権限がありません");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空きが足りません");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます");
    case EIO: return QStringLiteral("ディスクの読み書きに失敗しました");
    case EISDIR: return QStringLiteral("フォルダです");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("見つかりません");
    case EROFS: return QStringLiteral("読み取り専用のディスクです");
    default: return qt_error_string(error);
    }
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

// A field as a sentence shows it: at most 40 characters, then "…".
QString excerpt(const QString& text)
{
    if (text.size() <= 40)
        return text;
    return text.first(text.at(39).isHighSurrogate() ? 39 : 40) + QChar(0x2026);
}

} // namespace

QString problemSentence(const HighScoreFault& fault)
{
    const QString line = QString::number(fault.line);
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
        return (fault.outOfRange ? QStringLiteral("%1 行目の得点「%2」が -32768 から 32767 の範囲を外れています。")
                                 : QStringLiteral("%1 行目の得点「%2」が整数ではありません。"))
            .arg(line, excerpt(fault.score));
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
        if (fault.line == 0)
            return QStringLiteral("ファイルを開けませんでした（%1）。").arg(errorText(fault.error));
        return QStringLiteral("%1 行目のあたりで、ファイルの読み込みに失敗しました。").arg(line);
    }
    return QString();
}

QString saveFailureReason(const QString& path, const HighScoreSave& save)
{
    if (save.unreadable.kind != HighScoreProblem::None)
        return problemSentence(save.unreadable) + QStringLiteral("\n読めないファイルは上書きしません。");
    return writeFailureReason(path, save.outcome);
}

QString writeFailureReason(const QString& path, const FileOutcome& outcome)
{
    const QString folder = native(QFileInfo(path).absolutePath());
    const QString lockFile = native(path + QStringLiteral(".lock"));
    const QString cause = errorText(outcome.error);
    const bool missing = outcome.error == ENOENT || outcome.error == ENOTDIR;
    QString reason;
    switch (outcome.step) {
    case FileStep::Done:
        return QString();
    case FileStep::Busy:
        reason = QStringLiteral("ほかに起動しているぴょこぽんがこのファイルを保存中のため、保存できませんでした。");
        break;
    case FileStep::LockName:
        reason = outcome.mode != 0 && outcome.mode != S_IFREG
            ? QStringLiteral("保存の順番を決めるロックファイルの名前 %1 に%2があるため、保存できませんでした。")
                  .arg(lockFile, whatStands(outcome.mode))
            : QStringLiteral("保存の順番を決めるロックファイル %1 を使えませんでした（%2）。").arg(lockFile, cause);
        break;
    case FileStep::Folder:
        reason = missing ? QStringLiteral("保存先のフォルダ %1 が見つかりません。").arg(folder)
                         : QStringLiteral("保存先のフォルダ %1 にファイルを作れませんでした（%2）。").arg(folder, cause);
        break;
    case FileStep::Write:
        reason = QStringLiteral("書き込みの途中で失敗しました（%1）。").arg(cause);
        break;
    case FileStep::Rename:
        reason = outcome.error == EISDIR ? QStringLiteral("同じ名前のフォルダがあるため、ファイルを書けません。")
                                         : QStringLiteral("ファイルを置き換えられませんでした（%1）。").arg(cause);
        break;
    case FileStep::Open:
        reason = QStringLiteral("保存先のフォルダ %1 にも、このファイルにも書き込めません（%2）。").arg(folder, cause);
        break;
    }
    return reason + QStringLiteral("\n前に保存したファイルは変更していません。");
}

QString damageMessage(const QString& path, const HighScoreDamage& damage)
{
    const HighScoreProblem kind = damage.fault.kind;
    const bool noRows = kind == HighScoreProblem::Unreadable || kind == HighScoreProblem::NotAFile
        || kind == HighScoreProblem::BadLink;
    QString then;
    if (kind == HighScoreProblem::Unreadable)
        then = QStringLiteral("記録は初期の状態から始めます。このファイルは上書きしません。"
                              "読めるようにするまで、ハイスコアは保存できません。");
    else if (noRows)
        then = QStringLiteral("記録は初期の状態から始めます。保存するときに、この名前で新しいファイルを作ります。");
    else if (damage.copyPath.isEmpty())
        then = QStringLiteral("読めた順位の記録はそのまま使い、残りの順位は初期の記録にしました。\n"
                              "元のファイルの控えを作れませんでした。ゲームを終了すると上書きされるので、"
                              "必要なら先にこのファイルを別の場所へ写してください。");
    else
        then = QStringLiteral("読めた順位の記録はそのまま使い、残りの順位は初期の記録にしました。\n"
                              "元のファイルは次の名前で残してあります。\n%1").arg(native(damage.copyPath));
    return QStringLiteral("ハイスコアのファイルを%1読めませんでした。\n%2\n%3\n\n%4")
        .arg(noRows ? QString() : QStringLiteral("最後まで"), native(path), problemSentence(damage.fault), then);
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

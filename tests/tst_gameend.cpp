#include "TestBoard.h"

#include "about/AboutDialog.h"
#include "platform/ClickLabel.h"
#include "platform/Cp932.h"
#include "platform/FontSetup.h"
#include "platform/ModalOwner.h"
#include "scores/HighScoreFile.h"
#include "scores/HighScoreWindow.h"
#include "scores/NameEntryDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>
#include <QtTest>

namespace {

QByteArray dateDatOf(const QList<int>& scores, const QString& name = QStringLiteral("名無しの権兵衛"))
{
    HighScoreTable table;
    for (int row = 1; row <= scores.size(); ++row)
        table.setRow(row, {qint16(scores.at(row - 1)), QStringLiteral("易しい"), name + QString::number(row)});
    return writeHighScores(table);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QList<int> Descending = {900, 800, 700, 600, 500, 400, 300, 200, 100, 0};

} // namespace

class GameEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void ranking_data();
    void ranking();
    void namesComeBackUnchanged_data();
    void namesComeBackUnchanged();
    void wholeGameEntersTheTable_data();
    void wholeGameEntersTheTable();
    void ticksWhileNameEntryIsOpenChangeNothing();
    void secondGameEndRefillsOpenWindowWithFreshEntry();
    void commandsPauseAndResume_data();
    void commandsPauseAndResume();
    void highScoreWindowShowsTableAtOpening();
    void highScoreCommandWhileWindowOpenFromGameEnd();
    void tableFile_data();
    void tableFile();
    void damagedFile_data();
    void damagedFile();
    void failedSave_data();
    void failedSave();
};

void GameEndTest::initTestCase()
{
    setUpFonts();
}

void GameEndTest::ranking_data()
{
    QTest::addColumn<QList<int>>("table");
    QTest::addColumn<int>("hits");   // on easy: 35 × hits − 200 points
    QTest::addColumn<int>("row");    // 0: not placed
    QTest::addColumn<QString>("best");
    QTest::newRow("placed in the middle") << Descending << 24 << 4 << "900";   // 640
    QTest::newRow("new best") << Descending << 40 << 1 << "1200";
    QTest::newRow("equal to the best is no new best")
        << QList<int>{1200, 800, 700, 600, 500, 400, 300, 200, 100, 0} << 40 << 2 << "1200";
    QTest::newRow("not placed") << Descending << 0 << 0 << "900";               // -200
}

void GameEndTest::ranking()
{
    QFETCH(QList<int>, table);
    QFETCH(int, hits);
    QFETCH(int, row);
    QFETCH(QString, best);
    Board board(holes({5, 3, 7}), MsgResult::Yes, dateDatOf(table));
    QString bestWhileAsking;
    QWindow* entryOwner = nullptr;
    if (row != 0) {
        whenModal([&](QWidget* modal) {
            bestWhileAsking = board->bestScoreLabel()->text();
            entryOwner = modal->windowHandle()->transientParent();
            auto* entry = qobject_cast<NameEntryDialog*>(modal);
            QVERIFY(entry);
            entry->nameEdit()->setText(QStringLiteral("新人"));
            entry->pressOk();
        });
    }
    board.playGame(hits);
    const int score = 35 * hits - 200;
    QCOMPARE(board->bestScoreLabel()->text(), best);
    QVERIFY(board.boxes.unexpected.isEmpty());
    if (row == 0) {
        QVERIFY(!board->highScoreWindow());
        return;
    }
    QCOMPARE(bestWhileAsking, best);
    QCOMPARE(entryOwner, board->windowHandle());
    HighScoreWindow* window = board->highScoreWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());
    QVERIFY(!window->windowHandle()->transientParent());  // it may go behind the board
    QCOMPARE(window->scoreCell(row)->text(), QString::number(score));
    QCOMPARE(window->levelCell(row)->text(), QStringLiteral("易しい"));
    QCOMPARE(window->nameCell(row)->text(), QStringLiteral("新人"));
}

void GameEndTest::namesComeBackUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces around") << QStringLiteral("  ぴょこ  ");
    QTest::newRow("full-width") << QStringLiteral("ＡＢＣ　太郎");
    QTest::newRow("comma and space") << QStringLiteral("a, b");
    QTest::newRow("as long as a name may be") << QString(HighScoreFieldLimit, QChar(u'名'));
}

void GameEndTest::namesComeBackUnchanged()
{
    QFETCH(QString, name);
    Board board;
    // Another copy of the game saves a better game while the name is typed.
    HighScoreStore other(board.dateDatPath());
    other.load();
    whenModal([&](QWidget* modal) {
        other.record({500, QStringLiteral("普通"), QStringLiteral("他")});
        QVERIFY(other.save().saved);
        auto* entry = qobject_cast<NameEntryDialog*>(modal);
        entry->nameEdit()->setText(name);
        QTest::keyClick(entry->nameEdit(), Qt::Key_Return);
    });
    board.playGame(10, 2);   // -50 points
    QCOMPARE(board->table().row(1).name, QStringLiteral("他"));
    QCOMPARE(board->table().row(2).name, name);
    QCOMPARE(board->table().row(2).level, QStringLiteral("難しい"));
    QCOMPARE(board->bestScoreLabel()->text(), QStringLiteral("500"));
    QCOMPARE(board->highScoreWindow()->nameCell(1)->text(), QStringLiteral("他"));
    QCOMPARE(board->highScoreWindow()->nameCell(2)->text(), name);
    // On disk as soon as it is entered.
    QCOMPARE(loadHighScoresFile(board.dateDatPath()).table, board->table());
}

void GameEndTest::wholeGameEntersTheTable_data()
{
    QTest::addColumn<int>("difficulty");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("label");
    QTest::newRow("easy") << 0 << 41 << QStringLiteral("易しい");
    QTest::newRow("normal") << 1 << 54 << QStringLiteral("普通");
    QTest::newRow("difficult") << 2 << 81 << QStringLiteral("難しい");
}

void GameEndTest::wholeGameEntersTheTable()
{
    QFETCH(int, difficulty);
    QFETCH(int, ticks);
    QFETCH(QString, label);
    const QList<int> low = {90, 80, 70, 60, 50, 40, 30, 20, 10, 0};
    Board board(holes({5, 3, 7, 1, 9}), MsgResult::Yes, dateDatOf(low));
    board->show();
    answerNameEntry(QStringLiteral("ぴょこ, ぽん"));
    board.playGame(ticks, difficulty);
    QCOMPARE(board->tickTimer()->interval(), 1000 - 250 * difficulty);
    QCOMPARE(board->statusLabel()->text(), QStringLiteral("終了!!"));
    // The last target stays up and can no longer be hit.
    const int lastHole = board->round().targetHole();
    board->hitHole(lastHole);
    board.ticks(3);
    QVERIFY(board.holeShows(lastHole, BoardWindow::HoleImage::Target));
    const qint32 expected = (ticks - 1) * 30;
    QCOMPARE(board->scoreLabel()->text(), u' ' + QString::number(expected));
    QCOMPARE(board->bestScoreLabel()->text(), QString::number(expected));
    QCOMPARE(board->table().row(1).score, qint16(expected));
    QCOMPARE(board->table().row(1).level, label);
    QVERIFY(board->highScoreWindow()->isVisible());

    board.boxes.expect(MsgResult::Yes);
    board.boxes.expect(MsgResult::OK);
    board->confirmQuit();
    const QByteArray saved = readAll(board.dateDatPath());
    QVERIFY(saved.startsWith(QByteArray::number(expected) + "\r\n\"" + encodeCp932(label) + "\"\r\n\""
                             + encodeCp932(QStringLiteral("ぴょこ, ぽん")) + "\"\r\n90\r\n"));
    QCOMPARE(saved.count("\r\n"), 30);
    // The table window outlives the board, and no box names the board once it is gone.
    QPointer<HighScoreWindow> window = board->highScoreWindow();
    board.form.reset();
    QVERIFY(window && window->isVisible());
    QVERIFY(!modalOwner());
    delete window;
}

void GameEndTest::ticksWhileNameEntryIsOpenChangeNothing()
{
    Board board(holes({5, 3}));
    board.start(0);
    board.ticks(40);
    struct Snapshot {
        float elapsed;
        int hole;
        qint32 score;
        QString status;
    };
    Snapshot atOpening{}, afterTicks{};
    whenModal([&](QWidget* modal) {
        atOpening = {board->round().elapsed(), board->round().targetHole(), board->round().score(), board->statusLabel()->text()};
        board.ticks(5);
        board->hitHole(board->round().targetHole());
        board->hitHole(board->round().targetHole() == 1 ? 2 : 1);
        afterTicks = {board->round().elapsed(), board->round().targetHole(), board->round().score(), board->statusLabel()->text()};
        qobject_cast<NameEntryDialog*>(modal)->pressOk();
    });
    board.ticks(1);
    QCOMPARE(atOpening.status, QStringLiteral("終了!!"));
    QCOMPARE(afterTicks.elapsed, atOpening.elapsed);
    QCOMPARE(afterTicks.hole, atOpening.hole);
    QCOMPARE(afterTicks.score, atOpening.score);
    QCOMPARE(afterTicks.status, atOpening.status);
}

void GameEndTest::secondGameEndRefillsOpenWindowWithFreshEntry()
{
    Board board;
    board->show();
    answerNameEntry(QStringLiteral("一回目"));
    board.playGame(10);   // 150 points
    QPointer<HighScoreWindow> window = board->highScoreWindow();
    QVERIFY(window && window->isVisible());
    // The player goes back to the board, which now covers the table window.
    board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(board.form.get()));

    QString boxAtOpening = QStringLiteral("not asked");
    whenModal([&](QWidget* modal) {
        auto* entry = qobject_cast<NameEntryDialog*>(modal);
        boxAtOpening = entry->nameEdit()->text();
        entry->nameEdit()->setText(QStringLiteral("二回目"));
        entry->pressOk();
    });
    board.playGame(20);   // 500 points
    QCOMPARE(boxAtOpening, QString());
    QCOMPARE(board->highScoreWindow(), window.data());
    QVERIFY(window->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(window.data()));   // in front, where the player sees it
    QCOMPARE(window->nameCell(1)->text(), QStringLiteral("二回目"));
    QCOMPARE(window->scoreCell(2)->text(), QStringLiteral("150"));
    QCOMPARE(window->nameCell(2)->text(), QStringLiteral("一回目"));
}

void GameEndTest::commandsPauseAndResume_data()
{
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("running");
    QTest::newRow("H during a game") << QChar('H') << true;
    QTest::newRow("V during a game") << QChar('V') << true;
    QTest::newRow("H with no game") << QChar('H') << false;
    QTest::newRow("V with no game") << QChar('V') << false;
}

void GameEndTest::commandsPauseAndResume()
{
    QFETCH(QChar, key);
    QFETCH(bool, running);
    Board board(holes({5, 3, 7}));
    board->show();
    if (running) {
        board.start(0);
        board.play("T");
    }
    const int hole = board->round().targetHole();
    const float elapsed = board->round().elapsed();
    QString shown;
    QWindow* owner = nullptr;
    whenModal([&](QWidget* modal) {
        shown = modal->windowTitle();
        owner = modal->windowHandle()->transientParent();
        board.ticks(3);
        board->hitHole(3);
        board->hitHole(1);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, Qt::Key_Return);
    });
    QTest::keyClick(board.form.get(), key.toLatin1());
    QCOMPARE(shown, key == 'H' ? QStringLiteral("Form3") : QStringLiteral("Form2"));
    QCOMPARE(owner, board->windowHandle());
    QCOMPARE(board->round().playing(), running);
    QCOMPARE(board->round().targetHole(), hole);
    QCOMPARE(board->round().elapsed(), elapsed);
    QCOMPARE(board->round().score(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!board->highScoreWindow());
    if (running) {
        board.ticks(1);
        QCOMPARE(board->round().elapsed(), elapsed + 1.0f);
    }
}

void GameEndTest::highScoreWindowShowsTableAtOpening()
{
    HighScoreTable table;
    table.setRow(1, {30, QStringLiteral("易しい"), QString()});
    table.setRow(2, {-5, QStringLiteral("難しい"), QStringLiteral("名無しの権兵衛")});
    Board board(holes({5}), MsgResult::Yes, writeHighScores(table));
    QStringList cells;
    auto readRows = [&](QWidget* modal) {
        auto* window = qobject_cast<HighScoreWindow*>(modal);
        for (int row : {1, 2, 3})
            cells << window->scoreCell(row)->text() << window->levelCell(row)->text() << window->nameCell(row)->text();
        window->pressOk();
    };
    whenModal(readRows);
    board->showHighScores();
    QCOMPARE(cells, QStringList({"30", "易しい", "", "-5", "難しい", "名無しの権兵衛", "-9999", "易しい", "名無しの権兵衛"}));

    answerNameEntry(QStringLiteral("後から"));
    board.playGame(0);   // -200 points, placed third
    cells.clear();
    whenModal(readRows);
    board->showHighScores();
    QCOMPARE(cells.mid(6), QStringList({"-200", "易しい", "後から"}));
}

void GameEndTest::highScoreCommandWhileWindowOpenFromGameEnd()
{
    Board board;
    board->show();
    answerNameEntry(QStringLiteral("一人目"));
    board.playGame(10);
    QPointer<HighScoreWindow> open = board->highScoreWindow();
    QVERIFY(open && open->isVisible() && !open->isModal());
    QWidget* modalSeen = nullptr;
    QWindow* owner = nullptr;
    QString firstCell;
    whenModal([&](QWidget* modal) {
        modalSeen = modal;
        owner = modal->windowHandle()->transientParent();
        firstCell = qobject_cast<HighScoreWindow*>(modal)->nameCell(1)->text();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, Qt::Key_Return);
    });
    board->showHighScores();
    QCOMPARE(modalSeen, static_cast<QWidget*>(open.data()));
    QCOMPARE(owner, board->windowHandle());  // shown modally this time
    QCOMPARE(firstCell, QStringLiteral("一人目"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!open);
    QVERIFY(board->isVisible());
}

void GameEndTest::tableFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("best");
    QTest::newRow("no file gives the default table") << false << QByteArray() << "-9999";
    QTest::newRow("written form comes back byte for byte") << true << dateDatOf(Descending, QStringLiteral("あ, い")) << "900";
}

void GameEndTest::tableFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    QFETCH(QString, best);
    std::optional<QByteArray> file;
    if (present)
        file = contents;
    Board board(holes({5}), MsgResult::Yes, file);
    QCOMPARE(board->bestScoreLabel()->text(), best);
    QCOMPARE(board->dataFilePath(), board.dateDatPath());
    board->close();
    const QByteArray saved = readAll(board.dateDatPath());
    if (present) {
        QCOMPARE(saved, contents);
    } else {
        QCOMPARE(saved.size(), 350);
        QCOMPARE(saved, writeHighScores(HighScoreTable()));
    }
}

void GameEndTest::damagedFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("best");
    QTest::addColumn<int>("rowsKept");
    // What each kind of damage keeps is the session's and the reader's to
    // show; here, what the board shows of it and when.
    const QByteArray good = dateDatOf(Descending);
    QTest::newRow("empty file") << QByteArray() << "-9999" << 0;
    QTest::newRow("cut short") << good.left(good.indexOf("400")) << "900" << 5;
}

void GameEndTest::damagedFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, best);
    QFETCH(int, rowsKept);
    Board board(holes({5}), MsgResult::Yes, contents, 1);
    QVERIFY(board.boxes.unexpected.isEmpty());
    QCOMPARE(board.boxes.shown.size(), 2);
    const QString notice = board.boxes.shown.at(0).text;
    QVERIFY2(notice.contains(QDir::toNativeSeparators(board.dateDatPath())), qPrintable(notice));
    QVERIFY2(notice.contains(QStringLiteral("date.dat.damaged")), qPrintable(notice));
    QCOMPARE(board.boxes.shown.at(1).text, QStringLiteral("ディスプレイの解像度は640×480ですか?"));
    QCOMPARE(board->bestScoreLabel()->text(), best);
    for (int row = 1; row <= 10; ++row)
        QCOMPARE(int(board->table().row(row).score), row <= rowsKept ? Descending.at(row - 1) : -9999);
    // The damaged file is kept as it was, beside the new one the save writes.
    board->close();
    QCOMPARE(readAll(board.dateDatPath() + ".damaged"), contents);
    QCOMPARE(readAll(board.dateDatPath()).count("\r\n"), 30);
}

void GameEndTest::failedSave_data()
{
    QTest::addColumn<bool>("atGameEnd");
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("retry after the cause is gone") << false << MsgResult::Retry;
    QTest::newRow("cancel closes without saving") << false << MsgResult::Cancel;
    QTest::newRow("cancel at a game end keeps the row for the save at close") << true << MsgResult::Cancel;
}

void GameEndTest::failedSave()
{
    QFETCH(bool, atGameEnd);
    QFETCH(MsgResult, answer);
    Board board;
    board->show();
    // A folder where the file should be makes every save fail; the save
    // first says that date.dat is no file.
    QVERIFY(QDir(board.folder.path()).mkdir(QStringLiteral("date.dat")));
    board.boxes.shown.clear();
    board.boxes.expect(MsgResult::OK);
    board.boxes.expect(answer, [&] {
        if (answer == MsgResult::Retry)
            QDir(board.folder.path()).rmdir(QStringLiteral("date.dat"));
    });
    if (atGameEnd) {
        answerNameEntry(QStringLiteral("残る"));
        board.playGame(10);
        QVERIFY(board->highScoreWindow()->isVisible());
        QCOMPARE(board->highScoreWindow()->nameCell(1)->text(), QStringLiteral("残る"));
        QVERIFY(QDir(board.folder.path()).rmdir(QStringLiteral("date.dat")));
    }
    board->close();
    QVERIFY(board.boxes.unexpected.isEmpty());
    QCOMPARE(board.boxes.shown.size(), 2);
    QCOMPARE(board.boxes.shown.at(0).buttons, MsgButtons::OK);
    QVERIFY2(board.boxes.shown.at(0).text.contains(QStringLiteral("フォルダ")), qPrintable(board.boxes.shown.at(0).text));
    QVERIFY(!board.boxes.shown.at(0).text.contains(QStringLiteral("控え")));
    QCOMPARE(board.boxes.shown.at(1).buttons, MsgButtons::RetryCancel);
    QVERIFY(board.boxes.shown.at(1).text.contains(QStringLiteral("date.dat")));
    QVERIFY(!board->isVisible());
    const bool saved = atGameEnd || answer == MsgResult::Retry;
    QCOMPARE(QFileInfo(board.dateDatPath()).isFile(), saved);
    if (saved)
        QCOMPARE(loadHighScoresFile(board.dateDatPath()).table, board->table());
    if (atGameEnd)
        QCOMPARE(board->table().row(1).name, QStringLiteral("残る"));
}

QTEST_MAIN(GameEndTest)
#include "tst_gameend.moc"

#include "TestBoard.h"

#include "game/BoardWindow.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>


class BoardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startUpQuestions_data();
    void startUpQuestions();
    void statusLine_data();
    void statusLine();
    void scoring_data();
    void scoring();
    void tickShowsTargetAndClearsTheOldHole();
    void ticksWithoutRunningGameChangeNothing();
    void quitQuestion_data();
    void quitQuestion();
    void startRefusedWithoutDifficulty();
    void difficultyChangeWaitsForNextStart();
    void startDuringGameBeginsAfresh();
    void commandKeys_data();
    void commandKeys();
    void holeKeys_data();
    void holeKeys();
    void keyRepeatsCountEachTime();
    void boardKeysAreConsumed();
    void spaceToggle_data();
    void spaceToggle();
    void accessKeysChooseDifficulty_data();
    void accessKeysChooseDifficulty();
    void clickInHoleMarginHitsHole();
    void dragMovesBoardFromFieldOnly_data();
    void dragMovesBoardFromFieldOnly();
    void geometry_data();
    void geometry();
    void rendering();
    void accessible_data();
    void accessible();
    void accessiblePressWaitsForTheEventLoop();
};

void BoardTest::initTestCase()
{
    setUpFonts();
}

void BoardTest::startUpQuestions_data()
{
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<int>("boxCount");
    QTest::newRow("yes asks once") << MsgResult::Yes << 1;
    QTest::newRow("no adds the follow-up") << MsgResult::No << 2;
}

void BoardTest::startUpQuestions()
{
    QFETCH(MsgResult, answer);
    QFETCH(int, boxCount);
    Board board({randomFor(1)}, answer);
    QCOMPARE(board.boxes.shown.size(), boxCount);
    const MsgRequest& question = board.boxes.shown.at(0);
    QCOMPARE(question.text, QStringLiteral("ディスプレイの解像度は640×480ですか?"));
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(question.icon, MsgIcon::Question);
    QCOMPARE(question.title, QString());
    QCOMPARE(question.owner, board->windowHandle());
    if (boxCount == 2) {
        const MsgRequest& followUp = board.boxes.shown.at(1);
        QCOMPARE(followUp.text, QStringLiteral("フルスクリーンになりませんので、OKを押す前に設定を変えてください"));
        QCOMPARE(followUp.buttons, MsgButtons::OK);
        QCOMPARE(followUp.icon, MsgIcon::Information);
        QCOMPARE(followUp.title, QString());
        QCOMPARE(followUp.owner, board->windowHandle());
    }
    QVERIFY(board.boxes.unexpected.isEmpty());
    QCOMPARE(board.randomSource->seeded, 1);
    QVERIFY(board.timerRanFromLoad);
    QCOMPARE(board->tickTimer()->interval(), 1000);
    QCOMPARE(board->round().tickInterval(), qint16(0));
    for (int hole = 1; hole <= 9; ++hole)
        QVERIFY(board.holeShows(hole, BoardWindow::HoleImage::Empty));
    for (int index = 0; index < 3; ++index)
        QVERIFY(!board->difficultyButton(index)->isChecked());
}

void BoardTest::statusLine_data()
{
    QTest::addColumn<int>("difficulty");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("status");
    QTest::newRow("before the first tick") << 0 << 0 << QStringLiteral("スタート!!");
    QTest::newRow("easy first tick") << 0 << 1 << QStringLiteral("あと  39秒");
    QTest::newRow("easy at exactly 40") << 0 << 40 << QStringLiteral("あと  0秒");
    QTest::newRow("normal first tick") << 1 << 1 << QStringLiteral("あと  39.25秒");
    QTest::newRow("normal last quarter") << 1 << 53 << QStringLiteral("あと  0.25秒");
    QTest::newRow("difficult at exactly 40") << 2 << 80 << QStringLiteral("あと  0秒");
}

void BoardTest::statusLine()
{
    QFETCH(int, difficulty);
    QFETCH(int, ticks);
    QFETCH(QString, status);
    Board board;
    board.start(difficulty);
    board.ticks(ticks);
    QCOMPARE(board->statusLabel()->text(), status);
    QVERIFY(board->round().playing());
}

void BoardTest::scoring_data()
{
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("display");
    // The start picks hole 5 (not shown); the ticks then show holes 3, 3, 7.
    // The score shows after every click and every tick.
    QTest::newRow("miss before the first tick") << "1" << "-30";
    QTest::newRow("unhit target charged by the tick") << "TT" << "-5";
    QTest::newRow("hit") << "T3" << " 30";
    QTest::newRow("second click on a hit") << "T33" << " 30";
}

void BoardTest::scoring()
{
    QFETCH(QString, actions);
    QFETCH(QString, display);
    Board board(holes({5, 3, 3, 7}));
    board.start(0);
    board.play(actions);
    QCOMPARE(board->scoreLabel()->text(), display);
}

void BoardTest::tickShowsTargetAndClearsTheOldHole()
{
    Board board(holes({5, 3, 7}));
    board.start(0);
    board.play("T");
    QVERIFY(board.holeShows(3, BoardWindow::HoleImage::Target));
    board.play("3");
    QVERIFY(board.holeShows(3, BoardWindow::HoleImage::Hit));
    board.play("T");
    QCOMPARE(board->round().targetHole(), int(7));
    for (int hole = 1; hole <= 9; ++hole)
        QVERIFY(board.holeShows(hole, hole == 7 ? BoardWindow::HoleImage::Target : BoardWindow::HoleImage::Empty));
}

void BoardTest::ticksWithoutRunningGameChangeNothing()
{
    Board board(holes({5, 3}));
    board.ticks(5);
    QCOMPARE(board->statusLabel()->text(), QString());
    QCOMPARE(board->scoreLabel()->text(), QString());
    board->hitHole(4);
    QCOMPARE(board->scoreLabel()->text(), QString());
    for (int hole = 1; hole <= 9; ++hole)
        QVERIFY(board.holeShows(hole, BoardWindow::HoleImage::Empty));
}

void BoardTest::quitQuestion_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("no resumes a running game") << true << MsgResult::No;
    QTest::newRow("no leaves a stopped board stopped") << false << MsgResult::No;
    QTest::newRow("yes says goodbye and closes") << true << MsgResult::Yes;
}

void BoardTest::quitQuestion()
{
    QFETCH(bool, running);
    QFETCH(MsgResult, answer);
    Board board(holes({5, 3, 7}));
    board->show();
    if (running) {
        board.start(0);
        board.play("T");
    }
    const int hole = board->round().targetHole();
    const float elapsed = board->round().elapsed();
    board.boxes.shown.clear();
    // Ticks and clicks that come while the question is up must change nothing.
    board.boxes.expect(answer, [&] {
        board.ticks(3);
        board->hitHole(1);
    });
    if (answer == MsgResult::Yes)
        board.boxes.expect(MsgResult::OK);
    board->confirmQuit();

    const MsgRequest& question = board.boxes.shown.at(0);
    QCOMPARE(question.text, QStringLiteral("やめちゃうの?"));
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(question.icon, MsgIcon::Question);
    QCOMPARE(question.title, QStringLiteral("終了"));
    QCOMPARE(question.owner, board->windowHandle());
    QCOMPARE(board->round().targetHole(), hole);
    QCOMPARE(board->round().elapsed(), elapsed);
    QCOMPARE(board->round().score(), 0);
    QVERIFY(board.boxes.unexpected.isEmpty());
    if (answer == MsgResult::Yes) {
        QCOMPARE(board.boxes.shown.size(), 2);
        QCOMPARE(board.boxes.shown.at(1).text, QStringLiteral("バイバイ!"));
        QCOMPARE(board.boxes.shown.at(1).icon, MsgIcon::None);
        QCOMPARE(board.boxes.shown.at(1).title, QStringLiteral("終了"));
        QVERIFY(!board->isVisible());
        QVERIFY(!board->tickTimer()->isActive());
    } else {
        QCOMPARE(board.boxes.shown.size(), 1);
        QCOMPARE(board->round().playing(), running);
        QVERIFY(board->isVisible());
    }
}

void BoardTest::startRefusedWithoutDifficulty()
{
    Board board;
    board.boxes.shown.clear();
    board.boxes.expect(MsgResult::OK);
    board->startGame();
    QCOMPARE(board.boxes.shown.size(), 1);
    QCOMPARE(board.boxes.shown.at(0).text, QStringLiteral("難易度を指定してください"));
    QCOMPARE(board.boxes.shown.at(0).buttons, MsgButtons::OK);
    QCOMPARE(board.boxes.shown.at(0).icon, MsgIcon::None);
    QCOMPARE(board.boxes.shown.at(0).title, QString());
    QVERIFY(!board->round().playing());
    QCOMPARE(board->round().targetHole(), int(0));
    QCOMPARE(board->statusLabel()->text(), QString());
    QCOMPARE(board->tickTimer()->interval(), 1000);
}

void BoardTest::difficultyChangeWaitsForNextStart()
{
    Board board;
    board.start(0);
    board.ticks(2);
    board->chooseDifficulty(2);
    QCOMPARE(board->round().tickInterval(), qint16(500));
    QCOMPARE(board->tickTimer()->interval(), 1000);
    board.ticks(1);
    QCOMPARE(board->round().elapsed(), 3.0f);
    board->startGame();
    QCOMPARE(board->tickTimer()->interval(), 500);
}

void BoardTest::startDuringGameBeginsAfresh()
{
    Board board(holes({5, 3, 7, 2}));
    board.start(0);
    board.play("T3TT1");
    QVERIFY(board->scoreLabel()->text() != QStringLiteral(" 0"));
    board->startGame();
    QCOMPARE(board->scoreLabel()->text(), QStringLiteral(" 0"));
    QCOMPARE(board->statusLabel()->text(), QStringLiteral("スタート!!"));
    for (int hole = 1; hole <= 9; ++hole)
        QVERIFY(board.holeShows(hole, BoardWindow::HoleImage::Empty));
}

void BoardTest::commandKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("box");
    const QString quit = QStringLiteral("やめちゃうの?");
    const QString refuse = QStringLiteral("難易度を指定してください");
    QTest::newRow("q") << int(Qt::Key_Q) << int(Qt::NoModifier) << quit;
    QTest::newRow("Q with shift") << int(Qt::Key_Q) << int(Qt::ShiftModifier) << quit;
    QTest::newRow("Q with ctrl") << int(Qt::Key_Q) << int(Qt::ControlModifier) << quit;
    QTest::newRow("s") << int(Qt::Key_S) << int(Qt::NoModifier) << refuse;
    QTest::newRow("S with alt") << int(Qt::Key_S) << int(Qt::AltModifier) << refuse;
    QTest::newRow("other letter") << int(Qt::Key_X) << int(Qt::NoModifier) << QString();
}

void BoardTest::commandKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, box);
    Board board;
    board->show();
    board->difficultyButton(0)->setFocus();
    board.boxes.shown.clear();
    if (!box.isEmpty())
        board.boxes.expect(box == QStringLiteral("やめちゃうの?") ? MsgResult::No : MsgResult::OK);
    QTest::keyClick(board->difficultyButton(0), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(board.boxes.shown.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE(board.boxes.shown.at(0).text, box);
    QVERIFY(board.boxes.unexpected.isEmpty());
}

void BoardTest::holeKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<qint32>("score");
    const int pad = Qt::KeypadModifier;
    // The tick has put the target in hole 3, bottom right.
    QTest::newRow("keypad 3 hits") << int(Qt::Key_3) << pad << 30;
    QTest::newRow("keypad 3 with numlock off hits") << int(Qt::Key_PageDown) << pad << 30;
    QTest::newRow("keypad 7 misses") << int(Qt::Key_7) << pad << -30;
    QTest::newRow("keypad 7 with numlock off misses") << int(Qt::Key_Home) << pad << -30;
    QTest::newRow("keypad 0 does nothing") << int(Qt::Key_0) << pad << 0;
    QTest::newRow("digit row 3 does nothing") << int(Qt::Key_3) << int(Qt::NoModifier) << 0;
    QTest::newRow("page down does nothing") << int(Qt::Key_PageDown) << int(Qt::NoModifier) << 0;
}

void BoardTest::holeKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(qint32, score);
    Board board(holes({5, 3}));
    board->show();
    board.start(0);
    board.play("T");
    QTest::keyClick(board.form.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(board->round().score(), score);
}

void BoardTest::keyRepeatsCountEachTime()
{
    Board board(holes({5, 3}));
    board->show();
    board.start(0);
    board.play("T");
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_3, Qt::KeypadModifier, QStringLiteral("3"), repeat > 0);
        QApplication::sendEvent(board.form.get(), &press);
    }
    QCOMPARE(board->round().score(), 30 + 0 + 0);
    board.play("T");
    for (int repeat = 0; repeat < 3; ++repeat) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier, QStringLiteral("1"), repeat > 0);
        QApplication::sendEvent(board.form.get(), &press);
    }
    QCOMPARE(board->round().score(), 30 - 90); // the target moved to hole 5; the hit of tick 1 is not charged
}

void BoardTest::boardKeysAreConsumed()
{
    Board board;
    board->show();
    QRadioButton* normal = board->difficultyButton(1);
    normal->setFocus();
    QTest::keyClick(normal, Qt::Key_Space);
    QVERIFY(!normal->isChecked());
    QCOMPARE(board->displayState(), BoardWindow::DisplayState::Minimised);
}

void BoardTest::spaceToggle_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    const int normal = int(BoardWindow::DisplayState::Normal);
    const int minimised = int(BoardWindow::DisplayState::Minimised);
    const int maximised = int(BoardWindow::DisplayState::Maximised);
    QTest::newRow("normal minimises") << normal << minimised;
    QTest::newRow("maximised minimises") << maximised << minimised;
    QTest::newRow("minimised restores to normal") << minimised << normal;
}

void BoardTest::spaceToggle()
{
    QFETCH(int, before);
    QFETCH(int, after);
    Board board;
    board->show();
    board->setDisplayState(BoardWindow::DisplayState(before));
    QCOMPARE(board->displayState(), BoardWindow::DisplayState(before));
    QVERIFY(board->handleKey(Qt::Key_Space, Qt::NoModifier));
    QCOMPARE(board->displayState(), BoardWindow::DisplayState(after));
}

void BoardTest::accessKeysChooseDifficulty_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("index");
    QTest::addColumn<qint16>("interval");
    QTest::newRow("Alt+E easy") << int(Qt::Key_E) << 0 << qint16(1000);
    QTest::newRow("Alt+N normal") << int(Qt::Key_N) << 1 << qint16(750);
    QTest::newRow("Alt+D difficult") << int(Qt::Key_D) << 2 << qint16(500);
}

void BoardTest::accessKeysChooseDifficulty()
{
    QFETCH(int, key);
    QFETCH(int, index);
    QFETCH(qint16, interval);
    Board board;
    board->show();
    board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(board.form.get()));
    QTest::keyClick(board.form.get(), Qt::Key(key), Qt::AltModifier);
    QVERIFY(board->difficultyButton(index)->isChecked()); // at once, not after an animated click
    QCOMPARE(board->round().tickInterval(), interval);
}

void BoardTest::clickInHoleMarginHitsHole()
{
    Board board(holes({5, 9}));
    board->show();
    board.start(0);
    board.play("T");
    // Bottom-right corner of hole 9, far outside its 60 × 60 image.
    QTest::mouseClick(board->hole(9), Qt::LeftButton, {}, QPoint(118, 110));
    QCOMPARE(board->round().score(), 30);
    QTest::mouseClick(board->hole(1), Qt::LeftButton, {}, QPoint(90, 80));
    QCOMPARE(board->round().score(), 0);
}

void BoardTest::dragMovesBoardFromFieldOnly_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("distance");  // to the right, in pixels
    QTest::addColumn<bool>("moves");
    // 100 pixels take the mouse off any control: its release is no click.
    const int least = QApplication::startDragDistance();
    QTest::newRow("field past the drag distance") << "field" << least << true;
    QTest::newRow("field short of the drag distance") << "field" << least - 1 << false;
    QTest::newRow("hole") << "hole" << 100 << false;
    QTest::newRow("difficulty button") << "button" << 100 << false;
}

void BoardTest::dragMovesBoardFromFieldOnly()
{
    QFETCH(QString, from);
    QFETCH(int, distance);
    QFETCH(bool, moves);
    Board board;
    board->show();
    QVERIFY(QTest::qWaitForWindowExposed(board.form.get()));
    const QMap<QString, QWidget*> starts = {{"field", board.form.get()}, {"hole", board->hole(5)},
                                            {"button", board->difficultyButton(0)}};
    QWidget* start = starts.value(from);
    const QPoint at = start == board.form.get() ? QPoint(5, 470) : start->rect().center();
    const QPoint before = board->pos();
    QTest::mousePress(start, Qt::LeftButton, {}, at);
    QTest::mouseMove(start, at + QPoint(distance, 0));
    QTest::mouseRelease(start, Qt::LeftButton, {}, at + QPoint(distance, 0));
    // The offscreen platform has no interactive move: the board follows the mouse itself.
    QCOMPARE(board->pos(), before + QPoint(moves ? distance : 0, 0));
    QVERIFY(board.boxes.unexpected.isEmpty());
}

void BoardTest::geometry_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("statusLabel") << "statusLabel" << QRect(64, 0, 377, 89);
    QTest::newRow("bestHeading") << "bestHeading" << QRect(512, 8, 65, 17);
    QTest::newRow("bestScoreLabel") << "bestScoreLabel" << QRect(472, 32, 153, 49);
    QTest::newRow("scoreLabel") << "scoreLabel" << QRect(488, 96, 129, 41);
    QTest::newRow("aboutCommand") << "aboutCommand" << QRect(480, 152, 145, 41);
    QTest::newRow("highScoresCommand") << "highScoresCommand" << QRect(472, 208, 153, 33);
    QTest::newRow("difficulty 0") << "difficulty 0" << QRect(488, 264, 113, 23);
    QTest::newRow("difficulty 1") << "difficulty 1" << QRect(488, 288, 113, 23);
    QTest::newRow("difficulty 2") << "difficulty 2" << QRect(488, 312, 113, 23);
    QTest::newRow("startCommand") << "startCommand" << QRect(456, 352, 169, 41);
    QTest::newRow("quitCommand") << "quitCommand" << QRect(464, 408, 161, 41);
    const QPoint corners[10] = {{}, {40, 360}, {168, 360}, {296, 360}, {40, 240}, {168, 240},
                                {296, 240}, {40, 120}, {168, 120}, {296, 120}};
    for (int hole = 1; hole <= 9; ++hole) {
        const QString name = QStringLiteral("hole %1").arg(hole);
        QTest::newRow(qPrintable(name)) << name << QRect(corners[hole], QSize(121, 113));
    }
}

void BoardTest::geometry()
{
    QFETCH(QString, control);
    QFETCH(QRect, rect);
    Board board;
    const QMap<QString, QWidget*> controls = {
        {"scoreLabel", board->scoreLabel()}, {"startCommand", board->startCommand()},
        {"quitCommand", board->quitCommand()}, {"statusLabel", board->statusLabel()},
        {"bestScoreLabel", board->bestScoreLabel()}, {"aboutCommand", board->aboutCommand()},
        {"bestHeading", board->bestHeading()}, {"highScoresCommand", board->highScoresCommand()},
        {"difficulty 0", board->difficultyButton(0)}, {"difficulty 1", board->difficultyButton(1)},
        {"difficulty 2", board->difficultyButton(2)},
    };
    QWidget* widget = controls.value(control);
    if (control.startsWith("hole "))
        widget = board->hole(control.mid(5).toInt());
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), rect);
    QCOMPARE(board->size(), QSize(640, 480));
    QVERIFY(board->windowFlags().testFlag(Qt::FramelessWindowHint));
}

void BoardTest::rendering()
{
    Board board;
    board->bestScoreLabel()->setText(QStringLiteral("-9999"));
    const QImage shot = board->grab().toImage();
    QCOMPARE(shot.size(), QSize(640, 480));
    const QRgb green = qRgb(0, 255, 0);
    QCOMPARE(shot.pixel(5, 5), green);
    QCOMPARE(shot.pixel(635, 475), green);
    const QPoint corners[10] = {{}, {40, 360}, {168, 360}, {296, 360}, {40, 240}, {168, 240},
                                {296, 240}, {40, 120}, {168, 120}, {296, 120}};
    for (int hole = 1; hole <= 9; ++hole) {
        const QPoint corner = corners[hole];
        // The mouth of the hole lies in the lower half of the image at the corner.
        QCOMPARE(shot.pixel(corner + QPoint(30, 45)), qRgb(128, 0, 0));
        QCOMPARE(shot.pixel(corner + QPoint(30, 5)), green);
        QCOMPARE(shot.pixel(corner + QPoint(100, 100)), green);
    }
    const QPoint labelInk = board->bestHeading()->geometry().center();
    bool inked = false;
    for (int x = board->bestHeading()->x(); x < board->bestHeading()->geometry().right(); ++x)
        inked = inked || qGray(shot.pixel(x, labelInk.y())) < 96;
    QVERIFY(inked);
}

void BoardTest::accessible_data()
{
    QTest::addColumn<QString>("actions");  // a game on easy, then ticks (T) and hits (digits)
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::newRow("start") << QString() << "startCommand" << "スタート!!!" << "S キーでも押せます";
    QTest::newRow("quit") << QString() << "quitCommand" << "終了" << "Q キーでも押せます";
    QTest::newRow("about") << QString() << "aboutCommand" << "バージョン情報" << "V キーでも押せます";
    QTest::newRow("high scores") << QString() << "highScoresCommand" << "ハイスコア" << "H キーでも押せます";
    QTest::newRow("hole 7 before a game") << QString() << "7" << "穴 7" << "何もいません";
    QTest::newRow("hole 3 target") << "T" << "3" << "穴 3" << "的が出ています";
    QTest::newRow("hole 3 hit") << "T3" << "3" << "穴 3" << "当たりました";
    QTest::newRow("hole 3 left by the target") << "T3T" << "3" << "穴 3" << "何もいません";
}

void BoardTest::accessible()
{
    QFETCH(QString, actions);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    Board board(holes({5, 3, 7}));
    if (!actions.isNull()) {
        board.start(0);
        board.play(actions);
    }
    const QMap<QString, QWidget*> commands = {
        {"startCommand", board->startCommand()}, {"quitCommand", board->quitCommand()},
        {"aboutCommand", board->aboutCommand()}, {"highScoresCommand", board->highScoresCommand()}};
    QWidget* widget = commands.value(control, control.toInt() ? board->hole(control.toInt()) : nullptr);
    QAccessibleInterface* reported = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(reported && reported->actionInterface());
    QCOMPARE(reported->role(), QAccessible::Button);
    QCOMPARE(reported->text(QAccessible::Name), name);
    QCOMPARE(reported->text(QAccessible::Description), description);
    QCOMPARE(reported->actionInterface()->actionNames(), QStringList(QAccessibleActionInterface::pressAction()));
}

void BoardTest::accessiblePressWaitsForTheEventLoop()
{
    Board board(holes({5, 3}));
    board.start(0);
    board.play("T");
    QAccessible::queryAccessibleInterface(board->hole(3))->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QCOMPARE(board->round().score(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(board->round().score(), 30);
}

QTEST_MAIN(BoardTest)
#include "tst_board.moc"

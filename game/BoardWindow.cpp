#include "game/BoardWindow.h"

#include "about/AboutDialog.h"
#include "game/KeypadHole.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/ModalOwner.h"
#include "platform/MsgBox.h"
#include "platform/NumberText.h"
#include "platform/PlaceLabel.h"
#include "platform/RandomSource.h"
#include "platform/SpokenNotice.h"
#include "platform/Twips.h"
#include "platform/WindowMover.h"
#include "scores/DataPath.h"
#include "scores/HighScoreWindow.h"
#include "scores/NameEntryDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

// Top-left hole corners in twips, by hole number: rows of 7 8 9 / 4 5 6 / 1 2 3.
QPoint holeCorner(int hole)
{
    const int column = (hole - 1) % 3;
    const int row = 2 - (hole - 1) / 3;
    return QPoint(600 + 1920 * column, 1800 + 1800 * row);
}

} // namespace

BoardWindow::BoardWindow(const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? ::programFolder() : programFolder)
    , round_(std::make_unique<RandomSource>())
    , scores_(*this)
    , emptyImage_(QStringLiteral(":/hole_empty.gif"))
    , targetImage_(QStringLiteral(":/hole_target.gif"))
    , hitImage_(QStringLiteral(":/hole_hit.gif"))
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("ぴょこぽん"));
    setWindowIcon(QIcon(QStringLiteral(":/pyokopon.ico")));
    setFixedSize(640, 480);
    paintOnField(this);
    buildControls();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    // The boxes and modal windows belong to the board while it exists, so
    // the window system keeps them over it; with no title bar, the board
    // moves by a drag on its green field.
    create();
    setModalOwner(windowHandle());
    new WindowMover(this);

    // Key preview: the board sees every key press of its own controls first.
    qApp->installEventFilter(this);

    tickTimer_ = new QTimer(this);
    tickTimer_->setTimerType(Qt::PreciseTimer);
    tickTimer_->setInterval(1000);
    connect(tickTimer_, &QTimer::timeout, this, &BoardWindow::tick);
    tickTimer_->start();
}

BoardWindow::~BoardWindow() = default;

void BoardWindow::buildControls()
{
    statusLabel_ = placeLabel(new QLabel(this), twips(960, 0, 5655, 1335), {}, uiFont(27.75, true));
    // Where the status line is, for tools that look there; it draws nothing.
    statusNotice_ = new SpokenNotice(this);
    statusNotice_->setGeometry(statusLabel_->geometry());
    bestHeading_ = placeLabel(new QLabel(this), twips(7680, 120, 975, 255), QStringLiteral("現在のトップ"),
                              QApplication::font());
    bestScoreLabel_ = placeLabel(new QLabel(this), twips(7080, 480, 2295, 735), {}, uiFont(24));
    bestScoreLabel_->setToolTip(QStringLiteral("ハイスコア"));
    scoreLabel_ = placeLabel(new QLabel(this), twips(7320, 1440, 1935, 615), {}, uiFont(24));
    scoreLabel_->setToolTip(QStringLiteral("現在の点数"));
    aboutCommand_ = placeLabel(new ClickLabel(this), twips(7200, 2280, 2175, 615), QStringLiteral("バージョン情報"),
                               uiFont(15.75, true));
    highScoresCommand_ = placeLabel(new ClickLabel(this), twips(7080, 3120, 2295, 495), QStringLiteral("ハイスコア"),
                                    uiFont(21.75), Qt::AlignHCenter);
    startCommand_ = placeLabel(new ClickLabel(this), twips(6840, 5280, 2535, 615), QStringLiteral("スタート!!!"),
                               uiFont(24, false, true), Qt::AlignHCenter);
    quitCommand_ = placeLabel(new ClickLabel(this), twips(6960, 6120, 2415, 615), QStringLiteral("終了"),
                              uiFont(24, true), Qt::AlignHCenter);
    connect(startCommand_, &ClickLabel::clicked, this, &BoardWindow::startGame);
    connect(quitCommand_, &ClickLabel::clicked, this, &BoardWindow::confirmQuit);
    connect(aboutCommand_, &ClickLabel::clicked, this, &BoardWindow::showAbout);
    connect(highScoresCommand_, &ClickLabel::clicked, this, &BoardWindow::showHighScores);
    // Assistive tools read each command's key with its name.
    startCommand_->setAccessibleDescription(QStringLiteral("S キーでも押せます"));
    quitCommand_->setAccessibleDescription(QStringLiteral("Q キーでも押せます"));
    aboutCommand_->setAccessibleDescription(QStringLiteral("V キーでも押せます"));
    highScoresCommand_->setAccessibleDescription(QStringLiteral("H キーでも押せます"));

    const QString captions[3] = {QStringLiteral("易しい設定 (&E)"), QStringLiteral("普通の設定(&N)"),
                                 QStringLiteral("難しい設定 (&D)")};
    for (int index = 0; index < 3; ++index) {
        QRadioButton* button = new QRadioButton(captions[index], this);
        button->setGeometry(twips(7320, 3960 + 360 * index, 1695, 345));
        // The miniatures stand in for the round mark: an empty hole, or the target once chosen.
        button->setStyleSheet(QStringLiteral(
            "QRadioButton { background-color: %1; color: black; spacing: 3px; }"
            "QRadioButton::indicator { width: 15px; height: 15px; }"
            "QRadioButton::indicator:unchecked { image: url(:/mini_empty.gif); }"
            "QRadioButton::indicator:checked { image: url(:/mini_target.gif); }").arg(FieldGreen.name()));
        // However the button comes to be checked (a click, its access key,
        // an arrow key, an assistive tool's Toggle), that is the choice.
        connect(button, &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked)
                chooseDifficulty(index);
        });
        difficultyButtons_[index] = button;
    }

    for (int number = 1; number <= 9; ++number) {
        ClickLabel* box = new ClickLabel(this);
        box->setGeometry(QRect(holeCorner(number) / TwipsPerPixel, QSize(121, 113)));
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setAccessibleName(QStringLiteral("穴 %1").arg(number));
        connect(box, &ClickLabel::clicked, this, [this, number] { hitHole(number); });
        holes_[number - 1] = box;
    }
}

void BoardWindow::setRandomSource(std::unique_ptr<RandomSource> source)
{
    round_.setRandomSource(std::move(source));
}

const QPixmap& BoardWindow::image(HoleImage which) const
{
    switch (which) {
    case HoleImage::Target: return targetImage_;
    case HoleImage::Hit: return hitImage_;
    case HoleImage::Empty: break;
    }
    return emptyImage_;
}

void BoardWindow::showImage(int number, HoleImage which)
{
    // QPixmap is shared, not copied: every hole shows the board's own images.
    hole(number)->setPixmap(image(which));
    // Assistive tools say in words what the picture shows.
    const char16_t* const says[] = {u"何もいません", u"的が出ています", u"当たりました"};
    hole(number)->setAccessibleDescription(QString::fromUtf16(says[int(which)]));
}

void BoardWindow::showScore()
{
    scoreLabel_->setText(signedNumberText(round_.score()));
}

void BoardWindow::tellStatus()
{
    statusNotice_->say(statusLabel_->text() + QStringLiteral("　%1 点").arg(plainNumberText(round_.score())));
}

void BoardWindow::whilePaused(const std::function<void()>& command)
{
    round_.pause();
    command();
    round_.resume();
}

void BoardWindow::startUp()
{
    round_.seedRandom();
    for (int number = 1; number <= 9; ++number)
        showImage(number, HoleImage::Empty);
    QString notice, seed;
    const QString path = dataPath(programFolder_, &notice, &seed);
    scores_.load(path, notice, seed);
    if (messageBox(QStringLiteral("ディスプレイの解像度は640×480ですか?"), MsgButtons::YesNo, MsgIcon::Question, {})
        != MsgResult::Yes) {
        messageBox(QStringLiteral("フルスクリーンになりませんので、OKを押す前に設定を変えてください"), MsgButtons::OK,
                   MsgIcon::Information, {});
    }
}

void BoardWindow::chooseDifficulty(int index)
{
    round_.chooseDifficulty(index);
}

void BoardWindow::startGame()
{
    for (int number = 1; number <= 9; ++number)
        showImage(number, HoleImage::Empty);
    if (!round_.start()) {
        messageBox(QStringLiteral("難易度を指定してください"), MsgButtons::OK, MsgIcon::None, {});
        return;
    }
    statusLabel_->setText(QStringLiteral("スタート!!"));
    showScore();
    tellStatus();
    // Setting the interval restarts the timer: the first tick comes one interval from now.
    tickTimer_->setInterval(round_.tickInterval());
}

void BoardWindow::tick()
{
    const GameRound::TickResult result = round_.tick(tickTimer_->interval());
    if (!result.moved)
        return;
    showImage(result.clearedHole, HoleImage::Empty);
    showImage(round_.targetHole(), HoleImage::Target);
    showScore();
    statusLabel_->setText(QStringLiteral("あと ") + signedNumberText(round_.secondsLeft()) + QStringLiteral("秒"));
    if (result.ended) {
        statusLabel_->setText(QStringLiteral("終了!!"));
        tellStatus();
        scores_.finishGame(round_.score(), round_.tickInterval());
    }
}

void BoardWindow::hitHole(int number)
{
    const GameRound::HitResult result = round_.hitHole(number);
    if (result == GameRound::HitResult::Ignored)
        return;
    if (result == GameRound::HitResult::Hit)
        showImage(number, HoleImage::Hit);
    showScore();
}

bool BoardWindow::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (const int number = keypadHole(key, modifiers)) {
        hitHole(number);
        return true;
    }
    // Letters count whatever the case or the modifiers, but not from the keypad.
    if (modifiers.testFlag(Qt::KeypadModifier))
        return false;
    switch (key) {
    case Qt::Key_Space:
        setDisplayState(displayState() == DisplayState::Minimised ? DisplayState::Normal : DisplayState::Minimised);
        return true;
    case Qt::Key_H:
        showHighScores();
        return true;
    case Qt::Key_Q:
        confirmQuit();
        return true;
    case Qt::Key_S:
        startGame();
        return true;
    case Qt::Key_V:
        showAbout();
        return true;
    default:
        return false;
    }
}

void BoardWindow::confirmQuit()
{
    whilePaused([this] {
        if (messageBox(QStringLiteral("やめちゃうの?"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("終了"))
            == MsgResult::Yes) {
            messageBox(QStringLiteral("バイバイ!"), MsgButtons::OK, MsgIcon::None, QStringLiteral("終了"));
            close();
        }
    });
}

void BoardWindow::showAbout()
{
    whilePaused([] {
        QPointer<AboutDialog> about = new AboutDialog;
        about->exec();
    });
}

void BoardWindow::loadHighScoreWindow(const HighScoreTable& table)
{
    if (!highScoreWindow_) {
        highScoreWindow_ = new HighScoreWindow;
        connect(highScoreWindow_, &HighScoreWindow::unloaded, this, [this] { highScoreWindow_ = nullptr; });
    }
    highScoreWindow_->fill(table);
}

HighScoreWindow* BoardWindow::highScoreWindow() const
{
    return highScoreWindow_;
}

void BoardWindow::showHighScores()
{
    whilePaused([this] {
        loadHighScoreWindow(table());
        // A window left open by a game end is shown again, this time modally.
        if (highScoreWindow_->isVisible())
            highScoreWindow_->hide();
        highScoreWindow_->exec();
    });
}

QString BoardWindow::askName()
{
    QPointer<NameEntryDialog> entry = new NameEntryDialog;
    entry->exec();
    const QString name = entry ? entry->name() : QString();
    delete entry;
    return name;
}

bool BoardWindow::askRetry(const QString& message)
{
    return messageBox(message, MsgButtons::RetryCancel, MsgIcon::Critical, {}) == MsgResult::Retry;
}

void BoardWindow::tellAboutFile(const QString& message)
{
    messageBox(message, MsgButtons::OK, MsgIcon::Information, {});
}

void BoardWindow::showBestScore(qint32 score)
{
    bestScoreLabel_->setText(plainNumberText(score));
}

void BoardWindow::refreshTable(const HighScoreTable& table)
{
    if (highScoreWindow_)
        highScoreWindow_->fill(table);
}

void BoardWindow::showTable(const HighScoreTable& table)
{
    loadHighScoreWindow(table);
    // Showing a window that is already open brings it to the front, where
    // the player sees the refreshed table.
    highScoreWindow_->show();
    highScoreWindow_->raise();
    highScoreWindow_->activateWindow();
}

void BoardWindow::saveScores()
{
    whilePaused([this] { scores_.save(); });
}

bool BoardWindow::saveOnClose()
{
    return scores_.saveAtClose();
}

BoardWindow::DisplayState BoardWindow::displayState() const
{
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return DisplayState::Minimised;
    if (state & Qt::WindowMaximized)
        return DisplayState::Maximised;
    return DisplayState::Normal;
}

void BoardWindow::setDisplayState(DisplayState state)
{
    switch (state) {
    case DisplayState::Minimised: setWindowState(Qt::WindowMinimized); break;
    case DisplayState::Maximised: setWindowState(Qt::WindowMaximized); break;
    case DisplayState::Normal: setWindowState(Qt::WindowNoState); break;
    }
}

bool BoardWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Alt+E, Alt+N, Alt+D check the button at once, which chooses: the
    // button's own access key would only click after a short animation, so
    // S pressed right after it would still find no difficulty chosen.
    if (event->type() == QEvent::Shortcut) {
        for (QRadioButton* button : difficultyButtons_) {
            if (watched == button) {
                button->setChecked(true);
                return true;
            }
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    QWidget* target = static_cast<QWidget*>(watched);
    if (target != this && !isAncestorOf(target))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    return handleKey(key->key(), key->modifiers());
}

void BoardWindow::closeEvent(QCloseEvent* event)
{
    // Closing, by the quit command, the window manager or a signal, holds
    // the game still for good before the save can ask anything: no game
    // runs on behind a box.
    if (!closed_) {
        closed_ = true;
        tickTimer_->stop();
        round_.pause();
        savedOnClose_ = saveOnClose();
    }
    event->accept();
}

#include "game/Form5.h"

#include "platform/CheckedMath.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/MsgBox.h"
#include "platform/NumberText.h"
#include "platform/PlaceLabel.h"
#include "platform/RandomSource.h"
#include "platform/Twips.h"
#include "platform/VirtualKey.h"
#include "about/Form2.h"
#include "scores/Form3.h"
#include "scores/Form4.h"
#include "scores/DataPath.h"
#include "scores/FileMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace {

// Top-left hole corners in twips, by hole number: rows of 7 8 9 / 4 5 6 / 1 2 3.
QPoint holeCorner(int hole)
{
    const int column = (hole - 1) % 3;
    const int row = 2 - (hole - 1) / 3;
    return QPoint(600 + 1920 * column, 1800 + 1800 * row);
}

} // namespace

Form5::Form5(const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)
    , round_(std::make_unique<RandomSource>())
{
    initAssets();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("ぴょこぽん"));
    setWindowIcon(QIcon(QStringLiteral(":/pyokopon.ico")));
    setFixedSize(640, 480);
    PaintOnField(this);
    buildControls();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    // Key preview: the board sees every key press of its own controls first.
    qApp->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
    Timer1->start();
}

Form5::~Form5() = default;

void Form5::buildControls()
{
    Label4 = PlaceLabel(new QLabel(this), Twips(960, 0, 5655, 1335), {}, UiFont(27.75, true));
    Label7 = PlaceLabel(new QLabel(this), Twips(7680, 120, 975, 255), QStringLiteral("現在のトップ"),
                        QApplication::font());
    Label5 = PlaceLabel(new QLabel(this), Twips(7080, 480, 2295, 735), {}, UiFont(24));
    Label5->setToolTip(QStringLiteral("ハイスコア"));
    Label1 = PlaceLabel(new QLabel(this), Twips(7320, 1440, 1935, 615), {}, UiFont(24));
    Label1->setToolTip(QStringLiteral("現在の点数"));
    Label6 = PlaceLabel(new ClickLabel(this), Twips(7200, 2280, 2175, 615), QStringLiteral("バージョン情報"),
                        UiFont(15.75, true));
    Label8 = PlaceLabel(new ClickLabel(this), Twips(7080, 3120, 2295, 495), QStringLiteral("ハイスコア"),
                        UiFont(21.75), Qt::AlignHCenter);
    Label2 = PlaceLabel(new ClickLabel(this), Twips(6840, 5280, 2535, 615), QStringLiteral("スタート!!!"),
                        UiFont(24, false, true), Qt::AlignHCenter);
    Label3 = PlaceLabel(new ClickLabel(this), Twips(6960, 6120, 2415, 615), QStringLiteral("終了"),
                        UiFont(24, true), Qt::AlignHCenter);
    connect(Label2, &ClickLabel::clicked, this, &Form5::Label2_Click);
    connect(Label3, &ClickLabel::clicked, this, &Form5::Label3_Click);
    connect(Label6, &ClickLabel::clicked, this, &Form5::Label6_Click);
    connect(Label8, &ClickLabel::clicked, this, &Form5::Label8_Click);

    const QString captions[3] = {QStringLiteral("易しい設定 (&E)"), QStringLiteral("普通の設定(&N)"),
                                 QStringLiteral("難しい設定 (&D)")};
    for (int index = 0; index < 3; ++index) {
        QRadioButton* option = new QRadioButton(captions[index], this);
        option->setGeometry(Twips(7320, 3960 + 360 * index, 1695, 345));
        // The miniatures stand in for the round mark: an empty hole, or the target once chosen.
        option->setStyleSheet(QStringLiteral(
            "QRadioButton { background-color: %1; color: black; spacing: 3px; }"
            "QRadioButton::indicator { width: 15px; height: 15px; }"
            "QRadioButton::indicator:unchecked { image: url(:/mini_empty.gif); }"
            "QRadioButton::indicator:checked { image: url(:/mini_target.gif); }").arg(FieldGreen.name()));
        connect(option, &QRadioButton::clicked, this, [this, index] { Option1_Click(index); });
        Option1[index] = option;
    }

    for (int hole = 1; hole <= 9; ++hole) {
        ClickLabel* box = new ClickLabel(this);
        box->setGeometry(QRect(holeCorner(hole) / 15, QSize(121, 113)));
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        connect(box, &ClickLabel::clicked, this, [this, hole] { Picture1_Click(hole); });
        Picture1[hole] = box;
    }

    // The stock images wait right of the client area, where they are never seen.
    auto holder = [this](int top, const QString& image) {
        QLabel* box = new QLabel(this);
        box->setGeometry(Twips(9720, top, 135, 135));
        box->setPixmap(QPixmap(image));
        return box;
    };
    Picture2[1] = holder(240, QStringLiteral(":/hole_target.gif"));
    Picture2[4] = holder(360, QStringLiteral(":/hole_empty.gif"));
    Picture4 = holder(480, QStringLiteral(":/hole_hit.gif"));
}

void Form5::SetRandomSource(std::unique_ptr<RandomSource> source)
{
    round_.SetRandomSource(std::move(source));
}

void Form5::showImage(int hole, const QLabel* holder)
{
    // QPixmap is shared, not copied: the hole shows the holder's own image.
    Picture1[hole]->setPixmap(holder->pixmap());
}

void Form5::showScore()
{
    Label1->setText(SignedNumberText(round_.Score()));
}

void Form5::whilePaused(const std::function<void()>& command)
{
    round_.Pause();
    command();
    round_.Resume();
}

void Form5::Form_Load()
{
    store_.SetPath(DataPath(programFolder_));
    round_.SeedRandom();
    for (int hole = 1; hole <= 9; ++hole)
        showImage(hole, Picture2[4]);
    LoadHighScores();
    if (MsgBox(QStringLiteral("ディスプレイの解像度は640×480ですか?"), MsgButtons::YesNo, MsgIcon::Question, {})
        != MsgResult::Yes) {
        MsgBox(QStringLiteral("フルスクリーンになりませんので、OKを押す前に設定を変えてください"), MsgButtons::OK,
               MsgIcon::Information, {});
    }
}

void Form5::Option1_Click(int Index)
{
    round_.ChooseDifficulty(Index);
}

void Form5::Label2_Click()
{
    for (int hole = 1; hole <= 9; ++hole)
        showImage(hole, Picture2[4]);
    if (!round_.Start()) {
        MsgBox(QStringLiteral("難易度を指定してください"), MsgButtons::OK, MsgIcon::None, {});
        return;
    }
    Label4->setText(QStringLiteral("スタート!!"));
    showScore();
    // Setting the interval restarts the timer: the first tick comes one interval from now.
    Timer1->setInterval(round_.TickInterval());
}

void Form5::Timer1_Timer()
{
    const GameRound::TickResult tick = round_.Tick(Timer1->interval());
    if (!tick.moved)
        return;
    showImage(tick.clearedHole, Picture2[4]);
    showImage(round_.TargetHole(), Picture2[1]);
    showScore();
    Label4->setText(QStringLiteral("あと ") + SignedNumberText(round_.SecondsLeft()) + QStringLiteral("秒"));
    if (tick.ended) {
        Label4->setText(QStringLiteral("終了!!"));
        RankFinishedGame();
    }
}

void Form5::Picture1_Click(int Index)
{
    const GameRound::HitResult result = round_.HitHole(Index);
    if (result == GameRound::HitResult::Ignored)
        return;
    if (result == GameRound::HitResult::Hit)
        showImage(Index, Picture4);
    showScore();
}

bool Form5::Form_KeyDown(int KeyCode, int /*Shift*/)
{
    switch (KeyCode) {
    case VirtualKey::Space:
        SetDisplayState(CurrentDisplayState() == DisplayState::Minimised ? DisplayState::Normal
                                                                         : DisplayState::Minimised);
        return true;
    case VirtualKey::H:
        Label8_Click();
        return true;
    case VirtualKey::Q:
        Label3_Click();
        return true;
    case VirtualKey::S:
        Label2_Click();
        return true;
    case VirtualKey::V:
        Label6_Click();
        return true;
    default:
        break;
    }
    if (KeyCode >= VirtualKey::Numpad1 && KeyCode <= VirtualKey::Numpad9) {
        Picture1_Click(KeyCode - VirtualKey::Numpad0);
        return true;
    }
    return false;
}

void Form5::Label3_Click()
{
    whilePaused([this] {
        if (MsgBox(QStringLiteral("やめちゃうの?"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("終了"))
            == MsgResult::Yes) {
            MsgBox(QStringLiteral("バイバイ!"), MsgButtons::OK, MsgIcon::None, QStringLiteral("終了"));
            close();
        }
    });
}

void Form5::Label6_Click()
{
    whilePaused([] {
        QPointer<Form2> version = new Form2;
        version->exec();
    });
}

void Form5::FillHighScoreWindow()
{
    if (!form3_) {
        form3_ = new Form3;
        connect(form3_, &Form3::unloaded, this, [this] { form3_ = nullptr; });
    }
    form3_->Fill(Table());
}

Form3* Form5::HighScoreWindow() const
{
    return form3_;
}

void Form5::Label8_Click()
{
    whilePaused([this] {
        FillHighScoreWindow();
        // A window left open by a game end is shown again, this time modally.
        if (form3_->isVisible())
            form3_->hide();
        form3_->exec();
    });
}

void Form5::RankFinishedGame()
{
    const std::optional<int> row = store_.Place(round_.Score());
    if (!row)
        return;
    if (*row == 1)
        Label5->setText(PlainNumberText(round_.Score())); // a new best, shown before the name is asked
    QPointer<Form4> entry = new Form4;
    entry->exec();
    const QString EntryName = entry->Text1->text();
    delete entry;
    store_.Fill(HighScoreRow{CheckedNarrow16(round_.Score()), LevelLabel(round_.TickInterval()), EntryName});
    // The name is on disk before the table is shown, and the table shows
    // what other copies saved meanwhile.
    SaveHighScores();
    FillHighScoreWindow();
    // Showing a window that is already open brings it to the front, where
    // the player sees the refreshed table.
    form3_->show();
    form3_->raise();
    form3_->activateWindow();
}

void Form5::showDamage(const std::optional<HighScoreDamage>& damage)
{
    if (!damage)
        return;
    // A damaged file has been copied aside before any save writes over it.
    MsgBox(damage->notAFile ? notAFileMessage(store_.Path(), damage->problem)
                            : damagedFileMessage(store_.Path(), damage->problem, damage->copyPath),
           MsgButtons::OK, MsgIcon::Information, {});
}

void Form5::LoadHighScores()
{
    showDamage(store_.Load());
    Label5->setText(PlainNumberText(Table().Row(1).score));
}

void Form5::SaveHighScores()
{
    for (;;) {
        const HighScoreSave save = store_.Save();
        showDamage(save.damage);
        if (save.saved
            || MsgBox(saveFailedMessage(store_.Path(), save.reason), MsgButtons::RetryCancel, MsgIcon::Critical, {})
                != MsgResult::Retry)
            break;
    }
    // The save may have brought in rows that other copies saved.
    Label5->setText(PlainNumberText(Table().Row(1).score));
    if (form3_)
        FillHighScoreWindow();
}

bool Form5::SaveHighScoresWithoutAsking()
{
    return store_.Save().saved;
}

void Form5::Form_Unload()
{
    SaveHighScores();
}

Form5::DisplayState Form5::CurrentDisplayState() const
{
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return DisplayState::Minimised;
    if (state & Qt::WindowMaximized)
        return DisplayState::Maximised;
    return DisplayState::Normal;
}

void Form5::SetDisplayState(DisplayState state)
{
    switch (state) {
    case DisplayState::Minimised: setWindowState(Qt::WindowMinimized); break;
    case DisplayState::Maximised: setWindowState(Qt::WindowMaximized); break;
    case DisplayState::Normal: setWindowState(Qt::WindowNoState); break;
    }
}

bool Form5::eventFilter(QObject* watched, QEvent* event)
{
    // Alt+E, Alt+N, Alt+D choose at once: the button's own access key would
    // only click after a short animation, so S pressed right after it would
    // still find no difficulty chosen.
    if (event->type() == QEvent::Shortcut) {
        for (int index = 0; index < 3; ++index) {
            if (watched == Option1[index]) {
                Option1[index]->setChecked(true);
                Option1_Click(index);
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
    return Form_KeyDown(VirtualKeyCode(key->key(), key->modifiers()), int(key->modifiers()));
}

void Form5::closeEvent(QCloseEvent* event)
{
    // Closing the window unloads it, whether by the quit command or by the window manager.
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
        Timer1->stop(); // the timer goes with the window: no game runs on behind it
    }
    event->accept();
}

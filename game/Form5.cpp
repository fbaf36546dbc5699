#include "game/Form5.h"

#include "platform/CheckedMath.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
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
#include "scores/DateFile.h"

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

#include <cmath>

static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace {

const QColor Green(0, 255, 0);
constexpr float GameSeconds = 40.0f;

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
    , random_(std::make_unique<RandomSource>())
{
    initAssets();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("ぴょこぽん"));
    setWindowIcon(QIcon(QStringLiteral(":/pyokopon.ico")));
    setFixedSize(640, 480);
    QPalette field = palette();
    field.setColor(QPalette::Window, Green);
    field.setColor(QPalette::WindowText, Qt::black);
    field.setColor(QPalette::ButtonText, Qt::black);
    setPalette(field);
    setAutoFillBackground(true);
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
            "QRadioButton { background-color: rgb(0, 255, 0); color: black; spacing: 3px; }"
            "QRadioButton::indicator { width: 15px; height: 15px; }"
            "QRadioButton::indicator:unchecked { image: url(:/mini_empty.gif); }"
            "QRadioButton::indicator:checked { image: url(:/mini_target.gif); }"));
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
    random_ = std::move(source);
}

void Form5::showImage(int hole, const QLabel* holder)
{
    // QPixmap is shared, not copied: the hole shows the holder's own image.
    Picture1[hole]->setPixmap(holder->pixmap());
}

quint8 Form5::randomHole()
{
    const double r = random_->Next();
    return static_cast<quint8>(std::floor(r * 9 + 1));
}

void Form5::Form_Load()
{
    DataPath = ::DataPath(programFolder_);
    random_->SeedFromTimeOfDay();
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
    TickInterval = CheckedNarrow16(1000 - 250 * qint64(Index));
}

void Form5::Label2_Click()
{
    for (int hole = 1; hole <= 9; ++hole)
        showImage(hole, Picture2[4]);
    if (TickInterval == 0) {
        MsgBox(QStringLiteral("難易度を指定してください"), MsgButtons::OK, MsgIcon::None, {});
        return;
    }
    if (TargetHole != 0)
        showImage(TargetHole, Picture2[4]);
    Playing = true;
    TargetUp = false;
    Score = 0;
    Label4->setText(QStringLiteral("スタート!!"));
    Label1->setText(SignedNumberText(Score));
    Elapsed = 0.0f;
    Timer1->setInterval(TickInterval);
    TargetHole = randomHole();
}

void Form5::Timer1_Timer()
{
    if (!Playing)
        return;
    if (TargetUp)
        Score = CheckedAdd32(Score, -5);
    showImage(TargetHole, Picture2[4]);
    TargetHole = randomHole();
    showImage(TargetHole, Picture2[1]);
    Label1->setText(SignedNumberText(Score));
    TargetUp = true;
    Elapsed = float(double(Elapsed) + double(Timer1->interval()) / 1000.0);
    Label4->setText(QStringLiteral("あと ") + SignedNumberText(float(GameSeconds - Elapsed)) + QStringLiteral("秒"));
    if (Elapsed > GameSeconds) {
        Playing = false;
        Label4->setText(QStringLiteral("終了!!"));
        RankFinishedGame();
    }
}

void Form5::Picture1_Click(int Index)
{
    if (!Playing)
        return;
    if (Index == TargetHole) {
        if (TargetUp) {
            TargetUp = false;
            Score = CheckedAdd32(Score, 30);
            showImage(TargetHole, Picture4);
        }
    } else {
        Score = CheckedAdd32(Score, -30);
    }
    Label1->setText(SignedNumberText(Score));
}

bool Form5::Form_KeyDown(int KeyCode, int /*Shift*/)
{
    switch (KeyCode) {
    case VirtualKey::Space:
        SetWindowState(WindowState() == 1 ? 0 : 1);
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
    WasPlaying = Playing;
    Playing = false;
    if (MsgBox(QStringLiteral("やめちゃうの?"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("終了"))
        == MsgResult::Yes) {
        MsgBox(QStringLiteral("バイバイ!"), MsgButtons::OK, MsgIcon::None, QStringLiteral("終了"));
        close();
    }
    Playing = WasPlaying;
}

void Form5::Label6_Click()
{
    WasPlaying = Playing;
    Playing = false;
    QPointer<Form2> version = new Form2;
    version->exec();
    Playing = WasPlaying;
}

void Form5::FillHighScoreWindow()
{
    if (!form3_) {
        form3_ = new Form3;
        connect(form3_, &Form3::unloaded, this, [this] { form3_ = nullptr; });
    }
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        form3_->Label1[row]->setText(PlainNumberText(Table.Row(row).score));
        form3_->Label3[row]->setText(Table.Row(row).level);
        form3_->Label2[row]->setText(Table.Row(row).name);
    }
}

Form3* Form5::HighScoreWindow() const
{
    return form3_;
}

void Form5::Label8_Click()
{
    WasPlaying = Playing;
    Playing = false;
    FillHighScoreWindow();
    // A window left open by a game end is shown again, this time modally.
    if (form3_->isVisible())
        form3_->hide();
    form3_->exec();
    Playing = WasPlaying;
}

void Form5::RankFinishedGame()
{
    const std::optional<int> row = Store.Place(Score);
    if (!row)
        return;
    Table = Store.Table();
    if (*row == 1)
        Label5->setText(PlainNumberText(Score));
    QPointer<Form4> entry = new Form4;
    entry->exec();
    EntryName = entry->Text1->text();
    delete entry;
    Store.Fill(HighScoreRow{CheckedNarrow16(Score), LevelLabel(TickInterval), EntryName});
    // The name is on disk before the table is shown, and the table shows
    // what other copies saved meanwhile.
    SaveHighScores();
    FillHighScoreWindow();
    form3_->show();
}

void Form5::LoadHighScores()
{
    Store.SetPath(DataPath);
    // A damaged file has been copied aside before the next save writes over it.
    if (const std::optional<HighScoreDamage> damage = Store.Load()) {
        MsgBox(DamagedFileMessage(DataPath, damage->problem, damage->copyPath), MsgButtons::OK, MsgIcon::Information,
               {});
    }
    Table = Store.Table();
    Label5->setText(PlainNumberText(Table.Row(1).score));
}

void Form5::SaveHighScores()
{
    // Cancel keeps the unsaved rows in the store for the next save.
    for (;;) {
        const HighScoreSave save = Store.Save();
        if (save.damage) {
            MsgBox(DamagedFileMessage(DataPath, save.damage->problem, save.damage->copyPath), MsgButtons::OK,
                   MsgIcon::Information, {});
        }
        if (save.saved
            || MsgBox(SaveFailedMessage(DataPath, save.reason), MsgButtons::RetryCancel, MsgIcon::Critical, {})
                != MsgResult::Retry)
            break;
    }
    Table = Store.Table();
    Label5->setText(PlainNumberText(Table.Row(1).score));
    if (form3_)
        FillHighScoreWindow();
}

void Form5::Form_Unload()
{
    SaveHighScores();
}

int Form5::WindowState() const
{
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & Qt::WindowMaximized)
        return 2;
    return 0;
}

void Form5::SetWindowState(int state)
{
    setWindowState(state == 1 ? Qt::WindowMinimized : state == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
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
        Playing = false;
    }
    event->accept();
}

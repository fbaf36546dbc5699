#pragma once

#include "game/GameRound.h"
#include "scores/ScoreSession.h"
#include "scores/ScoreSessionView.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class ClickLabel;
class HighScoreWindow;
class QLabel;
class QRadioButton;
class QTimer;
class RandomSource;
class SpokenNotice;

// The board: the program's main window. It builds the controls, forwards
// every click, key and tick to the round's rules and a finished game to the
// score session, shows what they report, and opens the other windows.
// Handlers are public so that tests call them as the event loop would.
class BoardWindow : public QWidget, private ScoreSessionView {
    Q_OBJECT
public:
    // programFolder is the folder that holds the executable; date.dat is kept there.
    explicit BoardWindow(const QString& programFolder = {});
    ~BoardWindow() override;

    void setRandomSource(std::unique_ptr<RandomSource> source);

    // Loads the table and asks the display question; the board is not shown yet.
    void startUp();
    // Saves the table as the board goes; the game is already held still.
    // Returns whether it saved.
    bool saveOnClose();
    // For a signal that ends the program: from now on no save asks or
    // shows anything (see ScoreSession::stopAsking).
    void stopAsking() { scores_.stopAsking(); }
    // Whether the close saved the table; false before the board closed.
    bool savedOnClose() const { return savedOnClose_; }
    // Returns whether the key was one of the board's: such keys go no further.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    // 0 easy, 1 normal, 2 difficult.
    void chooseDifficulty(int index);
    void startGame();
    void confirmQuit();
    void showAbout();
    void showHighScores();
    // 1 <= hole <= 9, placed like the numeric keypad.
    void hitHole(int hole);
    void tick();

    // Saves with Retry/Cancel, the game held still meanwhile (a logout), or
    // once without asking when no one can answer.
    void saveScores();
    bool saveScoresWithoutAsking() { return scores_.saveWithoutAsking(); }

    const GameRound& round() const { return round_; }
    const HighScoreTable& table() const { return scores_.table(); }
    const QString& dataFilePath() const { return scores_.path(); }
    // The table window while it is loaded, else null.
    HighScoreWindow* highScoreWindow() const;

    // The window's own state, as the Space key toggles it.
    enum class DisplayState { Normal, Minimised, Maximised };
    DisplayState displayState() const;
    void setDisplayState(DisplayState state);

    enum class HoleImage { Empty, Target, Hit };
    const QPixmap& image(HoleImage which) const;

    QLabel* scoreLabel() const { return scoreLabel_; }
    ClickLabel* startCommand() const { return startCommand_; }
    ClickLabel* quitCommand() const { return quitCommand_; }
    QLabel* statusLabel() const { return statusLabel_; }
    SpokenNotice* statusNotice() const { return statusNotice_; }
    QLabel* bestScoreLabel() const { return bestScoreLabel_; }
    ClickLabel* aboutCommand() const { return aboutCommand_; }
    QLabel* bestHeading() const { return bestHeading_; }
    ClickLabel* highScoresCommand() const { return highScoresCommand_; }
    ClickLabel* hole(int hole) const { return holes_.at(hole - 1); }
    QRadioButton* difficultyButton(int index) const { return difficultyButtons_.at(index); }
    QTimer* tickTimer() const { return tickTimer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ScoreSessionView
    QString askName() override;
    bool askRetry(const QString& message) override;
    void tellAboutFile(const QString& message) override;
    void showBestScore(qint32 score) override;
    void refreshTable(const HighScoreTable& table) override;
    void showTable(const HighScoreTable& table) override;

    void buildControls();
    void showImage(int hole, HoleImage which);
    void showScore();
    // Has a screen reader say the status line and the score, as in
    // "終了!!　-200 点": at a game's start and end, never on a tick.
    void tellStatus();
    // Loads the table window when it is not loaded and fills its cells.
    void loadHighScoreWindow(const HighScoreTable& table);
    // Runs a command's question or window with the game held still.
    void whilePaused(const std::function<void()>& command);

    QString programFolder_;
    GameRound round_;
    ScoreSession scores_;
    bool closed_ = false;
    bool savedOnClose_ = false;
    QPointer<HighScoreWindow> highScoreWindow_;  // loaded, or null once its OK has unloaded it

    QPixmap emptyImage_;
    QPixmap targetImage_;
    QPixmap hitImage_;

    QLabel* scoreLabel_ = nullptr;           // score of the current game
    ClickLabel* startCommand_ = nullptr;
    ClickLabel* quitCommand_ = nullptr;
    QLabel* statusLabel_ = nullptr;          // start, time left, finished
    SpokenNotice* statusNotice_ = nullptr;   // the status and score at a start and an end
    QLabel* bestScoreLabel_ = nullptr;       // best score of the table
    ClickLabel* aboutCommand_ = nullptr;
    QLabel* bestHeading_ = nullptr;          // heading over the best score
    ClickLabel* highScoresCommand_ = nullptr;
    std::array<ClickLabel*, 9> holes_ {};    // holes 1..9 at indexes 0..8
    std::array<QRadioButton*, 3> difficultyButtons_ {};
    QTimer* tickTimer_ = nullptr;            // the game tick; runs from construction to close
};

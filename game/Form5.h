#pragma once

#include "game/GameRound.h"
#include "scores/HighScoreStore.h"
#include "scores/HighScoreTable.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class ClickLabel;
class Form3;
class QLabel;
class QRadioButton;
class QTimer;
class RandomSource;

// The board: the program's main window. It builds the controls, forwards
// every click, key and tick to the round's rules, shows what they report,
// and opens the other windows. Handlers are public so that tests call them
// as the event loop would.
class Form5 : public QWidget {
    Q_OBJECT
public:
    // programFolder is the folder that holds the executable; date.dat is kept there.
    explicit Form5(const QString& programFolder = {});
    ~Form5() override;

    void setRandomSource(std::unique_ptr<RandomSource> source);

    void Form_Load();
    void Form_Unload();
    // Returns whether the key was one of the board's: such keys go no further.
    bool Form_KeyDown(int KeyCode, int Shift);
    void Option1_Click(int Index);
    void Label2_Click();
    void Label3_Click();
    void Label6_Click();
    void Label8_Click();
    void Picture1_Click(int Index);
    void Timer1_Timer();

    void LoadHighScores();
    // Saves the table, offering Retry while the save fails; Cancel keeps
    // this session's rows for the next save.
    void SaveHighScores();
    // For when no one can be asked (the session is ending): one attempt.
    bool SaveHighScoresWithoutAsking();
    void RankFinishedGame();
    // Loads the high-score window when it is not loaded and fills its cells.
    void FillHighScoreWindow();
    Form3* HighScoreWindow() const;

    const GameRound& round() const { return round_; }
    const HighScoreTable& table() const { return store_.table(); }
    const QString& dataFilePath() const { return store_.path(); }

    // The window's own state, as the Space key toggles it.
    enum class DisplayState { Normal, Minimised, Maximised };
    DisplayState displayState() const;
    void setDisplayState(DisplayState state);

    // Controls, under their own names and indexes.
    QLabel* Label1 = nullptr;        // score of the current game
    ClickLabel* Label2 = nullptr;    // start command
    ClickLabel* Label3 = nullptr;    // quit command
    QLabel* Label4 = nullptr;        // status line: start, time left, finished
    QLabel* Label5 = nullptr;        // best score of the table
    ClickLabel* Label6 = nullptr;    // version command
    QLabel* Label7 = nullptr;        // heading over the best score
    ClickLabel* Label8 = nullptr;    // high-score command
    ClickLabel* Picture1[10] = {};   // the holes, 1..9 placed like the numeric keypad
    QLabel* Picture2[5] = {};        // out of sight: [1] holds the target, [4] the empty hole
    QLabel* Picture4 = nullptr;      // out of sight: holds the hit target
    QRadioButton* Option1[3] = {};   // difficulty: easy, normal, difficult
    QTimer* Timer1 = nullptr;        // the game tick; runs from load to unload

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showImage(int hole, const QLabel* holder);
    void showScore();
    void showDamage(const std::optional<HighScoreDamage>& damage);
    // Runs a command's question or window with the game held still.
    void whilePaused(const std::function<void()>& command);

    QString programFolder_;
    GameRound round_;
    HighScoreStore store_;   // date.dat, its path and table, shared with other copies of the game
    bool unloaded_ = false;
    QPointer<Form3> form3_;  // loaded, or null once its OK has unloaded it
};

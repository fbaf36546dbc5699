#pragma once

#include "scores/HighScoreStore.h"
#include "scores/HighScoreTable.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class ClickLabel;
class Form3;
class QLabel;
class QRadioButton;
class QTimer;
class RandomSource;

// The board: the program's main window, its game, start-up, keyboard and quit.
// Handlers are public so that tests call them as the event loop would.
class Form5 : public QWidget {
    Q_OBJECT
public:
    // programFolder is the folder that holds the executable; date.dat is kept there.
    explicit Form5(const QString& programFolder = {});
    ~Form5() override;

    void SetRandomSource(std::unique_ptr<RandomSource> source);

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
    void SaveHighScores();
    void RankFinishedGame();
    // Loads the high-score window when it is not loaded and writes its thirty cells.
    void FillHighScoreWindow();
    Form3* HighScoreWindow() const;

    // 0 normal, 1 minimised, 2 maximised.
    int WindowState() const;
    void SetWindowState(int state);

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

    // Game state.
    bool TargetUp = false;   // the target shown by the last tick is still unhit
    qint32 Score = 0;
    quint8 TargetHole = 0;   // 1..9; 0 before the first start
    bool Playing = false;    // a game runs and is not paused
    float Elapsed = 0.0f;    // seconds of play in this game
    HighScoreTable Table;    // as shown: the store's table after each load, placement and save
    HighScoreStore Store;    // date.dat, shared with other copies of the game
    QString EntryName;       // the name typed at the last placed game end
    QString DataPath;        // the full path of date.dat
    qint16 TickInterval = 0; // ms between ticks; 0 until a difficulty is chosen
    bool WasPlaying = false; // Playing as it was before a command paused the game

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showImage(int hole, const QLabel* holder);
    quint8 randomHole();

    QString programFolder_;
    std::unique_ptr<RandomSource> random_;
    bool unloaded_ = false;
    QPointer<Form3> form3_; // loaded, or null once its OK has unloaded it
};

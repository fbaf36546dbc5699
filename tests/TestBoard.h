#pragma once

#include "ScriptedMsgBox.h"
#include "ScriptedRandom.h"

#include "game/BoardWindow.h"

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// A loaded board in a scratch folder, with scripted boxes and random holes.
// Its timer is held still so that the test alone decides when a tick comes.
class Board {
public:
    explicit Board(QList<double> random = {randomFor(5)}, MsgResult displayAnswer = MsgResult::Yes,
                   std::optional<QByteArray> dateDat = std::nullopt, int noticesBeforeQuestion = 0);
    ~Board();

    BoardWindow* operator->() const { return form.get(); }

    void start(int difficulty);
    void ticks(int count);
    // Runs a script: T is a tick, a digit a click on that hole.
    void play(const QString& actions);
    // Plays a whole game to its end, hitting the first `hits` targets and
    // leaving the rest: on easy the score is 35 × hits − 200. The last tick
    // runs the game-end ranking, so a name entry must be expected.
    void playGame(int hits, int difficulty = 0);
    bool holeShows(int hole, BoardWindow::HoleImage image) const;
    QString dateDatPath() const;

    QTemporaryDir folder;
    ScriptedMsgBox boxes;
    std::unique_ptr<BoardWindow> form;
    ScriptedRandom* randomSource = nullptr;
    bool timerRanFromLoad = false;
};

// Acts on the next modal window as soon as it is up, from inside its own
// event loop, the way a player would.
void whenModal(std::function<void(QWidget*)> act);
// Types the name into the next name entry and presses Enter.
void answerNameEntry(const QString& name);

#include "TestBoard.h"

#include "platform/ClickLabel.h"
#include "scores/HighScoreWindow.h"
#include "scores/NameEntryDialog.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

Board::Board(QList<double> random, MsgResult displayAnswer, std::optional<QByteArray> dateDat,
             int noticesBeforeQuestion)
{
    if (dateDat) {
        QFile file(dateDatPath());
        if (file.open(QIODevice::WriteOnly))
            file.write(*dateDat);
    }
    form = std::make_unique<BoardWindow>(folder.path());
    auto source = std::make_unique<ScriptedRandom>(std::move(random));
    randomSource = source.get();
    form->setRandomSource(std::move(source));
    timerRanFromLoad = form->tickTimer()->isActive();
    form->tickTimer()->stop();
    for (int notice = 0; notice < noticesBeforeQuestion; ++notice)
        boxes.expect(MsgResult::OK);
    boxes.expect(displayAnswer);
    if (displayAnswer != MsgResult::Yes)
        boxes.expect(MsgResult::OK);
    form->startUp();
}

Board::~Board()
{
    if (form)
        delete form->highScoreWindow();
}

void Board::start(int difficulty)
{
    form->chooseDifficulty(difficulty);
    form->startGame();
}

void Board::ticks(int count)
{
    for (int i = 0; i < count; ++i)
        form->tick();
}

void Board::play(const QString& actions)
{
    for (const QChar action : actions) {
        if (action == u'T')
            form->tick();
        else
            form->hitHole(action.digitValue());
    }
}

void Board::playGame(int hits, int difficulty)
{
    start(difficulty);
    for (int hit = 0; form->round().playing(); ++hit) {
        form->tick();
        if (hit < hits && form->round().playing())
            form->hitHole(form->round().targetHole());
    }
}

bool Board::holeShows(int hole, BoardWindow::HoleImage image) const
{
    return form->hole(hole)->pixmap().cacheKey() == form->image(image).cacheKey();
}

QString Board::dateDatPath() const
{
    return folder.filePath(QStringLiteral("date.dat"));
}

void whenModal(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QWidget> window = modal;
        act(modal);
        // A failed check leaves the window up: close it so the test fails instead of hanging.
        if (window && window->isVisible())
            window->hide();
    });
    poll->start();
}

void answerNameEntry(const QString& name)
{
    whenModal([name](QWidget* modal) {
        auto* entry = qobject_cast<NameEntryDialog*>(modal);
        QVERIFY(entry);
        entry->nameEdit()->setText(name);
        QTest::keyClick(entry->nameEdit(), Qt::Key_Return);
    });
}

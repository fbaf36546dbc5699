#include "TestBoard.h"

#include "platform/ClickLabel.h"
#include "scores/Form3.h"
#include "scores/Form4.h"

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
    form = std::make_unique<Form5>(folder.path());
    auto source = std::make_unique<ScriptedRandom>(std::move(random));
    randomSource = source.get();
    form->setRandomSource(std::move(source));
    timerRanFromLoad = form->Timer1->isActive();
    form->Timer1->stop();
    for (int notice = 0; notice < noticesBeforeQuestion; ++notice)
        boxes.expect(MsgResult::OK);
    boxes.expect(displayAnswer);
    if (displayAnswer != MsgResult::Yes)
        boxes.expect(MsgResult::OK);
    form->Form_Load();
}

Board::~Board()
{
    delete form->HighScoreWindow();
}

void Board::start(int difficulty)
{
    form->Option1_Click(difficulty);
    form->Label2_Click();
}

void Board::ticks(int count)
{
    for (int i = 0; i < count; ++i)
        form->Timer1_Timer();
}

void Board::play(const QString& actions)
{
    for (const QChar action : actions) {
        if (action == u'T')
            form->Timer1_Timer();
        else
            form->Picture1_Click(action.digitValue());
    }
}

void Board::playGame(int hits, int difficulty)
{
    start(difficulty);
    for (int hit = 0; form->round().playing(); ++hit) {
        form->Timer1_Timer();
        if (hit < hits && form->round().playing())
            form->Picture1_Click(form->round().targetHole());
    }
}

bool Board::holeShows(int hole, const QLabel* holder) const
{
    return form->Picture1[hole]->pixmap().cacheKey() == holder->pixmap().cacheKey();
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
        auto* entry = qobject_cast<Form4*>(modal);
        QVERIFY(entry);
        entry->Text1->setText(name);
        QTest::keyClick(entry->Text1, Qt::Key_Return);
    });
}

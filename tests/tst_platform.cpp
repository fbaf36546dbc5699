#include "platform/CheckedMath.h"
#include "platform/MsgBox.h"
#include "platform/NumberText.h"
#include "platform/SignalNotifier.h"
#include "platform/SpokenNotice.h"

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <limits>

Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgResult)

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void signedNumberText_data();
    void signedNumberText();
    void signedFloatText_data();
    void signedFloatText();
    void plainNumberText_data();
    void plainNumberText();
    void add32_data();
    void add32();
    void narrow16_data();
    void narrow16();
    void overflowRaisesRunTimeError();
    void realMessageBoxAnswers_data();
    void realMessageBoxAnswers();
    void signalsReachTheEventLoop_data();
    void signalsReachTheEventLoop();
    void spokenNoticeIsShownAnewForEachText();
};

void PlatformTest::signedNumberText_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << " 0";
    QTest::newRow("positive") << 270 << " 270";
    QTest::newRow("negative") << -35 << "-35";
    QTest::newRow("lowest") << std::numeric_limits<qint32>::min() << "-2147483648";
}

void PlatformTest::signedNumberText()
{
    QFETCH(qint32, value);
    QFETCH(QString, text);
    QCOMPARE(::signedNumberText(value), text);
}

void PlatformTest::signedFloatText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("quarter steps") << 39.25f << " 39.25";
    QTest::newRow("whole") << 37.0f << " 37";
    QTest::newRow("zero") << 0.0f << " 0";
    QTest::newRow("negative zero") << -0.0f << " 0";
    QTest::newRow("below one") << 0.25f << " 0.25";
    QTest::newRow("over time") << -0.5f << "-0.5";
    QTest::newRow("over by one") << -1.0f << "-1";
    QTest::newRow("seven digits") << 1.0f / 3.0f << " 0.3333333";
}

void PlatformTest::signedFloatText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(::signedNumberText(value), text);
}

void PlatformTest::plainNumberText_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("default score") << -9999 << "-9999";
    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("positive") << 1200 << "1200";
}

void PlatformTest::plainNumberText()
{
    QFETCH(qint32, value);
    QFETCH(QString, text);
    QCOMPARE(::plainNumberText(value), text);
}

void PlatformTest::add32_data()
{
    QTest::addColumn<qint32>("a");
    QTest::addColumn<qint32>("b");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<qint32>("sum");
    const qint32 top = std::numeric_limits<qint32>::max();
    const qint32 bottom = std::numeric_limits<qint32>::min();
    QTest::newRow("hit") << 10 << 30 << true << 40;
    QTest::newRow("below zero") << 10 << -30 << true << -20;
    QTest::newRow("up to the top") << top - 30 << 30 << true << top;
    QTest::newRow("past the top") << top - 29 << 30 << false << 0;
    QTest::newRow("past the bottom") << bottom + 4 << -5 << false << 0;
}

void PlatformTest::add32()
{
    QFETCH(qint32, a);
    QFETCH(qint32, b);
    QFETCH(bool, fits);
    QFETCH(qint32, sum);
    const std::optional<qint32> result = tryAdd32(a, b);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(*result, sum);
}

void PlatformTest::narrow16_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("fits");
    QTest::newRow("difficult interval") << qint64(500) << true;
    QTest::newRow("top") << qint64(32767) << true;
    QTest::newRow("bottom") << qint64(-32768) << true;
    QTest::newRow("above") << qint64(32768) << false;
    QTest::newRow("below") << qint64(-32769) << false;
}

void PlatformTest::narrow16()
{
    QFETCH(qint64, value);
    QFETCH(bool, fits);
    const std::optional<qint16> result = tryNarrow16(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(qint64(*result), value);
}

void PlatformTest::overflowRaisesRunTimeError()
{
    struct Raised {
        int code;
    };
    setRunTimeErrorHandler([](int code, const QString&) { throw Raised{code}; });
    int code = 0;
    try {
        checkedAdd32(std::numeric_limits<qint32>::max(), 30);
    } catch (const Raised& raised) {
        code = raised.code;
    }
    setRunTimeErrorHandler({});
    QCOMPARE(code, OverflowError);
}

void PlatformTest::realMessageBoxAnswers_data()
{
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<bool>("closeButton");
    const int enter = Qt::Key_Return;
    const int escape = Qt::Key_Escape;
    QTest::newRow("Enter takes Yes, the default") << MsgButtons::YesNo << QList<int>{enter} << MsgResult::Yes << false;
    QTest::newRow("Escape on Yes/No does nothing") << MsgButtons::YesNo << QList<int>{escape, enter} << MsgResult::Yes
                                                   << false;
    QTest::newRow("N answers No") << MsgButtons::YesNo << QList<int>{escape, Qt::Key_N} << MsgResult::No << false;
    QTest::newRow("Enter takes OK") << MsgButtons::OK << QList<int>{enter} << MsgResult::OK << true;
    QTest::newRow("Escape takes OK") << MsgButtons::OK << QList<int>{escape} << MsgResult::OK << true;
    QTest::newRow("Enter takes Retry") << MsgButtons::RetryCancel << QList<int>{enter} << MsgResult::Retry << true;
    QTest::newRow("Escape cancels") << MsgButtons::RetryCancel << QList<int>{escape} << MsgResult::Cancel << true;
}

void PlatformTest::realMessageBoxAnswers()
{
    QFETCH(MsgButtons, buttons);
    QFETCH(QList<int>, keys);
    QFETCH(MsgResult, answer);
    QFETCH(bool, closeButton);
    QString seenTitle;
    bool seenCloseButton = false;
    int keysSeenOpen = 0;
    QTimer::singleShot(0, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenCloseButton = box->windowFlags().testFlag(Qt::WindowCloseButtonHint)
                          || !box->windowFlags().testFlag(Qt::CustomizeWindowHint);
        for (int key : keys) {
            if (!box->isVisible())
                break;
            ++keysSeenOpen;
            QTest::keyClick(box, Qt::Key(key));
        }
    });
    QCOMPARE(messageBox(QStringLiteral("やめちゃうの?"), buttons, MsgIcon::Question, QStringLiteral("終了")), answer);
    QCOMPARE(seenTitle, QStringLiteral("終了"));
    QCOMPARE(keysSeenOpen, keys.size());   // the box was still open for the last key
    QCOMPARE(seenCloseButton, closeButton);
}

void PlatformTest::signalsReachTheEventLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void PlatformTest::signalsReachTheEventLoop()
{
    QFETCH(int, signalNumber);
    QList<int> received;
    {
        SignalNotifier notifier;
        connect(&notifier, &SignalNotifier::received, this, [&](int number) { received << number; });
        // Twice: the second must not end the process either.
        QCOMPARE(std::raise(signalNumber), 0);
        QCOMPARE(std::raise(signalNumber), 0);
        QVERIFY(received.isEmpty()); // only the event loop delivers them
        QTRY_COMPARE(received, QList<int>({signalNumber, signalNumber}));
    }
    // Gone with the notifier: the default action is back.
    struct sigaction action {};
    sigaction(signalNumber, nullptr, &action);
    QCOMPARE(reinterpret_cast<quintptr>(action.sa_handler), reinterpret_cast<quintptr>(SIG_DFL));
}

void PlatformTest::spokenNoticeIsShownAnewForEachText()
{
    // The notice's accessible name each time it is shown.
    struct Shows : QObject {
        QStringList names;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show)
                names << static_cast<QWidget*>(watched)->accessibleName();
            return false;
        }
    } shows;
    QWidget window;
    SpokenNotice notice(&window);
    notice.installEventFilter(&shows);
    window.show();
    const QStringList said = {QStringLiteral("スタート!!　0 点"), QStringLiteral("終了!!　0 点"),
                              QStringLiteral("終了!!　0 点")};
    for (const QString& text : said)
        notice.say(text);
    // Not shown, empty, with the window; then once for every text, even the same one again.
    QCOMPARE(shows.names, said);
    QCOMPARE(QAccessible::queryAccessibleInterface(&notice)->role(), QAccessible::Notification);
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"

#include "about/AboutDialog.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreTable.h"
#include "scores/HighScoreWindow.h"
#include "scores/NameEntryDialog.h"

#include "platform/QtTranslations.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

const QRgb Green = qRgb(0, 255, 0);
const QRgb Pink = qRgb(255, 192, 192);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Black = qRgb(0, 0, 0);

enum class Closing { DefaultButton, Enter, Escape, WindowManager, OkLabel };

void closeBy(GreenDialog* window, Closing how)
{
    switch (how) {
    case Closing::DefaultButton: window->defaultButton()->click(); break;
    case Closing::Enter: QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Return); break;
    case Closing::Escape: QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape); break;
    case Closing::WindowManager: window->close(); break;
    case Closing::OkLabel: QTest::mouseClick(window->okLabel(), Qt::LeftButton, {}, QPoint(5, 5)); break;
    }
}

std::unique_ptr<GreenDialog> make(const QString& which)
{
    if (which == "about")
        return std::make_unique<AboutDialog>();
    if (which == "highScores")
        return std::make_unique<HighScoreWindow>();
    return std::make_unique<NameEntryDialog>();
}

} // namespace

Q_DECLARE_METATYPE(Closing)

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void geometry_data();
    void geometry();
    void rendering_data();
    void rendering();
    void everyWayOfClosingRunsOk_data();
    void everyWayOfClosingRunsOk();
    void nameEntryKeepsTextUntilUnloaded();
    void nameEntryHasFocusAndTakesTyping();
    void nameEntryTakesOneLine_data();
    void nameEntryTakesOneLine();
    void longTextIsCutAtTheCellEdge();
    void accessibleNames_data();
    void accessibleNames();
    void highScoreRowReadAsOne();
    void qtTextsInJapanese_data();
    void qtTextsInJapanese();
};

void WindowsTest::initTestCase()
{
    setUpFonts();
}

void WindowsTest::geometry_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("about size") << "about" << "" << QRect(0, 0, 305, 225);
    QTest::newRow("about version") << "about" << "version" << QRect(96, 40, 193, 17);
    QTest::newRow("about credit") << "about" << "credit" << QRect(96, 88, 193, 17);
    QTest::newRow("about icon") << "about" << "icon" << QRect(32, 64, 33, 41);
    QTest::newRow("about OK") << "about" << "OK" << QRect(96, 152, 121, 41);
    QTest::newRow("about defaultButton") << "about" << "defaultButton" << QRect(328, 72, 9, 12);
    QTest::newRow("highScores size") << "highScores" << "" << QRect(0, 0, 585, 377);
    QTest::newRow("highScores heading") << "highScores" << "heading" << QRect(8, 80, 129, 41);
    QTest::newRow("highScores OK") << "highScores" << "OK" << QRect(16, 224, 121, 41);
    QTest::newRow("highScores score(1)") << "highScores" << "score(1)" << QRect(152, 32, 89, 33);
    QTest::newRow("highScores level(5)") << "highScores" << "level(5)" << QRect(264, 160, 89, 33);
    QTest::newRow("highScores name(10)") << "highScores" << "name(10)" << QRect(384, 320, 185, 33);
    QTest::newRow("highScores defaultButton") << "highScores" << "defaultButton" << QRect(608, 104, 17, 33);
    QTest::newRow("nameEntry size") << "nameEntry" << "" << QRect(0, 0, 305, 226);
    QTest::newRow("nameEntry message") << "nameEntry" << "message" << QRect(40, 16, 225, 65);
    QTest::newRow("nameEntry nameEdit") << "nameEntry" << "nameEdit" << QRect(80, 96, 145, 49);
    QTest::newRow("nameEntry OK") << "nameEntry" << "OK" << QRect(96, 168, 121, 41);
    QTest::newRow("nameEntry defaultButton") << "nameEntry" << "defaultButton" << QRect(344, 64, 17, 41);
}

void WindowsTest::geometry()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QRect, rect);
    std::unique_ptr<GreenDialog> form = make(window);
    QWidget* widget = nullptr;
    if (control.isEmpty()) {
        QCOMPARE(form->size(), rect.size());
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        return;
    }
    if (control == "OK")
        widget = form->okLabel();
    else if (control == "defaultButton")
        widget = form->defaultButton();
    else if (auto* about = dynamic_cast<AboutDialog*>(form.get()))
        widget = control == "icon" ? about->iconLabel() : control == "version" ? about->versionLabel() : about->creditLabel();
    else if (auto* table = dynamic_cast<HighScoreWindow*>(form.get())) {
        const int row = control.section('(', 1).section(')', 0, 0).toInt();   // the heading has none
        widget = control == "heading"             ? table->heading()
            : control.startsWith("score(")        ? table->scoreCell(row)
            : control.startsWith("level(")        ? table->levelCell(row)
                                                  : table->nameCell(row);
    } else if (auto* entry = dynamic_cast<NameEntryDialog*>(form.get()))
        widget = control == "nameEdit" ? static_cast<QWidget*>(entry->nameEdit()) : entry->messageLabel();
    QVERIFY(widget);
    QCOMPARE(QRect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size()), rect);
    // The hidden button lies wholly outside the client area.
    QVERIFY(!form->rect().intersects(form->defaultButton()->geometry()));
}

void WindowsTest::rendering_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QRect>("face");
    QTest::addColumn<int>("frameBottom");
    QTest::newRow("about") << "about" << QRect(96, 144, 121, 49) << 224;
    QTest::newRow("highScores") << "highScores" << QRect(16, 216, 121, 49) << 376;
    QTest::newRow("nameEntry") << "nameEntry" << QRect(96, 160, 121, 49) << 224;
}

void WindowsTest::rendering()
{
    QFETCH(QString, window);
    QFETCH(QRect, face);
    QFETCH(int, frameBottom);
    std::unique_ptr<GreenDialog> form = make(window);
    const QImage shot = form->grab().toImage();
    const int right = shot.width() - 1;
    // The 3-pixel frame, inside the window's edge, green just inside it.
    for (int inset = 0; inset < 3; ++inset) {
        QCOMPARE(shot.pixel(inset, 50), Black);
        QCOMPARE(shot.pixel(right - inset, 50), Black);
        QCOMPARE(shot.pixel(50, frameBottom - inset), Black);
    }
    QCOMPARE(shot.pixel(3, 50), Green);
    QCOMPARE(shot.pixel(right - 3, 50), Green);
    // The red border is 5 pixels wide inside the face; pink within.
    QCOMPARE(shot.pixel(face.left(), face.center().y()), Red);
    QCOMPARE(shot.pixel(face.left() + 4, face.center().y()), Red);
    QCOMPARE(shot.pixel(face.left() + 5, face.center().y()), Pink);
    QCOMPARE(shot.pixel(face.right() - 4, face.top() + 7), Red);
    QCOMPARE(shot.pixel(face.left() + 8, face.bottom() - 5), Pink);
    QCOMPARE(shot.pixel(face.left() - 1, face.center().y()), Green);
    // The "OK" text is drawn over the face.
    int ink = 0;
    for (int x = face.left() + 5; x < face.right() - 5; ++x)
        ink += qGray(shot.pixel(x, face.center().y())) < 96;
    QVERIFY(ink > 3);
}

void WindowsTest::everyWayOfClosingRunsOk_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<Closing>("how");
    for (const char* window : {"about", "highScores", "nameEntry"}) {
        QTest::addRow("%s OK label", window) << window << Closing::OkLabel;
        QTest::addRow("%s default button", window) << window << Closing::DefaultButton;
        QTest::addRow("%s Enter", window) << window << Closing::Enter;
        QTest::addRow("%s Escape", window) << window << Closing::Escape;
        QTest::addRow("%s window manager", window) << window << Closing::WindowManager;
    }
}

void WindowsTest::everyWayOfClosingRunsOk()
{
    QFETCH(QString, window);
    QFETCH(Closing, how);
    QPointer<GreenDialog> form = make(window).release();
    bool closedInTime = false;
    QTimer::singleShot(0, form, [&] {
        QVERIFY(form->isVisible());
        closeBy(form, how);
        closedInTime = true;
    });
    form->exec();
    QVERIFY(closedInTime);
    QVERIFY(!form || !form->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The version and high-score windows unload; the name entry only hides.
    if (window == "nameEntry") {
        QVERIFY(form);
        delete form;
    } else {
        QVERIFY(!form);
    }
}

void WindowsTest::nameEntryKeepsTextUntilUnloaded()
{
    NameEntryDialog entry;
    QVERIFY(entry.nameEdit()->text().isEmpty());
    QTimer::singleShot(0, &entry, [&] {
        QTest::keyClicks(entry.nameEdit(), QStringLiteral(" a, b "));
        QTest::keyClick(entry.nameEdit(), Qt::Key_Return);
    });
    entry.exec();
    QVERIFY(!entry.isVisible());
    QCOMPARE(entry.nameEdit()->text(), QStringLiteral(" a, b "));
}

void WindowsTest::nameEntryHasFocusAndTakesTyping()
{
    NameEntryDialog entry;
    QString focused;
    QTimer::singleShot(0, &entry, [&] {
        QTRY_VERIFY(entry.isActiveWindow());
        focused = QApplication::focusWidget() == entry.nameEdit() ? "nameEdit" : "other";
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        entry.pressOk();
    });
    entry.exec();
    QCOMPARE(focused, QStringLiteral("nameEdit"));
    QCOMPARE(entry.nameEdit()->text(), QStringLiteral("abc"));
    QVERIFY(entry.nameEdit()->testAttribute(Qt::WA_InputMethodEnabled));
}

void WindowsTest::nameEntryTakesOneLine_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");
    QTest::newRow("LF into an empty box") << "" << 0 << "a\nb" << "a b" << 3;
    QTest::newRow("CR LF and a tab into the middle") << "名前" << 1 << "x\r\ny\tz" << "名x y z前" << 6;
    QTest::newRow("separators, CR and DEL; other text kept")
        << "" << 0 << QStringLiteral("\u2028Ａ　b,\u2029c\rd\x7f") << QStringLiteral(" Ａ　b, c d ") << 10;
        const int limit = int(HighScoreFieldLimit);
        const QString almostFull(limit - 1, u'x');
        QTest::newRow("past the field limit: cut there")
            << "ab" << 1 << QString(limit, u'y') << u'a' + QString(limit - 2, u'y') + u'b' << limit - 1;
        QTest::newRow("a surrogate pair cut by the limit goes whole, at the end")
            << almostFull << limit - 1 << QStringLiteral("\U0001F600") << almostFull << limit - 1;
        QTest::newRow("a surrogate pair cut by the limit goes whole, at the start")
            << almostFull << 0 << QStringLiteral("\U0001F600y") << almostFull << 0;
}

void WindowsTest::nameEntryTakesOneLine()
{
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);
    NameEntryDialog entry;
    entry.nameEdit()->setText(before);
    entry.nameEdit()->setCursorPosition(cursor);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(entry.nameEdit(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(entry.nameEdit()->text(), after);
    QCOMPARE(entry.nameEdit()->cursorPosition(), cursorAfter);
}

void WindowsTest::longTextIsCutAtTheCellEdge()
{
    HighScoreWindow table;
    const QString longName = QString(40, QChar(u'長'));
    table.nameCell(3)->setText(longName);
    table.scoreCell(3)->setText(QStringLiteral("-32768888888888"));
    QCOMPARE(table.nameCell(3)->text(), longName);
    QCOMPARE(QRect(table.nameCell(3)->mapTo(&table, QPoint(0, 0)), table.nameCell(3)->size()), QRect(384, 96, 185, 33));
    QVERIFY(!table.nameCell(3)->wordWrap());
    // Nothing of the name reaches past the cell into the frame or beyond.
    const QImage shot = table.grab().toImage();
    for (int x = 384 + 185; x < 585 - 3; ++x)
        QCOMPARE(shot.pixel(x, 96 + 16), Green);
    int ink = 0;
    for (int x = 384; x < 384 + 185; ++x)
        ink += qGray(shot.pixel(x, 96 + 16)) < 96;
    QVERIFY(ink > 10);
}

void WindowsTest::accessibleNames_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("about") << "about" << "" << "バージョン情報";
    QTest::newRow("highScores") << "highScores" << "" << "ハイスコア";
    QTest::newRow("nameEntry") << "nameEntry" << "" << "名前の入力";
    QTest::newRow("about defaultButton") << "about" << "defaultButton" << "OK";
    QTest::newRow("nameEntry nameEdit") << "nameEntry" << "nameEdit" << "名前";
}

void WindowsTest::accessibleNames()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    std::unique_ptr<GreenDialog> form = make(window);
    QWidget* widget = control.isEmpty() ? static_cast<QWidget*>(form.get())
        : control == "nameEdit"         ? static_cast<QWidget*>(static_cast<NameEntryDialog*>(form.get())->nameEdit())
                                        : form->defaultButton();
    QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    QVERIFY(form->windowTitle().startsWith("Form"));  // the title stays as it was
}

void WindowsTest::highScoreRowReadAsOne()
{
    HighScoreTable table;
    table.insert({-5, QStringLiteral("難しい"), QStringLiteral("%1 %2")});
    HighScoreWindow window;
    window.fill(table);
    // The heading, OK and the ten rows, each with no cell of its own.
    QAccessibleInterface* reported = QAccessible::queryAccessibleInterface(&window);
    QAccessibleInterface* row = reported->child(2);
    QCOMPARE(row->role(), QAccessible::ListItem);
    QCOMPARE(row->childCount(), 0);
    QCOMPARE(reported->indexOfChild(row), 2);
    // A name that looks like a placeholder stays as typed.
    QCOMPARE(row->text(QAccessible::Name), QStringLiteral("1 位　-5 点　難しい　%1 %2"));
    QCOMPARE(reported->text(QAccessible::Description).section(u'\n', 0, 0), row->text(QAccessible::Name));
}

void WindowsTest::qtTextsInJapanese_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("text");
    QTest::newRow("undo") << 0 << "元に戻す(&U)";
    QTest::newRow("cut") << 3 << "切り取り(&T)";
    QTest::newRow("paste") << 5 << "貼り付け(&P)";
    QTest::newRow("select all") << 8 << "すべてを選択";
}

void WindowsTest::qtTextsInJapanese()
{
    QFETCH(int, entry);
    QFETCH(QString, text);
    // Whatever the locale says.
    QLocale::setDefault(QLocale::c());
    static const bool loaded = loadQtTranslations();
    QVERIFY(loaded);
    NameEntryDialog entryWindow;
    const std::unique_ptr<QMenu> menu(entryWindow.nameEdit()->createStandardContextMenu());
    QCOMPARE(menu->actions().value(entry)->text().section(u'\t', 0, 0), text);
}

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"

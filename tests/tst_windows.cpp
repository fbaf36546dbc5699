#include "about/Form2.h"
#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "scores/Form3.h"
#include "scores/Form4.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

const QRgb Green = qRgb(0, 255, 0);
const QRgb Pink = qRgb(255, 192, 192);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Black = qRgb(0, 0, 0);

enum class Closing { Command1, Enter, Escape, WindowManager, OkLabel };

void closeBy(SmallWindow* window, Closing how)
{
    switch (how) {
    case Closing::Command1: window->Command1->click(); break;
    case Closing::Enter: QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Return); break;
    case Closing::Escape: QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape); break;
    case Closing::WindowManager: window->close(); break;
    case Closing::OkLabel: QTest::mouseClick(window->OkLabel, Qt::LeftButton, {}, QPoint(5, 5)); break;
    }
}

std::unique_ptr<SmallWindow> make(const QString& which)
{
    if (which == "Form2")
        return std::make_unique<Form2>();
    if (which == "Form3")
        return std::make_unique<Form3>();
    return std::make_unique<Form4>();
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
};

void WindowsTest::initTestCase()
{
    Q_INIT_RESOURCE(assets);
    setUpFonts();
}

void WindowsTest::geometry_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Form2 size") << "Form2" << "" << QRect(0, 0, 305, 225);
    QTest::newRow("Form2 Label1(0)") << "Form2" << "Label1(0)" << QRect(96, 40, 193, 17);
    QTest::newRow("Form2 Label1(1)") << "Form2" << "Label1(1)" << QRect(96, 88, 193, 17);
    QTest::newRow("Form2 Picture1") << "Form2" << "Picture1" << QRect(32, 64, 33, 41);
    QTest::newRow("Form2 Label2") << "Form2" << "OK" << QRect(96, 152, 121, 41);
    QTest::newRow("Form2 Command1") << "Form2" << "Command1" << QRect(328, 72, 9, 12);
    QTest::newRow("Form3 size") << "Form3" << "" << QRect(0, 0, 585, 377);
    QTest::newRow("Form3 Label5") << "Form3" << "Label5" << QRect(8, 80, 129, 41);
    QTest::newRow("Form3 Label6") << "Form3" << "OK" << QRect(16, 224, 121, 41);
    QTest::newRow("Form3 Label1(1)") << "Form3" << "Label1(1)" << QRect(152, 32, 89, 33);
    QTest::newRow("Form3 Label3(5)") << "Form3" << "Label3(5)" << QRect(264, 160, 89, 33);
    QTest::newRow("Form3 Label2(10)") << "Form3" << "Label2(10)" << QRect(384, 320, 185, 33);
    QTest::newRow("Form3 Command1") << "Form3" << "Command1" << QRect(608, 104, 17, 33);
    QTest::newRow("Form4 size") << "Form4" << "" << QRect(0, 0, 305, 226);
    QTest::newRow("Form4 Label1") << "Form4" << "Label1" << QRect(40, 16, 225, 65);
    QTest::newRow("Form4 Text1") << "Form4" << "Text1" << QRect(80, 96, 145, 49);
    QTest::newRow("Form4 Label2") << "Form4" << "OK" << QRect(96, 168, 121, 41);
    QTest::newRow("Form4 Command1") << "Form4" << "Command1" << QRect(344, 64, 17, 41);
}

void WindowsTest::geometry()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QRect, rect);
    std::unique_ptr<SmallWindow> form = make(window);
    QWidget* widget = nullptr;
    if (control.isEmpty()) {
        QCOMPARE(form->size(), rect.size());
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        return;
    }
    if (control == "OK")
        widget = form->OkLabel;
    else if (control == "Command1")
        widget = form->Command1;
    else if (auto* f2 = dynamic_cast<Form2*>(form.get()))
        widget = control == "Picture1" ? static_cast<QWidget*>(f2->Picture1) : f2->Label1[control.mid(7, 1).toInt()];
    else if (auto* f3 = dynamic_cast<Form3*>(form.get())) {
        const int row = control.section('(', 1).section(')', 0, 0).toInt();   // Label5 has none
        widget = control == "Label5" ? f3->Label5 : control.startsWith("Label1(") ? f3->Label1[row]
            : control.startsWith("Label3(")                                     ? f3->Label3[row]
                                                                                : f3->Label2[row];
    } else if (auto* f4 = dynamic_cast<Form4*>(form.get()))
        widget = control == "Text1" ? static_cast<QWidget*>(f4->Text1) : f4->Label1;
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), rect);
    // The hidden button lies wholly outside the client area.
    QVERIFY(!form->rect().intersects(form->Command1->geometry()));
}

void WindowsTest::rendering_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QRect>("face");
    QTest::addColumn<int>("frameBottom");
    QTest::newRow("Form2") << "Form2" << QRect(96, 144, 121, 49) << 224;
    QTest::newRow("Form3") << "Form3" << QRect(16, 216, 121, 49) << 376;
    QTest::newRow("Form4") << "Form4" << QRect(96, 160, 121, 49) << 224;
}

void WindowsTest::rendering()
{
    QFETCH(QString, window);
    QFETCH(QRect, face);
    QFETCH(int, frameBottom);
    std::unique_ptr<SmallWindow> form = make(window);
    const QImage shot = form->grab().toImage();
    shot.save(QDir::temp().filePath(QStringLiteral("pyokopon-%1.png").arg(window)));
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
    for (const char* window : {"Form2", "Form3", "Form4"}) {
        QTest::addRow("%s OK label", window) << window << Closing::OkLabel;
        QTest::addRow("%s Command1", window) << window << Closing::Command1;
        QTest::addRow("%s Enter", window) << window << Closing::Enter;
        QTest::addRow("%s Escape", window) << window << Closing::Escape;
        QTest::addRow("%s window manager", window) << window << Closing::WindowManager;
    }
}

void WindowsTest::everyWayOfClosingRunsOk()
{
    QFETCH(QString, window);
    QFETCH(Closing, how);
    QPointer<SmallWindow> form = make(window).release();
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
    if (window == "Form4") {
        QVERIFY(form);
        delete form;
    } else {
        QVERIFY(!form);
    }
}

void WindowsTest::nameEntryKeepsTextUntilUnloaded()
{
    Form4 entry;
    QVERIFY(entry.Text1->text().isEmpty());
    QTimer::singleShot(0, &entry, [&] {
        QTest::keyClicks(entry.Text1, QStringLiteral(" a, b "));
        QTest::keyClick(entry.Text1, Qt::Key_Return);
    });
    entry.exec();
    QVERIFY(!entry.isVisible());
    QCOMPARE(entry.Text1->text(), QStringLiteral(" a, b "));
}

void WindowsTest::nameEntryHasFocusAndTakesTyping()
{
    Form4 entry;
    QString focused;
    QTimer::singleShot(0, &entry, [&] {
        QTRY_VERIFY(entry.isActiveWindow());
        focused = QApplication::focusWidget() == entry.Text1 ? "Text1" : "other";
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        entry.Label2_Click();
    });
    entry.exec();
    QCOMPARE(focused, QStringLiteral("Text1"));
    QCOMPARE(entry.Text1->text(), QStringLiteral("abc"));
    QVERIFY(entry.Text1->testAttribute(Qt::WA_InputMethodEnabled));
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
}

void WindowsTest::nameEntryTakesOneLine()
{
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);
    Form4 entry;
    entry.Text1->setText(before);
    entry.Text1->setCursorPosition(cursor);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(entry.Text1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(entry.Text1->text(), after);
    QCOMPARE(entry.Text1->cursorPosition(), cursorAfter);
}

void WindowsTest::longTextIsCutAtTheCellEdge()
{
    Form3 table;
    const QString longName = QString(40, QChar(u'長'));
    table.Label2[3]->setText(longName);
    table.Label1[3]->setText(QStringLiteral("-32768888888888"));
    QCOMPARE(table.Label2[3]->text(), longName);
    QCOMPARE(table.Label2[3]->geometry(), QRect(384, 96, 185, 33));
    QVERIFY(!table.Label2[3]->wordWrap());
    // Nothing of the name reaches past the cell into the frame or beyond.
    const QImage shot = table.grab().toImage();
    for (int x = 384 + 185; x < 585 - 3; ++x)
        QCOMPARE(shot.pixel(x, 96 + 16), Green);
    int ink = 0;
    for (int x = 384; x < 384 + 185; ++x)
        ink += qGray(shot.pixel(x, 96 + 16)) < 96;
    QVERIFY(ink > 10);
}

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"

// The images compiled into the program: that each one loads through Qt's own
// readers at its size, that the board images are still 256-colour GIF87a
// pictures on the window's green, that the figures stand where the board
// expects them, and that the icon is the 1078-byte two-image file whose
// pixels the desktop PNGs repeat.

#include <algorithm>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QtTest>

namespace {

const QColor FieldGreen(0, 255, 0);
const QColor HoleRed(128, 0, 0);
const QColor BodyBrown(128, 64, 0);
const QColor MouthOrange(255, 128, 64);
const QColor White(255, 255, 255);
const QColor HeadOlive(128, 128, 0);
const QColor IconRed(255, 0, 0);

// The colour of one pixel with its alpha dropped: GIFs are opaque, and for
// the icon the alpha is checked on its own.
QColor colourAt(const QImage &image, QPoint point)
{
    return QColor(image.pixel(point)).toRgb();
}

QImage readIconImage(int index)
{
    QImageReader reader(QStringLiteral(":/pyokopon.ico"));
    if (!reader.jumpToImage(index))
        return {};
    return reader.read();
}

} // namespace

class AssetsTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsAtItsSize_data();
    void loadsAtItsSize();

    void gifIsStill256ColourWithoutTransparency_data();
    void gifIsStill256ColourWithoutTransparency();

    void pixelHasItsColour_data();
    void pixelHasItsColour();

    void figureTopIsAtItsRow_data();
    void figureTopIsAtItsRow();

    void figureSpansItsColumns_data();
    void figureSpansItsColumns();

    void iconFileHoldsTwoImagesIn1078Bytes();

    void iconImageShowsHeadOverHole_data();
    void iconImageShowsHeadOverHole();

    void desktopPngMatchesIcon_data();
    void desktopPngMatchesIcon();
};

void AssetsTest::loadsAtItsSize_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QSize>("size");

    QTest::newRow("empty hole") << QStringLiteral(":/hole_empty.gif") << QSize(60, 60);
    QTest::newRow("target") << QStringLiteral(":/hole_target.gif") << QSize(60, 60);
    QTest::newRow("hit target") << QStringLiteral(":/hole_hit.gif") << QSize(60, 60);
    QTest::newRow("miniature empty hole") << QStringLiteral(":/mini_empty.gif") << QSize(15, 15);
    QTest::newRow("miniature target") << QStringLiteral(":/mini_target.gif") << QSize(15, 15);
    QTest::newRow("icon, first image") << QStringLiteral(":/pyokopon.ico") << QSize(32, 32);
}

void AssetsTest::loadsAtItsSize()
{
    QFETCH(QString, resource);
    QFETCH(QSize, size);

    QImageReader reader(resource);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
}

void AssetsTest::gifIsStill256ColourWithoutTransparency_data()
{
    QTest::addColumn<QString>("resource");

    QTest::newRow("empty hole") << QStringLiteral(":/hole_empty.gif");
    QTest::newRow("target") << QStringLiteral(":/hole_target.gif");
    QTest::newRow("hit target") << QStringLiteral(":/hole_hit.gif");
    QTest::newRow("miniature empty hole") << QStringLiteral(":/mini_empty.gif");
    QTest::newRow("miniature target") << QStringLiteral(":/mini_target.gif");
}

void AssetsTest::gifIsStill256ColourWithoutTransparency()
{
    QFETCH(QString, resource);

    QFile file(resource);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const int headerAndScreen = 13;
    const int globalTableBytes = 3 * 256;
    QVERIFY(bytes.size() > headerAndScreen + globalTableBytes);

    QCOMPARE(bytes.left(6), QByteArray("GIF87a"));
    // Packed screen byte: global table present (bit 7), 2^(7+1) entries.
    QCOMPARE(quint8(bytes.at(10)) & 0x87, 0x87);
    // The image descriptor follows the colour table directly: no extension
    // block (transparency, animation loop) comes before the picture.
    QCOMPARE(bytes.at(headerAndScreen + globalTableBytes), ',');

    QImageReader reader(resource);
    QCOMPARE(reader.imageCount(), 1);
    const QImage image = reader.read();
    QVERIFY(!image.isNull());
    QCOMPARE(image.hasAlphaChannel(), false);
}

void AssetsTest::pixelHasItsColour_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QColor>("colour");

    const QString empty = QStringLiteral(":/hole_empty.gif");
    const QString target = QStringLiteral(":/hole_target.gif");
    const QString hit = QStringLiteral(":/hole_hit.gif");
    const QString miniEmpty = QStringLiteral(":/mini_empty.gif");
    const QString miniTarget = QStringLiteral(":/mini_target.gif");

    QTest::newRow("empty: top-left corner is field") << empty << QPoint(0, 0) << FieldGreen;
    QTest::newRow("empty: bottom-right corner is field") << empty << QPoint(59, 59) << FieldGreen;
    QTest::newRow("empty: middle of the lower half is the mouth") << empty << QPoint(30, 45) << HoleRed;
    QTest::newRow("empty: mouth reaches the left edge") << empty << QPoint(0, 44) << HoleRed;
    QTest::newRow("empty: mouth reaches the right edge") << empty << QPoint(59, 45) << HoleRed;
    QTest::newRow("empty: nothing stands where the body would") << empty << QPoint(20, 30) << FieldGreen;

    QTest::newRow("target: top-right corner is field") << target << QPoint(59, 0) << FieldGreen;
    QTest::newRow("target: mouth in front of the body") << target << QPoint(30, 53) << HoleRed;
    QTest::newRow("target: body") << target << QPoint(20, 30) << BodyBrown;
    QTest::newRow("target: eye") << target << QPoint(20, 14) << White;
    QTest::newRow("target: its mouth") << target << QPoint(29, 25) << MouthOrange;

    QTest::newRow("hit: bottom-left corner is field") << hit << QPoint(0, 59) << FieldGreen;
    QTest::newRow("hit: mouth in front of the body") << hit << QPoint(30, 53) << HoleRed;
    QTest::newRow("hit: body") << hit << QPoint(20, 30) << BodyBrown;
    QTest::newRow("hit: cross on the head") << hit << QPoint(30, 24) << White;

    QTest::newRow("miniature empty: corner is field") << miniEmpty << QPoint(0, 0) << FieldGreen;
    QTest::newRow("miniature empty: mouth") << miniEmpty << QPoint(7, 11) << HoleRed;
    QTest::newRow("miniature empty: nothing stands above") << miniEmpty << QPoint(7, 3) << FieldGreen;
    QTest::newRow("miniature target: corner is field") << miniTarget << QPoint(14, 0) << FieldGreen;
    QTest::newRow("miniature target: body") << miniTarget << QPoint(7, 3) << BodyBrown;
    QTest::newRow("miniature target: mouth below it") << miniTarget << QPoint(7, 12) << HoleRed;
}

void AssetsTest::pixelHasItsColour()
{
    QFETCH(QString, resource);
    QFETCH(QPoint, point);
    QFETCH(QColor, colour);

    const QImage image(resource);
    QVERIFY(!image.isNull());
    QVERIFY(image.rect().contains(point));
    QCOMPARE(colourAt(image, point), colour);
}

void AssetsTest::figureTopIsAtItsRow_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("topRow");

    // The middle column: the highest point of the hole or of the body.
    QTest::newRow("empty: the mouth's far edge") << QStringLiteral(":/hole_empty.gif") << 29 << 30;
    QTest::newRow("target: top of the head") << QStringLiteral(":/hole_target.gif") << 29 << 3;
    QTest::newRow("hit: top of the knocked-down head") << QStringLiteral(":/hole_hit.gif") << 29 << 17;
}

void AssetsTest::figureTopIsAtItsRow()
{
    QFETCH(QString, resource);
    QFETCH(int, column);
    QFETCH(int, topRow);

    const QImage image(resource);
    QVERIFY(!image.isNull());
    int row = 0;
    while (row < image.height() && colourAt(image, QPoint(column, row)) == FieldGreen)
        ++row;
    QCOMPARE(row, topRow);
}

void AssetsTest::figureSpansItsColumns_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("firstColumn");
    QTest::addColumn<int>("lastColumn");

    // At a height above the hole only the body is drawn: 32 pixels, centred.
    QTest::newRow("target body") << QStringLiteral(":/hole_target.gif") << 28 << 14 << 45;
    QTest::newRow("hit body") << QStringLiteral(":/hole_hit.gif") << 30 << 14 << 45;
    QTest::newRow("empty mouth, full width") << QStringLiteral(":/hole_empty.gif") << 44 << 0 << 59;
}

void AssetsTest::figureSpansItsColumns()
{
    QFETCH(QString, resource);
    QFETCH(int, row);
    QFETCH(int, firstColumn);
    QFETCH(int, lastColumn);

    const QImage image(resource);
    QVERIFY(!image.isNull());
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (colourAt(image, QPoint(x, row)) == FieldGreen)
            continue;
        if (first < 0)
            first = x;
        last = x;
    }
    QCOMPARE(first, firstColumn);
    QCOMPARE(last, lastColumn);
}

void AssetsTest::iconFileHoldsTwoImagesIn1078Bytes()
{
    QFile file(QStringLiteral(":/pyokopon.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), qint64(1078));

    QImageReader reader(&file);
    QCOMPARE(reader.imageCount(), 2);

    const QIcon icon(QStringLiteral(":/pyokopon.ico"));
    QList<QSize> sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(),
              [](QSize a, QSize b) { return a.width() < b.width(); });
    QCOMPARE(sizes, (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
}

void AssetsTest::iconImageShowsHeadOverHole_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("side");
    QTest::addColumn<QPoint>("head");
    QTest::addColumn<QPoint>("eye");
    QTest::addColumn<QPoint>("mouth");
    QTest::addColumn<QPoint>("hole");

    QTest::newRow("32 x 32") << 0 << 32 << QPoint(16, 20) << QPoint(11, 11) << QPoint(16, 18) << QPoint(16, 29);
    QTest::newRow("16 x 16") << 1 << 16 << QPoint(7, 4) << QPoint(5, 5) << QPoint(7, 8) << QPoint(7, 14);
}

void AssetsTest::iconImageShowsHeadOverHole()
{
    QFETCH(int, index);
    QFETCH(int, side);
    QFETCH(QPoint, head);
    QFETCH(QPoint, eye);
    QFETCH(QPoint, mouth);
    QFETCH(QPoint, hole);

    const QImage image = readIconImage(index);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(side, side));

    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(side - 1, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(side - 1, side - 1)), 0);

    for (const QPoint point : {head, eye, mouth, hole})
        QCOMPARE(qAlpha(image.pixel(point)), 255);
    QCOMPARE(colourAt(image, head), HeadOlive);
    QCOMPARE(colourAt(image, eye), White);
    QCOMPARE(colourAt(image, mouth), IconRed);
    QCOMPARE(colourAt(image, hole), HoleRed);
}

void AssetsTest::desktopPngMatchesIcon_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("side");
    // The .ico image whose pixels these are, each one enlarged to a square
    // block when the PNG is larger; -1 for art of its own.
    QTest::addColumn<int>("iconIndex");

    QTest::newRow("16 px") << QStringLiteral("pyokopon-16.png") << 16 << 1;
    QTest::newRow("32 px") << QStringLiteral("pyokopon-32.png") << 32 << 0;
    QTest::newRow("48 px") << QStringLiteral("pyokopon-48.png") << 48 << 1;
    QTest::newRow("64 px") << QStringLiteral("pyokopon-64.png") << 64 << -1;
    QTest::newRow("128 px") << QStringLiteral("pyokopon-128.png") << 128 << 0;
    QTest::newRow("256 px") << QStringLiteral("pyokopon-256.png") << 256 << 0;
}

void AssetsTest::desktopPngMatchesIcon()
{
    QFETCH(QString, file);
    QFETCH(int, side);
    QFETCH(int, iconIndex);

    const QString path = QFINDTESTDATA(QStringLiteral("../assets/") + file);
    QVERIFY2(!path.isEmpty(), qPrintable(file));
    const QImage png(path);
    QVERIFY(!png.isNull());
    QCOMPARE(png.size(), QSize(side, side));
    QVERIFY(png.hasAlphaChannel());
    QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
    QCOMPARE(colourAt(png, QPoint(side / 2, side * 11 / 16)), HeadOlive);

    if (iconIndex < 0)
        return;
    const QImage ico = readIconImage(iconIndex);
    QVERIFY(!ico.isNull());
    // Premultiplied, every transparent pixel is 0 whatever colour it hides;
    // the fast transformation repeats pixels and blends none.
    const QImage sharp = ico.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                             .scaled(png.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QCOMPARE(png.convertToFormat(QImage::Format_ARGB32_Premultiplied), sharp);
}

QTEST_MAIN(AssetsTest)
#include "tst_assets.moc"

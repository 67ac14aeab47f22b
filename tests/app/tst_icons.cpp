#include "appicon.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace {

// One image of an .ico file as its directory lists it.
struct IcoEntry
{
    int width = 0;
    int height = 0;
    int colourCount = 0;
    int planes = 0;
    int bitCount = 0;
    quint32 bytes = 0;
    quint32 offset = 0;
};

// The directory of an .ico file, in file order; empty if it is not one or is cut short.
inline QList<IcoEntry> icoDirectory(const QByteArray &ico)
{
    QDataStream in(ico);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 1, type = 0, count = 0;
    in >> reserved >> type >> count;
    QList<IcoEntry> entries;
    for (int i = 0; reserved == 0 && type == 1 && i < count; ++i) {
        quint8 width, height, colours, pad;
        quint16 planes, bitCount;
        quint32 bytes, offset;
        in >> width >> height >> colours >> pad >> planes >> bitCount >> bytes >> offset;
        // 0 in the directory means 256.
        entries.append({width ? width : 256, height ? height : 256, colours, planes, bitCount, bytes, offset});
    }
    return in.status() == QDataStream::Ok ? entries : QList<IcoEntry>();
}

QString iconFile(const QString &name)
{
    return QStringLiteral(KSV_TEST_ICON_DIR "/") + name;
}

QString pngName(int size)
{
    return QStringLiteral("ksv2003-%1.png").arg(size);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void icoImage_data();
    void icoImage();
    void appIconHasTheWindowSizes();
    void generatedFilesMatchTheDrawing();
};

// The nine images, in the order Windows lists them: large first, fewest colours first.
void TestIcons::icoImage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bitCount");
    int index = 0;
    for (const int size : {48, 32, 16}) {
        for (const int bitCount : {4, 8, 32})
            QTest::addRow("%dpx %d-bit", size, bitCount) << index++ << size << bitCount;
    }
}

void TestIcons::icoImage()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, bitCount);
    const QByteArray ico = readAll(iconFile(QStringLiteral("ksv2003.ico")));
    const QList<IcoEntry> directory = icoDirectory(ico);
    QCOMPARE(directory.size(), 9);
    const IcoEntry &entry = directory.at(index);
    QCOMPARE(QSize(entry.width, entry.height), QSize(size, size));
    QCOMPARE(entry.bitCount, bitCount);
    QCOMPARE(entry.planes, 1);
    // The directory counts palette colours only below 256.
    QCOMPARE(entry.colourCount, bitCount == 4 ? 16 : 0);
    QVERIFY(qint64(entry.offset) + entry.bytes <= ico.size());

    // Palette images must be bitmaps for the Windows versions that show them; so are ours at
    // 32 bits: a BITMAPINFOHEADER of the image's depth, not a PNG.
    QDataStream header(ico.mid(entry.offset, 16));
    header.setByteOrder(QDataStream::LittleEndian);
    quint32 headerSize, width, height;
    quint16 planes, bits;
    header >> headerSize >> width >> height >> planes >> bits;
    QCOMPARE(headerSize, 40u);
    QCOMPARE(QSize(width, height), QSize(size, 2 * size)); // colour bitmap and AND mask
    QCOMPARE(int(bits), bitCount);

    QFile file(iconFile(QStringLiteral("ksv2003.ico")));
    QImageReader reader(&file, "ico");
    QVERIFY(reader.jumpToImage(index));
    // Premultiplied: what a see-through pixel holds besides its alpha does not show.
    const QImage fromIco = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage drawing = QImage(iconFile(pngName(size))).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(fromIco.size(), QSize(size, size));
    QCOMPARE(drawing.size(), QSize(size, size));

    // Palette images have a 1-bit mask and at most 16 or 256 colours: allow for that, but not
    // for a lost shape or wrong colours.
    // A render gone wrong tends to be empty: the emblem covers most of the square.
    qint64 error = 0, opaque = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb a = fromIco.pixel(x, y), b = drawing.pixel(x, y);
            opaque += qAlpha(b) == 255;
            error += std::abs(qAlpha(a) - qAlpha(b)) + std::abs(qRed(a) - qRed(b))
                     + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    }
    QVERIFY(opaque * 2 > size * size);
    const double meanError = double(error) / (4.0 * size * size);
    QVERIFY2(meanError < (bitCount == 32 ? 1.0 : 4.0), qPrintable(QString::number(meanError)));
}

void TestIcons::appIconHasTheWindowSizes()
{
    const QIcon icon = appIcon();
    for (const int size : {16, 32, 48, 256}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(QImage(QStringLiteral(":/ksv/icons/") + pngName(size)), QImage(iconFile(pngName(size))));
    }
}

void TestIcons::generatedFilesMatchTheDrawing()
{
#ifndef KSV_TEST_CAN_MAKE_ICONS
    QSKIP("rsvg-convert, convert or icotool missing: cannot regenerate the icons");
#endif
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess make;
    make.start(QStringLiteral(KSV_TEST_IDENTITY_DIR "/make-icons.sh"), {out.path()});
    QVERIFY(make.waitForFinished(60000));
    QVERIFY2(make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0,
             make.readAllStandardError().constData());

    const QStringList committed = QDir(QStringLiteral(KSV_TEST_ICON_DIR)).entryList(QDir::Files);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), committed);
    for (const QString &name : committed) {
        // Edited the drawing? Run app/identity/make-icons.sh and commit its output.
        QVERIFY2(readAll(out.filePath(name)) == readAll(iconFile(name)), qPrintable(name));
    }
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"

#include "appicon.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace {

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

class TestIdentityFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void icoImage_data();
    void icoImage();
    void appIconHasTheWindowSizes();
    void generatedFilesMatchTheDrawing();
    // The desktop entry and the metainfo, generated from their templates, as the validators that
    // software centres and menus run see them. Their texts are the templates': not restated here.
    void validates_data();
    void validates();
    void windowMatchesItsEntry();
};

// The nine images, in the order Windows lists them: large first, fewest colours first.
void TestIdentityFiles::icoImage_data()
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

void TestIdentityFiles::icoImage()
{
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, bitCount);
    const QByteArray ico = readAll(iconFile(QStringLiteral("ksv2003.ico")));
    // The directory: reserved, type 1, nine entries; then the entry of this image.
    QDataStream in(ico);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved, type, count, planes, bits;
    quint8 width, height, colours, pad;
    quint32 bytes, offset;
    in >> reserved >> type >> count;
    in.skipRawData(16 * index);
    in >> width >> height >> colours >> pad >> planes >> bits >> bytes >> offset;
    QVERIFY(in.status() == QDataStream::Ok && reserved == 0 && type == 1 && count == 9);
    QCOMPARE(QSize(width, height), QSize(size, size)); // 0 would mean 256
    QCOMPARE(int(bits), bitCount);
    QCOMPARE(int(planes), 1);
    // The directory counts palette colours only below 256.
    QCOMPARE(int(colours), bitCount == 4 ? 16 : 0);
    QVERIFY(qint64(offset) + bytes <= ico.size());

    // Palette images must be bitmaps for the Windows versions that show them; so are ours at
    // 32 bits: a BITMAPINFOHEADER of the image's depth, not a PNG.
    QDataStream header(ico.mid(offset, 16));
    header.setByteOrder(QDataStream::LittleEndian);
    quint32 headerSize, bitmapWidth, bitmapHeight;
    header >> headerSize >> bitmapWidth >> bitmapHeight >> planes >> bits;
    QCOMPARE(headerSize, 40u);
    QCOMPARE(QSize(bitmapWidth, bitmapHeight), QSize(size, 2 * size)); // colour bitmap and AND mask
    QCOMPARE(int(bits), bitCount);

    QFile file(iconFile(QStringLiteral("ksv2003.ico")));
    QImageReader reader(&file, "ico");
    QVERIFY(reader.jumpToImage(index));
    // Premultiplied: what a see-through pixel holds besides its alpha does not show.
    const QImage fromIco = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage drawing = QImage(iconFile(pngName(size))).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(fromIco.size(), QSize(size, size));
    QCOMPARE(drawing.size(), QSize(size, size));

    // Palette images have a 1-bit mask and at most 16 or 256 colours: allow for that, but not for
    // a lost shape or wrong colours. A render gone wrong tends to be empty, so the emblem must
    // cover most of the square.
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

void TestIdentityFiles::appIconHasTheWindowSizes()
{
    const QIcon icon = appIcon();
    for (const int size : {16, 32, 48, 256}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(QImage(QStringLiteral(":/ksv/icons/") + pngName(size)), QImage(iconFile(pngName(size))));
    }
}

void TestIdentityFiles::generatedFilesMatchTheDrawing()
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

void TestIdentityFiles::validates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("warningsFail");
    const QString desktop = QStringLiteral(KSV_TEST_DESKTOP_FILE);
    const QString metainfo = QStringLiteral(KSV_TEST_METAINFO_FILE);
    // desktop-file-validate exits 0 on warnings too; they are worth fixing all the same.
    QTest::newRow("desktop entry") << desktop << QStringLiteral(KSV_TEST_DESKTOP_FILE_VALIDATE)
                                   << QStringList{desktop} << true;
    QTest::newRow("metainfo") << metainfo << QStringLiteral(KSV_TEST_APPSTREAMCLI)
                              << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--explain"), metainfo}
                              << false;
}

void TestIdentityFiles::validates()
{
    QFETCH(QString, file);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, warningsFail);
    // Menus and software centres find both by the application id.
    QVERIFY(QFileInfo(file).fileName().startsWith(QStringLiteral(KSV_TEST_APP_ID ".")));
    if (program.isEmpty())
        QSKIP("validator not installed (desktop-file-utils, appstream)");
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(program, arguments);
    QVERIFY(validator.waitForFinished(60000) && validator.exitStatus() == QProcess::NormalExit);
    const QString output = QString::fromUtf8(validator.readAll());
    QVERIFY2(validator.exitCode() == 0 && (!warningsFail || output.trimmed().isEmpty()),
             qPrintable(output));
}

// What X11 desktops match the program's window to its menu entry by, read from the real program's
// first window on an X server of its own: the main window, or the box if no service answers.
void TestIdentityFiles::windowMatchesItsEntry()
{
#ifndef KSV_TEST_PROGRAM
    QSKIP("the program is not built");
#else
    QProcess xvfb;
    xvfb.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("sh"), QStringLiteral("-c"),
               QStringLiteral("\"$0\" -platform xcb & xprop -id \"$(xdotool search --sync --onlyvisible --pid $! | "
                              "head -1)\" WM_CLASS _GTK_APPLICATION_ID _KDE_NET_WM_DESKTOP_FILE; kill $!"),
               QStringLiteral(KSV_TEST_PROGRAM)});
    if (!xvfb.waitForStarted())
        QSKIP("xvfb-run not installed");
    QVERIFY(xvfb.waitForFinished(60000));
    const QString properties = QString::fromUtf8(xvfb.readAllStandardOutput());
    const QString windowClass = QString::fromUtf8(readAll(QStringLiteral(KSV_TEST_DESKTOP_FILE)))
                                    .section(QStringLiteral("\nStartupWMClass="), 1).section(QLatin1Char('\n'), 0, 0);
    // WM_CLASS(STRING) = "instance", "class"
    QVERIFY2(!windowClass.isEmpty() && properties.contains(", \"" + windowClass + "\"\n"), qPrintable(properties));
    // Qt 6.4 writes neither id; later versions do.
    for (const QString &line : properties.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('_')) && line.contains(QLatin1String(" = ")))
            QVERIFY2(line.endsWith(QStringLiteral(" = \"" KSV_TEST_APP_ID "\"")), qPrintable(line));
    }
#endif
}

QTEST_MAIN(TestIdentityFiles)
#include "tst_identityfiles.moc"

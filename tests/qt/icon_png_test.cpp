// The installed icons as a desktop reads them: each PNG the build writes, decoded by Qt's own
// reader, gives back the artwork's pixels exactly, the large sizes (whose pixel rows need
// more than one stored deflate block) included.
#include <QImage>
#include <QtTest/QtTest>

#include "res/png_writer.h"
#include "res/resources.h"

namespace vorlix::test {

class IconPngTest : public QObject {
    Q_OBJECT

private slots:
    void decodesToTheArtworkAtEverySize() {
        for (int size : {16, 32, 48, 64, 128, 200}) {
            const res::Image icon = res::icon(size);
            const std::string png = packaging::encodePng(icon);
            QImage image;
            QVERIFY2(image.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                                        static_cast<int>(png.size()), "PNG"),
                     qPrintable(QString("size %1 does not decode").arg(size)));
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(image.hasAlphaChannel());
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    QCOMPARE(image.pixel(x, y),
                             icon.pixels[static_cast<std::size_t>(y * size + x)]);
        }
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::IconPngTest)
#include "icon_png_test.moc"

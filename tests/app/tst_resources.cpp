// The compiled-in bundle: both pictures at its root, stored as they are, and readable by the toolkit.

#include <QImageReader>
#include <QResource>
#include <QtTest>

class TestResources : public QObject {
    Q_OBJECT
private slots:
    void bundledPicture_data();
    void bundledPicture();
};

void TestResources::bundledPicture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("palette");
    QTest::newRow("logo") << ":/logo_vexalon.png" << QSize(2000, 1170) << true;
    QTest::newRow("icon") << ":/rx48p-term.ico" << QSize(256, 256) << false;
}

void TestResources::bundledPicture() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, palette);
    const QResource resource(path);
    QVERIFY2(resource.isValid(), qPrintable(path));
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);

    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 1);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    if (palette)
        QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);  // both are drawn on a see-through ground
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"

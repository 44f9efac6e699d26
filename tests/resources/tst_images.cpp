// Every image the program shows is embedded and loads.

#include <QIcon>
#include <QPixmap>
#include <QtTest>

class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
};

void TestImages::loads_data()
{
    QTest::addColumn<QString>("path");
    const char *paths[] = {
        ":/icons/apply.png", ":/icons/cancel.png", ":/icons/connected.png", ":/icons/disconnected.png",
        ":/icons/settings.png", ":/image/block_lt_100.png", ":/image/block_up_100.png",
        ":/image/block_rt_100.png", ":/image/block_dn_100.png", ":/image/ok.png", ":/image/r.png",
        ":/image/alr.png", ":/image/block_stop.png", ":/image/esc.png", ":/image/zoomin.png",
        ":/image/zoomout.png", "://image/zoomin.png", "://image/zoomout.png", ":/average.png",
        ":/erase_gray.png", ":/erase_black.png", ":/pause_black.png", ":/exit.png", ":/settings.png",
        ":/monitor.png", ":/tarncontrol.png"};
    for (const char *path : paths)
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TestImages::loads()
{
    QFETCH(QString, path);
    const QPixmap pixmap(path);
    QVERIFY(!pixmap.isNull());
    // Drawn, not blank: some pixel is not fully transparent.
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
            drawn = qAlpha(image.pixel(x, y)) > 0;
    QVERIFY(drawn);
}

QTEST_MAIN(TestImages)
#include "tst_images.moc"

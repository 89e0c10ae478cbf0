#include "resources.h"
#include "tests.h"

#include <QDirIterator>
#include <QImage>
#include <QtTest>

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void iconIsEmbedded_data();
    void iconIsEmbedded();
    void nothingElseIsEmbedded();
};

namespace {

struct IconSpec
{
    const char* name;
    QSize size;
};

// Every icon that style sheets and buttons name, with its size in pixels.
const IconSpec kIcons[] = {
    {"up/normal", {20, 20}},
    {"up/hover", {20, 20}},
    {"up/disable", {20, 20}},
    {"down/normal", {20, 20}},
    {"down/hover", {20, 20}},
    {"down/disable", {20, 20}},
    {"close/normal", {16, 16}},
    {"close/hover", {16, 16}},
    {"close/disable", {16, 16}},
    {"selectRoi/normal", {20, 20}},
    {"selectRoi/hover", {20, 20}},
    {"selectRoi/disable", {20, 20}},
    {"selectRoi/selected", {20, 20}},
    {"selectSpinRoi/normal", {20, 20}},
    {"selectSpinRoi/hover", {20, 20}},
    {"selectSpinRoi/disable", {20, 20}},
    {"combobox/downAndLine", {16, 26}},
    {"combobox/downAndLine-hover", {16, 26}},
    {"combobox/downAndLine-disable", {16, 26}},
    {"search/normal", {16, 16}},
    {"search/hover", {16, 16}},
    {"search/disable", {16, 16}},
    {"switch/switchON", {44, 20}},
    {"switch/switchOFF", {44, 20}},
    {"switch/switchON-disable", {44, 20}},
    {"switch/switchOFF-disable", {44, 20}},
    {"pullDownIcon/normal", {16, 16}},
    {"pullDownIcon/hover", {16, 16}},
    {"pullDownIcon/disable", {16, 16}},
};

// Share of pixels that are not fully transparent.
double coverage(const QImage& image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 0;
    return double(opaque) / (image.width() * image.height());
}

} // namespace

void TestIcons::initTestCase()
{
    initCampaneResources();
    initCampaneResources(); // a second call is harmless
}

void TestIcons::iconIsEmbedded_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const IconSpec& icon : kIcons)
        QTest::newRow(icon.name) << QStringLiteral(":/Resources/icon/%1").arg(icon.name) << icon.size;
}

void TestIcons::iconIsEmbedded()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    const QImage normal(path + ".png");
    const QImage dense(path + "@2x.png");
    QCOMPARE(normal.size(), size);
    QCOMPARE(dense.size(), size * 2);
    QVERIFY(normal.hasAlphaChannel());
    // Something is drawn, and the 2x variant shows the same drawing.
    QVERIFY(coverage(normal) > 0.05);
    QVERIFY(qAbs(coverage(normal) - coverage(dense)) < 0.15);
}

void TestIcons::nothingElseIsEmbedded()
{
    int files = 0;
    QDirIterator it(":/Resources/icon", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++files;
    }
    QCOMPARE(files, int(std::size(kIcons)) * 2);
}

int runIconTests(int argc, char** argv)
{
    TestIcons test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_icons.moc"

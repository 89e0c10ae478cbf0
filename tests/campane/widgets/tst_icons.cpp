#include "resources.h"

#include <QImage>
#include <QtTest>

namespace {

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

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void iconIsEmbedded_data()
    {
        initCampaneResources();
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");

        // Every icon that style sheets and buttons name, by folder, state and size.
        const QStringList states{"normal", "hover", "disable"};
        const struct
        {
            const char* folder;
            QStringList states;
            QSize size;
        } icons[] = {
            {"up", states, {20, 20}},
            {"down", states, {20, 20}},
            {"close", states, {16, 16}},
            {"selectRoi", states + QStringList{"selected"}, {20, 20}},
            {"selectSpinRoi", states, {20, 20}},
            {"combobox", {"downAndLine", "downAndLine-hover", "downAndLine-disable"}, {16, 26}},
            {"search", states, {16, 16}},
            {"switch", {"switchON", "switchOFF", "switchON-disable", "switchOFF-disable"}, {44, 20}},
            {"pullDownIcon", states, {16, 16}},
        };
        for (const auto& icon : icons)
            for (const QString& state : icon.states)
                QTest::addRow("%s/%s", icon.folder, qPrintable(state))
                    << QStringLiteral(":/Resources/icon/%1/%2").arg(icon.folder, state) << icon.size;
    }

    void iconIsEmbedded()
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
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"

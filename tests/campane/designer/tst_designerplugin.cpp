// The Designer plug-in loaded as Designer loads it: the widget box entry it
// reports, the form snippet it gives a new form, and the pane it creates.

#include <campane.h>

#include <QPluginLoader>
#include <QTest>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class TestDesignerPlugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_loader.setFileName(QStringLiteral(CAMPANE_DESIGNER_PLUGIN));
        QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
        m_widget = qobject_cast<QDesignerCustomWidgetInterface*>(m_loader.instance());
        QVERIFY2(m_widget, "the plug-in is not a QDesignerCustomWidgetInterface");
        QCOMPARE(m_loader.metaData().value(QStringLiteral("IID")).toString(),
                 QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
    }

    // What the widget box shows and what uic writes for a placed pane.
    void reportsTheWidget()
    {
        QCOMPARE(m_widget->name(), QStringLiteral("CamPane"));
        QCOMPARE(m_widget->group(), QStringLiteral("Camera"));
        QCOMPARE(m_widget->includeFile(), QStringLiteral("campane.h"));
        QVERIFY(!m_widget->isContainer());
        QVERIFY(!m_widget->icon().isNull());
        QVERIFY(!m_widget->toolTip().isEmpty());

        m_widget->initialize(nullptr);
        QVERIFY(m_widget->isInitialized());

        // The snippet Designer puts into a new form: one CamPane widget.
        QXmlStreamReader xml(m_widget->domXml());
        QStringList widgets;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("widget")) {
                QVERIFY(!xml.attributes().value(QLatin1String("name")).isEmpty());
                widgets << xml.attributes().value(QLatin1String("class")).toString();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(widgets, QStringList{QStringLiteral("CamPane")});
    }

    // The pane Designer shows is the library's own, a child of the form.
    void createsThePane()
    {
        QWidget form;
        QWidget* created = m_widget->createWidget(&form);
        QVERIFY(created);
        QCOMPARE(created->parentWidget(), &form);
        QCOMPARE(created->metaObject()->className(), "CamPane");
        auto* pane = qobject_cast<CamPane*>(created);
        QVERIFY(pane);
        form.resize(458, 377);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(pane->isVisible());
    }

private:
    QPluginLoader m_loader;
    QDesignerCustomWidgetInterface* m_widget = nullptr;
};

QTEST_MAIN(TestDesignerPlugin)
#include "tst_designerplugin.moc"

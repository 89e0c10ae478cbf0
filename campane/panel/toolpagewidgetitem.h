#pragma once

#include "qtcompat.h"

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class QLabel;
class QTimer;
class FeatureValue;
struct FeatureWrite;

namespace GenApi {
struct INode;
}

// One row of the parameter panel: a name label on the left and, on the right,
// an editor bound to one GenICam feature node, or a widget that the panel
// supplies.
//
// The editor follows the node's kind: a spin box for integers, a double spin
// box for floats, a switch for booleans, an "Execute" button for commands and
// a combo box for enumerations. A change made in the editor is written to the
// node at once and read back; a rejected write is logged and a spin box goes
// back to its last accepted value (kept in its "preValue" property). Every
// successful write emits valueChanged(), which the row's group answers by
// refreshing all its rows. A write the device has not confirmed in time (it
// stopped answering; it may still take the write) is logged like a refused
// one; the row then reads its value again until the device answers, and
// emits valueChanged() once it shows what the device holds.
//
// A row set up with `hiddenAuto` hides itself while its node gives no usable
// editor (missing, not a feature, invisible, not readable) and shows itself,
// with a new editor, on the first refresh(false) after the node became usable.
class ToolPageWidgetItem : public QWidget
{
    Q_OBJECT

public:
    explicit ToolPageWidgetItem(QWidget* parent = nullptr);
    ~ToolPageWidgetItem() override;

    // Sets up a row bound to `node` (which may be null). The texts are pairs,
    // English first, Chinese second; the label shows one after
    // setLanguageType().
    void setupNode(const QStringList& titleName, const QStringList& descriptionName, GenApi::INode* node,
                   bool hiddenAuto);
    // Sets up a row around `widget` (a check-list, a button, a switch ...),
    // which the row takes as its child; a null widget gives a label-only row.
    void setupWidget(const QStringList& titleName, const QStringList& descriptionName, QWidget* widget);

    // Brings the editor up to date. realTime false rebuilds or updates the
    // editor from the node and re-checks availability; realTime true reads the
    // value text through the camera service and shows it in a double spin
    // box, a combo box or a pair of radio buttons, leaving an editor that has
    // the keyboard focus alone.
    void refresh(bool realTime);

    // 0 English, 1 Chinese: the label, the "Execute" button and the entries
    // of a combo box follow.
    void setLanguageType(int languageType);
    int languageType() const { return m_languageType; }

    // Whether the owner permits editing. Ignored by a row without widget.
    void setEnable(bool enable);
    bool isEnable() const { return m_enable; }

    // The description in a language; empty when the pair has no such entry.
    QString descriptionName(int index) const;
    QString titleName(int index) const;

    // The camera whose value texts the real-time refresh reads.
    void setCamId(const QString& camId) { m_camId = camId; }
    QString camId() const { return m_camId; }

    // Hiding while the node is unusable. The board also sets it when it shows
    // (false) or hides (true) a row on its own account.
    void setHiddenAuto(bool hiddenAuto) { m_hiddenAuto = hiddenAuto; }
    bool isHiddenAuto() const { return m_hiddenAuto; }

    GenApi::INode* node() const { return m_node; }
    QString nodeName() const { return m_nodeName; }
    QLabel* label() const { return m_label; }
    // The editor, the switch's container or the supplied widget; null when
    // the row has none.
    QWidget* widget() const { return m_widget; }

signals:
    // A value was written; the variant is always invalid.
    void valueChanged(QVariant variant);
    void itemClicked();

private slots:
    void onIntParamChanged();
    void onBoolParamChanged();
    void onCommandParamChanged();
    void onFloatParamChanged();
    void onEnumParamChanged(const QString& value);
    void onSettleTimerTimeout();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QtCompat::EnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* createEditor(GenApi::INode* node, bool& ok);
    QWidget* createNumberEditor(const FeatureValue& feature, bool floating, bool& ok);
    QWidget* createBooleanEditor(const FeatureValue& feature, bool& ok);
    QWidget* createCommandEditor(const FeatureValue& feature, bool& ok);
    QWidget* createEnumerationEditor(const FeatureValue& feature, bool& ok);
    bool reportWrite(const FeatureWrite& write);
    void watchUnconfirmedWrite();
    template <class SpinBox> bool writeSpinBox(SpinBox* spinBox);
    void createLabel();
    void buildNodeLayout();
    void refreshRealTime();
    bool nodeWritable() const;
    QString entryText(const QString& entry) const;

    GenApi::INode* m_node = nullptr;
    QColor m_hoverColor{216, 216, 216, 255};
    QColor m_pressColor{191, 231, 213, 255};
    QColor m_showColor{240, 240, 240, 255};
    QColor m_standColor{240, 240, 240, 255};
    QString m_camId;
    QString m_nodeName;
    QStringList m_titleName;
    QStringList m_descriptionName;
    QLabel* m_label = nullptr;
    QWidget* m_widget = nullptr;
    QTimer* m_settleTimer = nullptr; //!< reads again after a write not confirmed
    QElapsedTimer m_settleSince;
    bool m_paramInit = false;
    bool m_enable = true;
    bool m_hiddenAuto = false;
    int m_languageType = 0;
};

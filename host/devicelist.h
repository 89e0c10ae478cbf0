#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <string>

class QTreeWidget;
class QTreeWidgetItem;

// The window's list of the camera service's devices: cameras and cards in
// two groups, each device with its model, a state light and its state
// ("usable", "refused: ...", "lost", locked or not). It keeps the selection
// across refreshes and remembers each device's usability at the last one.
class DeviceList : public QObject
{
    Q_OBJECT

public:
    struct Selection
    {
        QString id;
        bool isCard = false;
    };

    //! Fills `tree` (the window's); the list is empty until refresh().
    explicit DeviceList(QTreeWidget* tree, QObject* parent = nullptr);

    //! Lists the service's devices again, keeping the selected one selected.
    //! The tree's signals are blocked meanwhile.
    void refresh();
    //! The selected device ("" id when none).
    Selection selected() const;
    //! Selects the device with that id (none when it is not listed).
    void select(const QString& id);
    //! Usability of each device at the last refresh.
    const QHash<QString, bool>& usability() const { return m_usable; }
    //! The group labels with their counts, in the current language.
    void retranslate();
    //! The width the list needs to show its columns whole.
    int contentWidth() const;

    //! Why the device cannot be used although it was found; "" when it
    //! opened (or for an empty id).
    static std::string errorOf(const std::string& id);

private:
    QTreeWidget* m_tree;
    QTreeWidgetItem* m_camerasItem = nullptr;
    QTreeWidgetItem* m_cardsItem = nullptr;
    QHash<QString, bool> m_usable;
};

#include "customlistitem.h"

#include "convertwindow.h"

CustomListItem::CustomListItem(QTreeWidget* list, const QString& label, ConvertWindow* owner)
    : QTreeWidgetItem(list), m_owner(owner) {
    setText(0, label);
    // The box is drawn from the check state; the view itself must not toggle it, because every
    // toggle goes through activate() so that the owner's list of patterns follows the boxes.
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setCheckState(0, Qt::Unchecked);
}

void CustomListItem::activate() {
    if (m_owner) m_owner->changeFileTypeList(this);
    setOn(!isOn());
}

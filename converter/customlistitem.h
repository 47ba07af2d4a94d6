// One entry of the converter's list of input file types: a check box with the type's label.
// A click anywhere on its line, or the space bar, toggles it and tells the owning window.
#pragma once

#include <QTreeWidgetItem>

class ConvertWindow;

class CustomListItem : public QTreeWidgetItem {
public:
    // Appends an unchecked entry with `label` to the end of `list`.
    CustomListItem(QTreeWidget* list, const QString& label, ConvertWindow* owner);

    bool isOn() const { return checkState(0) == Qt::Checked; }
    void setOn(bool on) { setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }

    // The user picked the entry: the owner hears of it first, then the box flips.
    void activate();

private:
    ConvertWindow* m_owner;
};

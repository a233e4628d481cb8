#include "AudioWatchRow.h"

bool AudioWatchRow::operator<(const QTreeWidgetItem& other) const {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    if (column == State) {
        const int mine = data(State, SortRole).toInt();
        const int theirs = other.data(State, SortRole).toInt();
        if (mine != theirs)
            return mine > theirs; // the gravest first
        return text(Element) < other.text(Element);
    }
    if (column == Bar || column == Level)
        return data(Bar, BarRole).toInt() < other.data(Bar, BarRole).toInt();
    return QTreeWidgetItem::operator<(other);
}

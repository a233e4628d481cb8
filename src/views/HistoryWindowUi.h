#pragma once
// The History window's widget tree: the elements with a history, the chosen element's
// versions, the comparison of a version with another one or with nms.ini, and the
// buttons.  The behaviour (frmHistory) fills and reads them.

class QComboBox;
class QDialog;
class QLabel;
class QPushButton;
class QTreeWidget;

struct HistoryWindowUi {
    void build(QDialog* window);

    // Element, MAC, versions, in nms.ini ("yes", or "no" for one kept in the history only).
    QTreeWidget* lstElements = nullptr;
    // Time (UTC), source, operator, changed keys; newest first.
    QTreeWidget* lstVersions = nullptr;
    // "What nms.ini holds now", then every version of the element.
    QComboBox* cmbCompare = nullptr;
    // Key, this version, compared with, and "changed" where the two differ.
    QTreeWidget* lstCompare = nullptr;
    QPushButton* cmdLoadIntoPanel = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblStatus = nullptr; // what the last action did, or why the history cannot be read
};

namespace HistoryColumns {
inline constexpr int ElementName = 0, ElementMac = 1, ElementVersions = 2, ElementInDatabase = 3;
inline constexpr int VersionTime = 0, VersionSource = 1, VersionOperator = 2, VersionChanged = 3;
inline constexpr int CompareKey = 0, CompareThis = 1, CompareOther = 2, CompareMark = 3;
} // namespace HistoryColumns

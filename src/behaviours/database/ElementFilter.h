#pragma once
// The filter above the element tree: while it holds text, the tree shows only the
// elements whose name, MAC text or stored address contains it (in any letter case); Esc
// empties it.  The nodes stay in the tree, hidden, so the frame's caption keeps counting
// the whole list and the fleet check keeps marking every node; a list loaded again is
// filtered at once.

#include <QObject>
#include <QString>

class ElementTree;
class QLineEdit;

class ElementFilter : public QObject {
    Q_OBJECT
public:
    ElementFilter(QLineEdit* txtFilter, ElementTree* TreeView1, QObject* parent = nullptr);

    // Hides every node that does not match the filter's text; returns how many are shown.
    int apply();

    // nodeText: "NAME [MAC]".  An empty filter matches everything.
    static bool matches(const QString& filter, const QString& nodeText, const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtFilter_;
    ElementTree* tree_;
};

#pragma once
// The discovery window: while it is open the element database is rebuilt from the
// answers to one discovery request.  On load it empties the lists and nms.ini, saves the
// endpoint's destination, broadcasts the request and raises AutoDiscoverAwaiting; after
// 3000 ms (Timer1) it restores the destination, lowers the flag, puts the stored answers
// on the disk, reloads the element list and closes.  The reload waits for the answers
// that arrived in time but are still waiting for their MAC addresses (at most one tick of
// the wait window), so none of them is missing from the list.  A failed write is told
// once for the whole discovery.

#include "core/database/WriteFailureReport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

class ManagementEndpoint;
class MessageBoxes;
class QLabel;
struct MainWindowUi;

class frmPaging : public QDialog {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        ManagementEndpoint* endpoint = nullptr;
        MessageBoxes* messages = nullptr;
        QString iniPath;
        bool* AutoDiscoverAwaiting = nullptr;
        std::function<void()> Load_Config;
        // Binds the endpoint again when it is closed (see load()).
        std::function<bool()> bindEndpoint;
        // The discovery's failed writes, told once: emptying nms.ini, storing the answers
        // (the feedback processing shares it), the flush at the end.  nullptr: the
        // window's own.
        WriteFailureReport* discoveryWrites = nullptr;
        // Discovery answers still waiting for their MAC addresses.
        std::function<int()> lookupsPending;
        // The configuration history: before nms.ini is emptied, and once the list is
        // reloaded at the end.
        std::function<void()> discoveryStarting;
        std::function<void()> discoveryEnded;
    };

    static inline const QByteArray Request = QByteArrayLiteral("IPMPXSTL VELTRANA PAGING REQUEST");
    // How long the end waits at most for answers still being looked up: one tick, and
    // a little for the last reads.
    static constexpr int kLookupWaitMs = 1200;

    explicit frmPaging(Context context, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QTimer Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override; // the wait cannot be cut short

private:
    void load();
    void timerTick();
    WriteFailureReport& writes();
    void finishWhenLookedUp();

    Context ctx_;
    WriteFailureReport ownWrites_;
    bool loaded_ = false;
    QString savedHost_;
    quint16 savedPort_ = 0;
    QTimer lookupWait_;
    QElapsedTimer sinceTick_;
};

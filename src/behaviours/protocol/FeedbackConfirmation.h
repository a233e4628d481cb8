#pragma once
// The confirmation of a sent configuration: the answering element's record (with the
// MAC found for it) is compared field by field with the properties panel; what agrees
// is stored in the element's section, each disagreement is reported, the values the
// panel does not edit are stored as the element reports them (brought into the panel's
// ranges), and the operator is told when the whole configuration was confirmed, or that
// it could not be stored (instead of the success).  Everything the record stores goes to
// the file in one change at its end, so the section is either as it was or holds the
// whole confirmation.

#include "core/database/IniWriteResult.h"

#include <QList>
#include <QPair>
#include "core/history/VersionHook.h"

#include <QString>

class PanelUpdates;
class MessageBoxes;
struct FeedbackRecord;
struct MainWindowUi;

class FeedbackConfirmation {
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        PanelUpdates* panel = nullptr; // the role caption and the scroll bars
        MessageBoxes* messages = nullptr;
        QString iniPath;
        VersionHook recordVersion; // the configuration history
    };

    explicit FeedbackConfirmation(Context context);

    void confirm(const FeedbackRecord& record);

    static QString savingFailureText(const QString& subject);

private:
    // Takes a key for the store at the end of the record, in the order of the writes.
    void write(const QString& key, const QString& value);
    // Stores every key taken for this record in the element's section, as one change.
    IniWriteResult storeConfirmed();

    Context ctx_;
    QString section_;
    QList<QPair<QString, QString>> confirmed_; // the keys of this record, in order
};

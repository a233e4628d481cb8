#pragma once
// The confirmation of a sent configuration: the answering element's record (with the
// MAC found for it) is compared field by field with the properties panel; what agrees
// is stored in the element's section, each disagreement is reported, the values the
// panel does not edit are stored as the element reports them (brought into the panel's
// ranges), and the operator is told when the whole configuration was confirmed, or that
// it could not be stored (instead of the success).

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
    void write(const QString& key, const QString& value);

    Context ctx_;
    QString section_;
    QString writeFailure_; // the first failed write of this record, told at its end
};

#include "WriteFailureReport.h"

#include "core/common/MessageBoxes.h"

bool WriteFailureReport::check(const IniWriteResult& result, const QString& firstLine) {
    if (result)
        return true;
    if (!told_ && messages_ != nullptr) {
        told_ = true;
        messages_->error(firstLine + u'\r' + result.error);
    }
    return false;
}

#include "OneBoxAtATime.h"

MsgAnswer OneBoxAtATime::show(const MessageRequest& request) {
    if (open_ > 0 && request.icon == MsgIcon::Critical)
        return MsgAnswer::Ok;
    ++open_;
    const MsgAnswer answer = boxes_->show(request);
    --open_;
    if (open_ == 0 && afterEachBox)
        afterEachBox();
    return answer;
}

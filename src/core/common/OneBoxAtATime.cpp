#include "OneBoxAtATime.h"

MsgAnswer OneBoxAtATime::show(const MessageRequest& request) {
    const bool error = request.icon == MsgIcon::Critical;
    if (open_ > 0 && error)
        return MsgAnswer::Ok;
    ++open_;
    errors_ += error ? 1 : 0;
    const MsgAnswer answer = boxes_->show(request);
    --open_;
    errors_ -= error ? 1 : 0;
    if (error && errors_ == 0 && afterEachBox)
        afterEachBox();
    return answer;
}

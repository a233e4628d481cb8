#pragma once
// The message boxes of one window, shown one at a time.  A real box keeps the event loop
// running while the operator reads it, so timers and replies go on behind it; an error
// asked for while one of the window's boxes is open is dropped rather than stacked on it.
// Questions and notices, which the operator's own clicks ask for, are always shown.
// afterEachBox runs when an error box closes: a window drops there what queued up behind
// it (behind a question, such as the Clear question, replies are taken as usual).

#include "MessageBoxes.h"

#include <functional>

class OneBoxAtATime final : public MessageBoxes {
public:
    explicit OneBoxAtATime(MessageBoxes* boxes) : boxes_(boxes) {}

    MsgAnswer show(const MessageRequest& request) override;
    bool errorIsOpen() const { return errors_ > 0; }

    std::function<void()> afterEachBox;

private:
    MessageBoxes* boxes_;
    int open_ = 0;
    int errors_ = 0;
};

#include "AnswerBurst.h"

#include <QTextStream>
#include <QTimer>

AnswerBurst::AnswerBurst(int gatherMs, QObject* parent) : QObject(parent), gatherMs_(gatherMs) {}

void AnswerBurst::hold(std::function<void()> send) {
    if (held_.empty())
        QTimer::singleShot(gatherMs_, this, &AnswerBurst::flush);
    held_.push_back(std::move(send));
}

void AnswerBurst::flush() {
    std::vector<std::function<void()>> sends;
    sends.swap(held_);
    QElapsedTimer clock;
    clock.start();
    for (auto& send : sends)
        send();
    if (log_ != nullptr)
        *log_ << "BURST " << sends.size() << " answers in " << clock.nsecsElapsed() / 1000 << " us"
              << Qt::endl;
}

#pragma once
// Holds the discovery answers of many elements of one process and sends them all in one
// go, so a benchmark sees every element answer within the same instant.

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

class QTextStream;

class AnswerBurst : public QObject {
    Q_OBJECT
public:
    // Answers are sent gatherMs after the first one is held.
    explicit AnswerBurst(int gatherMs, QObject* parent = nullptr);
    void hold(std::function<void()> send);
    void setLog(QTextStream* log) { log_ = log; }

private:
    void flush();
    int gatherMs_;
    std::vector<std::function<void()>> held_;
    QTextStream* log_ = nullptr;
};

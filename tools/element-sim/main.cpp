// element-sim: one or many simulated Network Elements, headless.  See --help.

#include "AnswerBurst.h"
#include "DiagnosticsResponder.h"
#include "SimElement.h"
#include "SimOptions.h"

#include "core/shell/Edition.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    SimRunOptions run;
    QString error;
    if (!SimOptions::parse(app.arguments().mid(1), &run, &error)) {
        err << "element-sim: " << error << "\n\n" << SimOptions::usage();
        return 2;
    }
    if (run.help) {
        QTextStream(stdout) << SimOptions::usage();
        return 0;
    }
    if (run.version) {
        QTextStream(stdout) << "element-sim " << programVersion() << "\n";
        return 0;
    }
    if (run.flooding) {
        run.flood.record = run.elements.isEmpty() ? QByteArray() : run.elements.first().identity.feedbackRecord();
        QElapsedTimer clock;
        clock.start();
        const qint64 sent = run.flood.send(&error);
        if (sent < 0) {
            err << "element-sim: " << error << "\n";
            return 1;
        }
        QTextStream(stdout) << "flood: " << sent << " datagrams in " << clock.elapsed() << " ms\n";
        return 0;
    }
    // Every element holds four sockets: a large lab needs more than the usual 1024.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        (void)::setrlimit(RLIMIT_NOFILE, &files);
    }
    // The lab stops its elements with SIGTERM; every log line is already flushed, so
    // ending at once is clean (and safe inside a signal handler).
    std::signal(SIGTERM, [](int) { std::_Exit(0); });
    std::signal(SIGINT, [](int) { std::_Exit(0); });

    std::unique_ptr<QFile> logFile;
    std::unique_ptr<QTextStream> log;
    if (run.logPath == QLatin1String("-")) {
        log = std::make_unique<QTextStream>(stdout);
    } else if (!run.logPath.isEmpty()) {
        logFile = std::make_unique<QFile>(run.logPath);
        if (!logFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            err << "element-sim: cannot write " << run.logPath << "\n";
            return 2;
        }
        log = std::make_unique<QTextStream>(logFile.get());
    }

    std::unique_ptr<AnswerBurst> burst;
    if (run.gatherMs >= 0) {
        burst = std::make_unique<AnswerBurst>(run.gatherMs);
        burst->setLog(log.get());
    }
    std::vector<std::unique_ptr<SimElement>> elements;
    std::vector<std::unique_ptr<DiagnosticsResponder>> diagnostics;
    for (const SimElementConfig& c : run.elements) {
        auto e = std::make_unique<SimElement>(c);
        e->setLog(log.get());
        e->setBurst(burst.get());
        const bool started = run.announceHost.isEmpty() ? e->start() : e->startSenderOnly();
        if (!started) {
            err << "element-sim: element " << c.identity.ip << ": " << e->errorString() << "\n";
            return 1;
        }
        if (run.announceHost.isEmpty()) {
            // Port 2978 and the level reports.
            QString diagnosticsError;
            auto d = DiagnosticsResponder::attach(*e, log.get(), &diagnosticsError);
            if (!d) {
                err << "element-sim: element " << c.identity.ip << ": port 2978: " << diagnosticsError << "\n";
                return 1;
            }
            diagnostics.push_back(std::move(d));
        }
        elements.push_back(std::move(e));
    }

    if (!run.announceHost.isEmpty()) {
        for (auto& e : elements)
            e->announceTo(QHostAddress(run.announceHost), 2976);
        return 0;
    }
    if (!run.readyPath.isEmpty()) {
        QFile ready(run.readyPath);
        if (!ready.open(QIODevice::WriteOnly)) {
            err << "element-sim: cannot create " << run.readyPath << "\n";
            return 1;
        }
        ready.write(QByteArray::number(qint64(elements.size())) + '\n');
    }
    return app.exec();
}

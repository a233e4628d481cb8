// tessovar-exporter: the state of the Tessovar elements of an element database, served to
// Prometheus.  See --help and the README.

#include "AudioExport.h"
#include "ExporterCycle.h"
#include "ExporterOptions.h"
#include "FleetCollectable.h"
#include "FleetFile.h"
#include "MetricsServer.h"
#include "MetricsStore.h"
#include "WebConfig.h"

#include "core/shell/TerminationSignals.h"

#include <QCoreApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessovar-exporter"));
    QTextStream err(stderr);
    ExporterOptions options;
    QString error;
    if (!ExporterOptions::parse(app.arguments().mid(1), &options, &error)) {
        err << "tessovar-exporter: " << error << "\n\n" << ExporterOptions::usage();
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << ExporterOptions::usage();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << "tessovar-exporter " << TESSOVAR_VERSION << "\n";
        return 0;
    }

    WebConfig web;
    if (!options.webConfig.isEmpty() && !WebConfig::load(options.webConfig, &web, &error)) {
        err << "tessovar-exporter: " << error << Qt::endl;
        return 2;
    }

    auto store = std::make_shared<MetricsStore>();
    ExporterCycle cycle(*store, options.intervalS, options.rate);
    // The audio watch, with --audio: its port is taken before anything else starts, so a
    // refusal comes at once.
    auto audioStore = std::make_shared<AudioStore>();
    std::unique_ptr<AudioExport> audio;
    if (options.audio) {
        AudioLimits limits;
        limits.thresholdDbfs = options.audioThresholdDbfs;
        limits.holdMs = options.audioHoldS * 1000;
        limits.intervalMs = options.audioIntervalMs;
        audio = std::make_unique<AudioExport>(audioStore, limits);
        if (!audio->start(&error)) {
            err << "tessovar-exporter: " << error << Qt::endl;
            return 1;
        }
    }
    FleetFile file(options.database);
    bool toldLimit = false;
    QObject::connect(&file, &FleetFile::changed, &cycle, [&] {
        cycle.setElements(file.elements());
        cycle.setDatabaseState(file.withoutAddress(), file.truncated());
        if (audio)
            audio->setElements(file.elements());
        err << "tessovar-exporter: " << file.elements().size() << " elements in "
            << options.database << Qt::endl;
        if (file.withoutAddress() > 0)
            err << "tessovar-exporter: " << file.withoutAddress()
                << " elements without a usable address are not checked" << Qt::endl;
        if (file.truncated() && !toldLimit) {
            err << "tessovar-exporter: " << options.database << " holds more than "
                << FleetFile::kMaxElements << " elements: only the first "
                << FleetFile::kMaxElements << " are checked" << Qt::endl;
            toldLimit = true;
        }
    });
    QObject::connect(&file, &FleetFile::failed, &cycle, [&](const QString& reason) {
        cycle.countError("database");
        err << "tessovar-exporter: " << reason << " (the last list read is kept)" << Qt::endl;
    });
    file.reload();

    MetricsServer server(TESSOVAR_VERSION, web);
    server.add(std::make_shared<FleetCollectable>(store, TESSOVAR_VERSION));
    if (audio)
        server.add(std::make_shared<AudioCollectable>(audioStore));
    if (!server.start(options.listen.toStdString(), &error)) {
        err << "tessovar-exporter: cannot listen on " << options.listen << ": " << error
            << Qt::endl;
        return 1;
    }

    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::arrived, &app, &QCoreApplication::quit);
    err << "tessovar-exporter: serving "
        << QString::fromStdString(server.url(options.listen.toStdString()))
        << (web.basicAuth() ? " (basic authentication)" : "") << Qt::endl;
    cycle.start();
    const int status = QCoreApplication::exec();
    server.stop(); // no scrape may outlive the store
    return status;
}

// tessovar-exporter: the state of the Tessovar elements of an element database, served to
// Prometheus.  See --help and the README.

#include "ExporterCycle.h"
#include "ExporterOptions.h"
#include "FleetCollectable.h"
#include "FleetFile.h"
#include "MetricsStore.h"

#include "core/shell/TerminationSignals.h"

#include <QCoreApplication>
#include <QTextStream>

#include <prometheus/exposer.h>

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

    auto store = std::make_shared<MetricsStore>();
    ExporterCycle cycle(*store, options.intervalS, options.rate);
    FleetFile file(options.database);
    QObject::connect(&file, &FleetFile::changed, &cycle, [&] {
        cycle.setElements(file.elements());
        err << "tessovar-exporter: " << file.elements().size() << " elements in "
            << options.database << Qt::endl;
    });
    QObject::connect(&file, &FleetFile::failed, &cycle, [&](const QString& reason) {
        cycle.countError("database");
        err << "tessovar-exporter: " << reason << " (the last list read is kept)" << Qt::endl;
    });
    file.reload();

    // The HTTP endpoint and the exposition format are prometheus-cpp's (civetweb inside).
    std::unique_ptr<prometheus::Exposer> exposer;
    try {
        exposer = std::make_unique<prometheus::Exposer>(
            std::vector<std::string>{"listening_ports", options.listen.toStdString(), "num_threads",
                                     "2", "request_timeout_ms", "10000"});
    } catch (const std::exception& e) {
        err << "tessovar-exporter: cannot listen on " << options.listen << ": " << e.what()
            << Qt::endl;
        return 1;
    }
    auto collectable = std::make_shared<FleetCollectable>(store);
    exposer->RegisterCollectable(collectable);

    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::arrived, &app, &QCoreApplication::quit);
    err << "tessovar-exporter: serving http://" << options.listen << "/metrics" << Qt::endl;
    cycle.start();
    const int status = QCoreApplication::exec();
    exposer.reset(); // no scrape may outlive the store
    return status;
}

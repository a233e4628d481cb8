#pragma once
// tessovar-exporter's command line.

#include <QString>
#include <QStringList>

struct ExporterOptions {
    QString database;                                  // --database PATH (required)
    QString listen = QStringLiteral("127.0.0.1:9711"); // --listen ADDR:PORT
    QString webConfig;  // --web.config.file FILE: TLS and basic authentication
    int intervalS = 15; // --interval SECONDS: one check of every element
    int rate = 20;      // --rate N: requests a second, at most
    bool audio = false;    // --audio: the encoders' audio levels and silences too
    double audioThresholdDbfs = -50; // --audio-threshold DBFS: silent below it
    int audioHoldS = 15;             // --audio-hold SECONDS: silent for that long
    int audioIntervalMs = 1000;      // --audio-interval MS: one level request each
    bool help = false;
    bool version = false;

    // Reads the arguments (without the program name); false with *error set.
    static bool parse(const QStringList& args, ExporterOptions* out, QString* error);
    static QString usage();
};

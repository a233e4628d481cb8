#pragma once
// The diagnostics side of a simulated element: the audio level report it sends for "VOL"
// (a test tone of a chosen level), and its answers on UDP port 2978: the diagnostics
// record for "GetStats" and "GetDel" from counters that grow as time passes and start
// again from zero on "RstStats", and the set-delay command, whose additional delay and
// auto servo state the next records carry.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

class QTextStream;
class QUdpSocket;
class SimElement;

class DiagnosticsResponder : public QObject {
    Q_OBJECT
public:
    struct Config {
        double toneDbfs = -6.0; // peak level of the test tone; below -200: silence
        bool decoder = true;    // the PTP figures of a decoder
    };
    // Read at each report: "off" or a level; while it holds neither, the configured tone.
    void setToneFile(const QString& path) { toneFile_ = path; }

    // The tone as of now: the tone file's level when it holds one, else the configured.
    double toneDbfs() const;

    explicit DiagnosticsResponder(Config config, QObject* parent = nullptr);

    // Binds port 2978 beside the element's other ports (same namespace, same address),
    // serves it, and answers the element's "VOL" requests on port 2977.  nullptr with the
    // reason in *error.
    static std::unique_ptr<DiagnosticsResponder> attach(SimElement& element, QTextStream* log, QString* error);

    // Answers the requests arriving on `port` (bound to 2978 by the element).
    void serve(QUdpSocket* port);

    // The level report answering "VOL": 401 samples (1203 bytes) of a 1 kHz tone sampled at
    // 48 kHz, one sample at the tone's peak.
    QByteArray levelReport() const;
    static QByteArray levelReport(double toneDbfs);
    // The 61-byte diagnostics record as of now.
    QByteArray record() const;
    // A request as it arrives on port 2978; returns the answer (empty: none).
    QByteArray answer(const QByteArray& request);

    qint32 additionalDelayNs() const { return additionalDelayNs_; }
    bool autoServo() const { return autoServo_; }
    int resets() const { return resets_; }

    void setLog(QTextStream* log) { log_ = log; }
    void setLabel(const QString& label) { label_ = label; }

    // The figures of the simulated element (per second, in ns).
    static constexpr int kEthernetFramesPerSecond = 410;
    static constexpr int kAudioFramesPerSecond = 400;
    static constexpr int kPtpSyncPerSecond = 8;
    static constexpr qint32 kPropagationAverageNs = 1200;
    static constexpr qint32 kPropagationMinimumNs = 1100;
    static constexpr qint32 kPropagationMaximumNs = 1350;
    static constexpr qint32 kServoCorrectionNs = -120;

private:
    void read();
    void log(const QString& line);

    Config config_;
    QUdpSocket* port_ = nullptr;
    QElapsedTimer sinceReset_;
    qint32 additionalDelayNs_ = 0;
    bool autoServo_ = false;
    int resets_ = 0;
    QTextStream* log_ = nullptr;
    QString label_;
    QString toneFile_;
};

#pragma once
// The audio watch of tessovar-exporter (--audio): every encoder of the database is asked
// for its level ("VOL" to its port 2977) by the same watch the NMS's "Audio watch" dock
// uses (AudioWatch), from UDP port 2976, where the level reports come back.  The port is
// taken without sharing: a Tessovar NMS on the same host holds it, and then --audio is
// refused at start rather than splitting the reports between the two programs.
//
// What a scrape reads is a snapshot, replaced whole under a lock a few times a second.

#include "MetricsStore.h"

#include "core/audio/AudioWatch.h"

#include <prometheus/collectable.h>

#include <QTimer>
#include <QUdpSocket>

#include <memory>
#include <mutex>

struct AudioSample {
    std::string mac;
    bool reported = false; // a level report came since watching began
    double levelDbfs = 0;  // the last report's peak; minus infinity: no signal
    bool silent = false;
};

class AudioStore {
public:
    void publish(std::vector<AudioSample> samples) {
        const std::lock_guard lock(mutex_);
        samples_ = std::move(samples);
    }
    std::vector<AudioSample> snapshot() const {
        const std::lock_guard lock(mutex_);
        return samples_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<AudioSample> samples_;
};

class AudioExport : public QObject {
    Q_OBJECT
public:
    static constexpr int kPublishMs = 250;

    AudioExport(std::shared_ptr<AudioStore> store, const AudioLimits& limits,
                QObject* parent = nullptr);

    // Takes UDP port 2976; false with *error set (held by another program, for example).
    bool start(QString* error);
    // The encoders of the database; every one of them is watched.
    void setElements(const std::vector<ExportedElement>& elements);

    const AudioWatch& watch() const { return watch_; }

private:
    void readReports();
    void publish();

    std::shared_ptr<AudioStore> store_;
    QUdpSocket socket_;
    AudioWatch watch_;
    QTimer publish_;
};

// tessovar_element_audio_level_dbfs and tessovar_element_audio_silent, by mac.
class AudioCollectable final : public prometheus::Collectable {
public:
    explicit AudioCollectable(std::shared_ptr<const AudioStore> store) : store_(std::move(store)) {}
    std::vector<prometheus::MetricFamily> Collect() const override;

private:
    std::shared_ptr<const AudioStore> store_;
};

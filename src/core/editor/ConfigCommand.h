#pragma once
// The configuration command the NMS sends to an element's port 2976: 37 bytes for an
// encoder (38 from firmware 3.49 on), 41 bytes for a decoder.  Built from the values of
// the properties panel; only the firmware version comes from the database.

#include <QByteArray>
#include <QString>

struct ConfigCommandInput {
    QString roleCaption;     // lblElementType: "DECODER" gives the decoder layout
    QString firmwareVersion; // key "ver" of the element's record ("2.0" when absent)
    QString elementIP;       // the new address, bytes 0 to 3
    QString elementMask;
    QString elementGW;
    QString remoteIP;
    int audioInput = 0;
    int audioType = 0;
    int audioTX = 0;
    bool sfnEnabled = false;
    QString elementName;
    bool lowLatency = false;
    // Decoder layout only.
    int buffer = 0;
    int silDetMode = 0;
    int silDetLevel = 0;
    int silDetTime = 0;
};

namespace ConfigCommand {

// Whether a firmware version text reads as a decimal number of 3.49 or more ("." is the
// decimal point whatever the locale; 3.5 is more, 3.10 is less).  A text that is not a
// decimal number counts as older firmware, like a record without a version.
bool addsEncoderFlag(const QString& firmwareVersion);

QByteArray build(const ConfigCommandInput& input);

} // namespace ConfigCommand

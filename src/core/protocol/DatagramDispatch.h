#pragma once
// Which handler a datagram arriving on the management endpoint goes to, by its length.

#include <QtGlobal>

enum class DatagramKind { LevelReport, FeedbackRecord, Dropped };

constexpr DatagramKind classifyDatagram(qsizetype length) {
    if (length > 1200)
        return DatagramKind::LevelReport;
    if (length < 55)
        return length == 3 ? DatagramKind::Dropped : DatagramKind::FeedbackRecord;
    return DatagramKind::Dropped;
}

namespace Ports {
inline constexpr quint16 NmsManagement = 2976;   // local port of the management endpoint
inline constexpr quint16 ElementConfig = 2976;   // configuration command
inline constexpr quint16 ElementShort = 2977;    // attenuation command, audio level request
inline constexpr quint16 Discovery = 1901;       // discovery broadcast
inline constexpr quint16 Diagnostics = 2978;     // statistics and delay protocol, both ends
} // namespace Ports

inline constexpr const char* kDiscoveryAddress = "255.255.255.255";

#pragma once
// The live attenuation command a decoder receives while its attenuation bar is moved:
// two bytes, the bar's value (14 mute .. 255 for 0 dB, 0.5 dB a step) and a 0 byte, to
// the element's port 2977 through the common sender (error 103).

#include "DatagramDispatch.h"

#include <QByteArray>

namespace AttenuationCommand {

inline constexpr quint16 RemotePort = Ports::ElementShort;
inline constexpr int ErrorCode = 103;

inline QByteArray encode(quint8 value) {
    QByteArray out(2, '\0');
    out[0] = char(value);
    return out;
}

} // namespace AttenuationCommand

#pragma once
// The statistics and delay protocol on UDP port 2978: the requests the NMS sends and the
// diagnostics record an element answers with (up to 61 bytes of big-endian signed 32-bit
// fields and one flag byte).

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace DiagnosticsRecord {

inline constexpr int kFullLength = 61;

// Field offsets of the record.
namespace Offset {
inline constexpr int TxFramesOk = 0;
inline constexpr int RxFramesOk = 4;
inline constexpr int TxFramesErr = 8;
inline constexpr int RxFramesErr = 12;
inline constexpr int PtpSyncOk = 16;
inline constexpr int PtpSyncErr = 20;
inline constexpr int ClockDifference = 24;
inline constexpr int MeasuredDelay = 28;
inline constexpr int AudioFramesOk = 32;
inline constexpr int AudioFramesErr = 36;
inline constexpr int PropagationAverage = 40;
inline constexpr int PropagationMinimum = 44;
inline constexpr int PropagationMaximum = 48;
inline constexpr int AdditionalLatency = 52;
inline constexpr int AutoServoCorrection = 56;
inline constexpr int AutoServoState = 60;
} // namespace Offset

// A 4-byte field as the windows take it: 0 when the record does not hold all four bytes;
// otherwise the big-endian value handed on through single precision and back, so a
// magnitude above 16,777,216 comes out rounded to the nearest single-precision value
// (ties to even).  Empty when that rounding leaves the signed 32-bit range (values from
// 2,147,483,584 up round to 2^31): the record cannot be shown.
std::optional<qint32> field(const QByteArray& record, int offset);

// The raw big-endian value (no single-precision pass); 0 when incomplete.
qint32 rawField(const QByteArray& record, int offset);

// The byte at an offset, 0 when the record is shorter.
quint8 byteAt(const QByteArray& record, int offset);

// A sum that must stay inside the signed 32-bit range; empty when it leaves it.
std::optional<qint32> checkedSum(qint64 a, qint64 b);

} // namespace DiagnosticsRecord

namespace DiagnosticsRequest {
inline const QByteArray GetStats = QByteArrayLiteral("GetStats");
inline const QByteArray RstStats = QByteArrayLiteral("RstStats");
inline const QByteArray GetDel = QByteArrayLiteral("GetDel");

// Additional delay in slider units of 100 ns.
inline constexpr int kDelayUnitNs = 100;
inline constexpr int kDelayMaximumUnits = 25000;

// The set-delay command: 'S', the additional delay in ns (slider value x 100) as a signed
// 32-bit big-endian number, then 1 for auto servo on or 0 for off.
QByteArray setDelayCommand(int sliderValue, bool autoServo);
} // namespace DiagnosticsRequest

#pragma once
// The element record: the keys of one element's section in nms.ini, the defaults their
// readers use, and how a reader turns a stored text into the number a control needs.
//
// A record normally holds what the feedback processing wrote.  A hand-edited or damaged
// record must never crash or wedge the window, so every conversion here is total:
// - a number is an optional sign and decimal digits (blanks around it are dropped by the
//   reader); anything else is "not a number";
// - a list position that is not a number or is past the list gives the reader's default
//   when the key has a numeric one ("sdm", "bound": 0), and no selection (-1) for the
//   keys whose default is empty ("input", "type", "tx"), so Send configuration asks the
//   operator to choose;
// - a scroll bar value that is not a number gives the key's default; a number outside
//   the bar's range is brought to the nearest end;
// - a check box is ticked only by "1";
// - a "role" that is absent or not a number is no role: the element is listed as an
//   other element and shown as "UNKNOWN".

#include <QString>

#include <optional>

namespace ElementKeys {
inline const QString Name = QStringLiteral("name");
inline const QString Ip = QStringLiteral("ip");
inline const QString Mask = QStringLiteral("mask");
inline const QString Gw = QStringLiteral("gw");
inline const QString Input = QStringLiteral("input");
inline const QString Type = QStringLiteral("type");
inline const QString Tx = QStringLiteral("tx");
inline const QString Multi = QStringLiteral("multi");
inline const QString Remote = QStringLiteral("remote");
inline const QString Role = QStringLiteral("role");
inline const QString Sn = QStringLiteral("sn");
inline const QString Ver = QStringLiteral("ver");
inline const QString Sfn = QStringLiteral("sfn");
inline const QString Buf = QStringLiteral("buf");
inline const QString Att = QStringLiteral("att");
inline const QString Sdm = QStringLiteral("sdm");
inline const QString Sdl = QStringLiteral("sdl");
inline const QString Sdt = QStringLiteral("sdt");
inline const QString Llo = QStringLiteral("llo");
inline const QString Srv = QStringLiteral("srv");
inline const QString Dly = QStringLiteral("dly");
inline const QString Bound = QStringLiteral("bound");
} // namespace ElementKeys

// Defaults of the element display's reads.
namespace ElementDefaults {
inline const QString Multi = QStringLiteral("239.255.255.239");
inline const QString Remote = QStringLiteral("192.168.1.91");
inline const QString Ver = QStringLiteral("2.00");
inline const QString Bound = QStringLiteral("0");
inline const QString Att = QStringLiteral("0");
inline const QString Buf = QStringLiteral("1");
inline const QString Sdl = QStringLiteral("37");
inline const QString Sdt = QStringLiteral("43");
inline const QString Sdm = QStringLiteral("0");
inline const QString Sfn = QStringLiteral("0");
inline const QString Llo = QStringLiteral("0");
} // namespace ElementDefaults

namespace ElementRecord {

inline constexpr int RoleEncoder = 1;
inline constexpr int RoleDecoder = 2;
// A section with more keys than this is refused by the element display; the largest
// section the program writes holds 20.
inline constexpr int MaxKeysShown = 21;

// An optional sign and decimal digits, blanks around allowed; nullopt otherwise (also
// beyond 32 bits).
std::optional<qint32> number(const QString& text);

// The role as a number, nullopt when absent or not a number.
std::optional<qint32> role(const QString& text);
inline bool isEncoder(const QString& roleText) {
    return role(roleText) == RoleEncoder;
}

// The list position for a list of `count` entries (see above).
int listIndex(const QString& text, int count, int fallback);

// A scroll bar value within [minimum, maximum] (see above).
int barValue(const QString& text, int minimum, int maximum, const QString& fallbackText);

// "1" ticks a check box; anything else leaves it unticked.
bool isTicked(const QString& text);

} // namespace ElementRecord

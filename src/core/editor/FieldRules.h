#pragma once
// The address rule and the name form shared by the whole program: IsValidIP (four
// dot-separated whole numbers 0 to 255), SplitIP, and PadName16 (the 16-character upper
// case name carried on the wire and kept in the database).

#include <QString>
#include <QStringList>

#include <optional>

namespace FieldRules {

// The text split at every ".", empty parts kept ("1..2" gives "1", "", "2").
QStringList SplitIP(const QString& text);

// One part of an address as a number 0 to 255: decimal digits with optional surrounding
// blanks.  Signs, other notations and an empty part do not convert.  -1 when it does not.
int addressPart(const QString& part);

// Exactly four parts, each converting to 0..255.
bool IsValidIP(const QString& text);

// The one reading of a dotted address, used wherever an address text becomes a
// destination (sends, ping, ARP): an address IsValidIP takes, each part decimal whatever
// its leading zeros ("192.168.001.010" is 192.168.1.10, never the octal 192.168.1.8), in
// host byte order.  nullopt for a text IsValidIP refuses.
std::optional<quint32> ipv4Address(const QString& text);

// Upper case within the 8-bit code page (Latin-1): letters whose capital is not a single
// Latin-1 character (the sharp s, y with diaeresis) stay as they are, so the length and
// the code page never change.
QString upperLatin1(const QString& text);

// Padded with blanks or cut to 16 characters, then upper-cased.
QString PadName16(const QString& text);

// The name field takes only characters the 8-bit code page can carry, and no control
// characters.
bool isNameCharacter(QChar c);

} // namespace FieldRules

#pragma once
// The address rule and the 16-character name form as the configuration command and the
// feedback record use them on the wire.
// NOTE for the merge: these are the same rules as IsValidIP / SplitIP / PadName16 of the
// field rules; once those are on this branch, callers switch to them and this file goes.

#include <QString>
#include <QStringList>

namespace WireText {

// The text split at every ".", empty parts kept.
QStringList splitAddress(const QString& text);

// Exactly four dot-separated whole numbers 0 to 255 (blanks around a number allowed).
bool isValidAddress(const QString& text);

// Padded with blanks or cut to 16 characters, then upper case.  Upper-casing stays
// inside Latin-1: a letter whose capital is not a single Latin-1 character (sharp s,
// y with diaeresis) is kept as it is, so the name stays 16 one-byte characters.
QString padName16(const QString& text);

} // namespace WireText

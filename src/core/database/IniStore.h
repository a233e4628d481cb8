#pragma once
// The element database file: an 8-bit (Latin-1) INI file read and written by path on
// every call, so that the file itself is the state shared between windows and programs.
//
// Reading follows the classic profile-file behaviour: section names and keys match
// without regard to letter case, blanks around keys and values are dropped, a value in a
// pair of double or single quotes is read without them, and both CR LF and LF-only files
// read the same.  Writing replaces a key in place, appends a new key at the end of its
// section and a new section at the end of the file, writes keys in upper case and ends
// new lines with CR LF.  A write goes to a new file in the same folder which then
// replaces the old one, so an interrupted write never leaves a half-written database.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace IniStore {

// Longest value a read returns; a longer stored value is cut to this many characters.
inline constexpr int kMaxValueLength = 749;

QString ReadFromINI(const QString& strSection, const QString& strkey, const QString& strfullpath,
                    const QString& strDefault);

// Returns whether the file now holds the value (callers of the system ignore it; the
// start-up check and tests use it).
bool WriteToINI(const QString& strSection, const QString& strkey, const QString& strkeyvalue,
                const QString& strfullpath);

// Several WriteToINI calls on one section, in the given order, read and written as one
// file change: the file ends up byte for byte as the single writes would leave it.  Used
// where many answers must be stored quickly (a discovery).
bool WriteSectionEntries(const QString& strSection, const QList<QPair<QString, QString>>& entries,
                         const QString& strfullpath);
// WriteSectionEntries for several sections, in the given order, as one file change (the
// answers of a discovery that got their MACs in the same instant).
bool WriteSections(const QList<QPair<QString, QList<QPair<QString, QString>>>>& sections,
                   const QString& strfullpath);

bool DeleteIniSection(const QString& strSection, const QString& strfullpath);
bool DeleteIniKey(const QString& strSection, const QString& strKeyname, const QString& strfullpath);
bool CheckIfIniKeyExists(const QString& strSection, const QString& strKeyname,
                         const QString& strfullpath);
bool CheckIfIniSectionExists(const QString& strSection, const QString& strfullpath);
qint32 GetLongFromINI(const QString& strSection, const QString& strKeyname,
                      const QString& strfullpath, qint32 lngDefault);
void RenameIniKey(const QString& strSection, const QString& strKeyname,
                  const QString& strNewKeyname, const QString& strfullpath);
void RenameIniSection(const QString& strSection, const QString& strNewSection,
                      const QString& strfullpath);

// Every section name of the file, in file order (no size limit).
QStringList LoadIniSectionsArray(const QString& strfullpath);
// The key (text before the first "=") of every entry of a section, in file order.
QStringList LoadIniSectionKeys(const QString& strSection, const QString& strfullpath);
// Number of entries in the section, 0 when absent.  Saturates at the 16-bit maximum.
qint16 GetSectionKeyCount(const QString& strSection, const QString& strfullpath);

// Creates the file empty (zero bytes), replacing any previous content.
bool CreateEmpty(const QString& strfullpath);

// Leading decimal digits of a text as a number (an optional sign, then digits), as the
// profile functions take an integer; 0 when the text has none.  Saturates at 32 bits.
qint32 LeadingInteger(const QString& text);

} // namespace IniStore

#pragma once
// The element database file: an 8-bit (Latin-1) INI file read and written by path on
// every call, so that the file itself is the state shared between windows and programs.
//
// Reading follows the classic profile-file behaviour: section names and keys match
// without regard to letter case, blanks around keys and values are dropped, a value in a
// pair of double or single quotes is read without them, CR LF, LF and CR each end a line,
// and a UTF-8 byte-order mark at the start is skipped (and kept by writes).  Writing
// replaces a key in place, appends a new key at the end of its section and a new section
// at the end of the file, writes keys in upper case and ends new lines with CR LF.
//
// Every change goes through DatabaseFile::change (never over a file that cannot be read,
// always whole or not at all) and returns its outcome, with a text naming the file and
// the reason when it failed.

#include "DatabaseFile.h"
#include "IniWriteResult.h"

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

IniWriteResult WriteToINI(const QString& strSection, const QString& strkey,
                          const QString& strkeyvalue, const QString& strfullpath);

// Several WriteToINI calls on one section, in the given order, read and written as one
// file change: the file ends up byte for byte as the single writes would leave it.
// Where many answers must be stored quickly (a discovery) the disk flushes can be left to
// one DatabaseFile::flush() at the end (DatabaseFile::Flush::Later).
IniWriteResult WriteSectionEntries(const QString& strSection,
                                   const QList<QPair<QString, QString>>& entries,
                                   const QString& strfullpath,
                                   DatabaseFile::Flush flush = DatabaseFile::Flush::Now);
// WriteSectionEntries for several sections, in the given order, as one file change (the
// answers of a discovery that got their MACs in the same instant).
IniWriteResult WriteSections(const QList<QPair<QString, QList<QPair<QString, QString>>>>& sections,
                             const QString& strfullpath,
                             DatabaseFile::Flush flush = DatabaseFile::Flush::Now);

IniWriteResult DeleteIniSection(const QString& strSection, const QString& strfullpath);
IniWriteResult DeleteIniKey(const QString& strSection, const QString& strKeyname,
                            const QString& strfullpath);
bool CheckIfIniKeyExists(const QString& strSection, const QString& strKeyname,
                         const QString& strfullpath);
bool CheckIfIniSectionExists(const QString& strSection, const QString& strfullpath);
qint32 GetLongFromINI(const QString& strSection, const QString& strKeyname,
                      const QString& strfullpath, qint32 lngDefault);
// The old key or section is removed only once the new one is stored.
IniWriteResult RenameIniKey(const QString& strSection, const QString& strKeyname,
                            const QString& strNewKeyname, const QString& strfullpath);
IniWriteResult RenameIniSection(const QString& strSection, const QString& strNewSection,
                                const QString& strfullpath);

// Every section name of the file, in file order (no size limit).
QStringList LoadIniSectionsArray(const QString& strfullpath);
// The key (text before the first "=") of every entry of a section, in file order.
QStringList LoadIniSectionKeys(const QString& strSection, const QString& strfullpath);
// Number of entries in the section, 0 when absent.  Saturates at the 16-bit maximum.
qint16 GetSectionKeyCount(const QString& strSection, const QString& strfullpath);

// Creates the file empty (zero bytes), replacing any previous content it could read.
IniWriteResult CreateEmpty(const QString& strfullpath);

// Leading decimal digits of a text as a number (an optional sign, then digits), as the
// profile functions take an integer; 0 when the text has none.  Saturates at 32 bits.
qint32 LeadingInteger(const QString& text);

} // namespace IniStore

#pragma once
// Where nms.ini lives: beside the program, or, when that folder cannot be written or the
// program is an installed copy, in the user's data folder, so a discovery is never lost
// because the file could not be created.  A read-only nms.ini beside a writable program
// stays the database (its changes are refused and reported).

#include <QString>

namespace DatabaseLocation {

// The folder to use, given the program's folder and the per-user fallback.  A program
// folder at or below installPrefix belongs to an installed copy and is never written,
// also not when it could be (root may write /usr/bin).
QString chooseFolder(const QString& programFolder, const QString& userDataFolder,
                     const QString& installPrefix = {});

// The full path of nms.ini for this run.  TESSOVAR_NMS_DATABASE_DIR overrides the folder
// (portable set-ups and tests).
QString databasePath();

bool folderIsWritable(const QString& folder);

// The per-user data folder (~/.local/share/Veltrana/Tessovar NMS): the database of an
// installed copy, and the fleet check's event log.
QString userDataFolder();

} // namespace DatabaseLocation

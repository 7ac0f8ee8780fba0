// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where cmd.txt lives, decided once at start-up.
//
// Beside the executable whenever that folder can be written (a build folder, an
// unpacked portable copy): nothing changes there. Otherwise (installed under
// /usr/bin) in the per-user data folder, e.g. ~/.local/share/servo-console;
// that folder is made by the first save. A cmd.txt found beside a read-only
// executable is copied there the first time, when the user has no cmd.txt of
// their own yet, so the sequence kept beside the program is not left behind.
namespace sequencelocation {

// The rule itself. programFolder holds the executable; userFolder is the per-user
// data folder (empty when the system names none).
QString choose(const QString &programFolder, bool programFolderWritable, const QString &userFolder);

// Whether a file can be made in the folder: the test that matters for replacing
// cmd.txt there, which writes a new file beside it and renames it over the old one.
bool isWritableFolder(const QString &folder);

// The rule applied to this program: its executable's folder and the data folder
// Qt names for it (QStandardPaths::AppDataLocation). Call after the application
// object exists and has its name.
QString atStartUp();

} // namespace sequencelocation

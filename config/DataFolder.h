#pragma once
// Where the program's read-only files (default files, sounds, photos) lie:
// share/velumix beside the bin folder that holds the program, the same in
// the build folder and once installed.

#include <QString>

QString dataFolder();

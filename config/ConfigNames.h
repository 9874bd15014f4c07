#pragma once

#include "ConfigRecord.h"

#include <QString>
#include <QStringList>

// Folder names: default files beside the program, user files in the
// program's folder inside the documents folder.
constexpr char kDefaultFileFolder[] = "DefaultFile";
constexpr char kUserFileFolder[] = "UserFile";
// The window program; velumixctl finds the user files in its folder.
constexpr char kWindowProgramName[] = "velumix";

// Where the program named `programName` keeps the user files:
// <documents>/<programName>/UserFile.
QString userFileFolder(const QString& programName);

// Eight lower-case hexadecimal digits, byte 0 first ({0x0a,0x1b,0x2c,0x3d} -> "0a1b2c3d").
QString identityToHex(const DeviceIdentity& identity);

// Reads the text two characters at a time into bytes 0..3: a final single
// character is read alone, a pair that is not hexadecimal gives 0, missing
// bytes are 0 and characters after the eighth are ignored.
DeviceIdentity identityFromHex(const QString& text);

// A vendor or product ID text: leading blanks, an optional sign and an
// optional 0x prefix, then hexadecimal digits up to the first other
// character. No digits give 0; the low 16 bits of the value are kept.
quint16 hexTextToId(const QString& text);

// "VID-3206&PID-0f51.json": vendor ID in lower-case hex without leading zeros,
// product ID as four lower-case hex digits.
QString defaultFileName(quint16 vendorId, quint16 productId);

// "VID-3206&PID-0f51&UUID-0a1b2c3d.json".
QString userFileName(quint16 vendorId, quint16 productId, const DeviceIdentity& identity);

// Names of the regular files in folder whose names end in ".json", sorted by
// name so that every start reads them in the same order. A missing folder
// gives an empty list.
QStringList listConfigFileNames(const QString& folder);

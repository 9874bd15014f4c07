#pragma once
// Custom modes to and from files: parametric text any parametric equaliser
// loads, and a small JSON document this program reads back on any model of
// the family (the gains mean the same on every model).
//
// Parametric text, ten peaking filters, band 0 first, with the mode's Q:
//   # Velumix custom mode "Club" (stereo page) for <model name>
//   Preamp: -6.0 dB
//   Filter 1: ON PK Fc 30 Hz Gain 6.0 dB Q 2.000
//   ...
//   Filter 10: ON PK Fc 16000 Hz Gain -2.0 dB Q 4.000
// The preamp is minus the largest boost (0.0 dB without one), so a software
// equaliser playing the file does not clip; readCorrection ignores it.
//
// JSON document:
//   {"format": "velumix-mode", "version": 1, "name": "Club", "page": "stereo",
//    "gains": [6, 4, 0, 0, 0, 0, 0, 0, 0, -2], "model": "1054"}
// "page" is "surround" or "stereo", "gains" ten whole dB in kMinGain..kMaxGain,
// band 0 first; "model" is the product ID the mode was exported from (four
// hexadecimal digits) and may be left out.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "Frames.h"

#include <QByteArray>
#include <QString>

#include <optional>

constexpr char kModeDocumentFormat[] = "velumix-mode";
constexpr int kModeDocumentVersion = 1;

// The Q table a product applies to custom modes of a page. Custom slots never
// use a standard mode index, so every product has one today.
std::optional<frame::QTable> customModeQTable(SoundPage page, quint16 productId);

// The page a mode belongs to: "Surround" is the surround page, any other
// algorithm the stereo page.
SoundPage pageOfMode(const CustomRecord& mode);

// The mode's gains as the headset takes them (see headsetGains), as parametric text.
QByteArray modeToParametricText(const CustomRecord& mode, const QString& modelName,
                                const frame::QTable& qTimes1000);

// The mode as a JSON document, its gains as the headset takes them and
// `productId` as its "model".
QByteArray modeToJson(const CustomRecord& mode, quint16 productId);

// A mode read back has the algorithm "Surround" or "Stereo" of its page, the
// name exactly as written and its gains as parameter text ("g1,...,g10").
struct ModeRead
{
    bool ok = false;
    QString error; // what is wrong; a JSON syntax error names its line
    CustomRecord mode;
    std::optional<quint16> productId; // the "model" member when present
};
ModeRead readModeJson(const QByteArray& json);
ModeRead readModeFile(const QString& path);

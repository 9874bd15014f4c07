#pragma once
// A correction file made into a custom mode, ready to save: the file read,
// its target fitted to the bands the product applies to the page's custom
// modes, and the fitted whole-dB gains as the mode's parameter text. The
// window's import and velumixctl's `custom import` both go through here, so
// the same file gives the same mode either way.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "CorrectionImport.h"
#include "EqFit.h"

#include <QByteArray>
#include <QString>

struct ImportedMode
{
    bool ok = false;
    // Why not: the file's problem ("line N: ..." for a malformed line), or a
    // name that cannot be used.
    QString error;
    CorrectionFormat format = CorrectionFormat::GraphicEq;
    Curve target;       // the correction as read (see CorrectionRead::target)
    HeadsetBands bands; // the bands the mode is fitted to
    EqFit fit;          // the gains, their curve on the fit grid, the largest error
    // Algorithm "Surround" or "Stereo" of the page, the name as given and
    // the fitted gains as parameter text ("g1,...,g10").
    CustomRecord mode;
};

// Why a custom mode cannot be called `name` (blank, or longer than
// kMaxModeNameLength), empty when it can.
QString modeNameProblem(const QString& name);

// `sampleRateHz` as frame::sampleRateHz gives it, 0 while unknown; the name
// must be one modeNameProblem accepts.
ImportedMode importCorrectionAsMode(const QByteArray& text, const QString& name, SoundPage page,
                                    quint16 productId, int sampleRateHz);
ImportedMode importCorrectionFileAsMode(const QString& path, const QString& name, SoundPage page,
                                        quint16 productId, int sampleRateHz);

#pragma once
// Reading corrections written for other equalisers, as headphone correction
// projects and software equalisers share them, into a target curve for
// fitToBands. Two text forms:
//
//   GraphicEQ: 20 -1.5; 21 -1.4; 22 -1.3
//     one line of frequency (Hz) and gain (dB) pairs, separated by ';', the
//     frequencies rising; the first such line counts, other lines are ignored.
//
//   Preamp: -6.1 dB
//   Filter 1: ON PK Fc 105 Hz Gain 3.5 dB Q 0.70
//   Filter 2: ON LSC Fc 80 Hz Gain 2.0 dB Q 0.71
//   Filter 3: OFF PK Fc 3000 Hz Gain -2.0 dB Q 2.00
//     peaking (PK), low-shelf (LSC) and high-shelf (HSC) filters; filters
//     that are OFF and "None" filters are skipped; blank lines and lines
//     starting with '#' are ignored, any other line is an error.
//
// Limits: at most kMaxImportBytes; frequencies from 1 Hz to half the sample
// rate; gains within +-kMaxImportGainDb; Q above 0 and at most kMaxImportQ.

#include "EqResponse.h"
#include "ImportFile.h"

#include <QByteArray>
#include <QString>

constexpr double kMaxImportGainDb = 30;
constexpr double kMaxImportQ = 100;

enum class CorrectionFormat
{
    GraphicEq,
    Parametric
};

struct CorrectionRead
{
    bool ok = false;
    // Why not: "line N: ..." naming the line and the problem, or what is
    // wrong with the text as a whole.
    QString error;
    CorrectionFormat format = CorrectionFormat::GraphicEq;
    // GraphicEQ: its points. Parametric: the sum of its filters' responses
    // on the fit grid (kFitPoints) at the sample rate given.
    Curve target;
};

// Reads UTF-8 text (a byte order mark is skipped). `sampleRateHz` is the
// headset's rate, at which the filters of parametric text are evaluated.
CorrectionRead readCorrection(const QByteArray& text, double sampleRateHz);
CorrectionRead readCorrectionFile(const QString& path, double sampleRateHz);

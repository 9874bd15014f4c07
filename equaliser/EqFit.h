#pragma once
// Fitting a target curve (a correction from a file) to the headset's ten
// fixed bands: the whole-dB gains whose combined response comes closest.

#include "EqResponse.h"

// Points of the grid the fit compares curves on.
constexpr int kFitPoints = 128;

struct EqFit
{
    EqGains gains{};       // kMinGain..kMaxGain, band 0 first
    Curve curve;           // the bands' response with these gains on the fit grid
    double maxErrorDb = 0; // the largest |target - curve| over the fit grid
};

// The gains that bring the bands' response closest to `target` in the least
// squares sense, in dB over kFitPoints log-spaced frequencies (see
// logFrequencyGrid), each gain brought into kMinGain..kMaxGain and whole.
// The target is read with curveValueAt. A target built from the bands
// themselves with whole gains in range gives exactly those gains back.
EqFit fitToBands(const Curve& target, const HeadsetBands& bands);

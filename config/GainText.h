#pragma once

#include <QString>
#include <QVector>

#include <array>

#include "Vocabulary.h"

// The "parameter" text: the gains in decimal joined by "," ("0,0,0,0,0,0,0,0,0,0").
QString gainsToText(const EqGains& gains);

// The gains as they may be sent: each brought into kMinGain..kMaxGain. Files
// can hold any number; the headset must never receive one it does not take.
EqGains headsetGains(EqGains gains);
// The same for the gains of a preset entry; bands it does not hold are 0.
EqGains headsetGains(const QVector<int>& gains);

// Splits at ",", reads each trimmed field in base 10. A field that is not a
// number and a missing field both count as 0; fields after the tenth are ignored.
EqGains gainsFromText(const QString& text);

// A built-in preset as the reader lists it: name + "_'" + parameter + "'".
QString presetEntry(const QString& name, const QString& parameter);

struct ParsedPresetEntry
{
    QString name;
    QVector<int> gains; // band 0 first; only as many as the entry holds, at most ten
};

// Reads a preset entry back: the first non-empty piece between the separators
// "_", "'" and "," is the name, the next ten are the gains (not a number: 0).
// Gains are not clamped; the sliders that receive them do that.
ParsedPresetEntry parsePresetEntry(const QString& entry);

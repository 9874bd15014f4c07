#pragma once
// What velumixctl prints, made from a result's data alone: the output is the
// same whether the window or velumixctl itself carried the command out.

#include "RemoteProtocol.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// For people: "label: value" lines for an object, a table for a list, names
// rather than numbers, "unknown" for what cannot be known. Empty for a
// command that reports nothing.
QString humanText(const QString& command, const QJsonValue& data);
// One line per event ("page: stereo").
QString humanEventText(const QJsonObject& event);

// For scripts: the data as one line of JSON ({} when there is none).
QByteArray jsonText(const QJsonValue& data);

// A failure as velumixctl reports it on standard error: "velumixctl: ..." or
// {"exit":N,"error":"..."} with --json. Both end with a newline.
QByteArray errorText(const remote::Result& failure, bool json);

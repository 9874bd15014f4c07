#pragma once
// velumixctl's command line.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct CtlOptions
{
    bool simulate = false;
    uint16_t simulatedProductId = 0x1054;
    std::vector<uint16_t> acceptedProductIds; // empty: the known models
    bool traceFrames = false;
    bool help = false;
    bool version = false;
    QString command;
    QStringList arguments;
};

struct ParsedOptions
{
    std::optional<CtlOptions> options;
    QString error; // set when options is empty
};

ParsedOptions parseCtlOptions(const QStringList& args); // args without the program name

// Parsers shared by the commands; each returns nothing for malformed text.
std::optional<uint16_t> parseProductId(const QString& text);
std::optional<std::vector<uint16_t>> parseProductIdList(const QString& text);
std::optional<int> parseIntInRange(const QString& text, int low, int high);
std::optional<std::vector<int>> parseIntList(const QString& text, int count, int low, int high);

QString ctlUsage();

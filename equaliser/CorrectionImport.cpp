#include "CorrectionImport.h"

#include "EqFit.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

constexpr double kLowestImportHz = 1;
// Lines quoted in a message are cut to this many characters.
constexpr int kQuotedLength = 40;

// The text as a message shows it: cut short, what cannot be shown as '?'.
QString quoted(const QString& text)
{
    QString shown = text.left(kQuotedLength);
    for (QChar& c : shown) {
        if (!c.isPrint() || c == QChar::ReplacementCharacter)
            c = QLatin1Char('?');
    }
    if (text.size() > kQuotedLength)
        shown += QStringLiteral("...");
    return QStringLiteral("\"%1\"").arg(shown);
}

QString lineMessage(int lineNumber, const QString& problem)
{
    return QStringLiteral("line %1: %2").arg(lineNumber).arg(problem);
}

bool sameWord(const QString& token, const char* word)
{
    return token.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// A finite number, or the problem with the token.
std::optional<double> finiteNumber(const QString& token, QString* problem)
{
    bool ok = false;
    const double value = token.toDouble(&ok);
    if (ok && std::isfinite(value))
        return value;
    // Qt reads "nan" and "inf" as numbers, and "1e999" as an infinity it refuses.
    const QString shape = ok || std::isinf(value) ? QStringLiteral("%1 is not a finite number")
                                                  : QStringLiteral("%1 is not a number");
    *problem = shape.arg(quoted(token));
    return std::nullopt;
}

QString frequencyProblem(double hz, double sampleRateHz)
{
    if (hz >= kLowestImportHz && hz <= sampleRateHz / 2)
        return {};
    return QStringLiteral("frequency %1 Hz is outside %2 Hz to %3 Hz (half the sample rate)")
        .arg(hz)
        .arg(kLowestImportHz)
        .arg(sampleRateHz / 2);
}

QString gainProblem(double db)
{
    if (std::abs(db) <= kMaxImportGainDb)
        return {};
    return QStringLiteral("gain %1 dB is outside -%2 to %2 dB").arg(db).arg(kMaxImportGainDb);
}

QString qProblem(double q)
{
    if (q > 0 && q <= kMaxImportQ)
        return {};
    return QStringLiteral("Q %1 is not above 0 and at most %2").arg(q).arg(kMaxImportQ);
}

QStringList textLines(const QByteArray& text)
{
    QString decoded = QString::fromUtf8(text);
    if (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);
    QStringList lines = decoded.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.trimmed(); // also drops the '\r' of CR LF line ends
    return lines;
}

QStringList words(const QString& text)
{
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// ---- GraphicEQ --------------------------------------------------------

const QLatin1String kGraphicEqTag("GraphicEQ:");

// One "frequency gain" pair, checked against the point before it.
std::optional<CurvePoint> graphicEqPoint(const QString& pair, const Curve& before,
                                         double sampleRateHz, QString* problem)
{
    const QStringList fields = words(pair);
    if (fields.size() != 2) {
        *problem = QStringLiteral("%1 is not a frequency and a gain").arg(quoted(pair.trimmed()));
        return std::nullopt;
    }
    const std::optional<double> hz = finiteNumber(fields[0], problem);
    const std::optional<double> db = hz ? finiteNumber(fields[1], problem) : std::nullopt;
    if (!db)
        return std::nullopt;
    *problem = frequencyProblem(*hz, sampleRateHz);
    if (problem->isEmpty() && !before.empty() && *hz <= before.back().hz)
        *problem = QStringLiteral("frequency %1 Hz does not rise above the one before it (%2 Hz)")
                       .arg(*hz)
                       .arg(before.back().hz);
    if (problem->isEmpty())
        *problem = gainProblem(*db);
    if (!problem->isEmpty())
        return std::nullopt;
    return CurvePoint{*hz, *db};
}

CorrectionRead readGraphicEq(const QString& line, int lineNumber, double sampleRateHz)
{
    QStringList pairs = line.mid(kGraphicEqTag.size()).split(QLatin1Char(';'));
    if (pairs.size() > 1 && pairs.last().trimmed().isEmpty())
        pairs.removeLast(); // a closing ';'
    CorrectionRead read;
    read.format = CorrectionFormat::GraphicEq;
    for (int i = 0; i < pairs.size(); ++i) {
        QString problem;
        const std::optional<CurvePoint> point =
            graphicEqPoint(pairs[i], read.target, sampleRateHz, &problem);
        if (!point) {
            read.error =
                lineMessage(lineNumber, QStringLiteral("point %1: %2").arg(i + 1).arg(problem));
            read.target.clear();
            return read;
        }
        read.target.push_back(*point);
    }
    read.ok = true;
    return read;
}

// ---- Parametric text ----------------------------------------------------

// What one line of parametric text holds.
struct ParametricLine
{
    std::optional<Filter> filter; // a filter that is ON
    QString problem;              // set when the line is wrong
};

std::optional<FilterKind> filterKindNamed(const QString& name)
{
    if (sameWord(name, "PK"))
        return FilterKind::Peaking;
    if (sameWord(name, "LSC"))
        return FilterKind::LowShelf;
    if (sameWord(name, "HSC"))
        return FilterKind::HighShelf;
    return std::nullopt;
}

// "Fc <Hz> Hz Gain <dB> dB Q <q>": the words at even places are fixed.
ParametricLine filterSettings(FilterKind kind, const QStringList& fields, double sampleRateHz)
{
    static const char* const kShape[] = {"Fc", nullptr, "Hz", "Gain", nullptr, "dB", "Q", nullptr};
    constexpr int kShapeSize = int(sizeof kShape / sizeof kShape[0]);
    bool shapeMatches = fields.size() == kShapeSize;
    for (int i = 0; shapeMatches && i < kShapeSize; ++i)
        shapeMatches = !kShape[i] || sameWord(fields[i], kShape[i]);
    if (!shapeMatches)
        return {std::nullopt, QStringLiteral("expected \"Fc <Hz> Hz Gain <dB> dB Q <Q>\" after "
                                             "the filter type")};
    ParametricLine line;
    const std::optional<double> hz = finiteNumber(fields[1], &line.problem);
    const std::optional<double> db = hz ? finiteNumber(fields[4], &line.problem) : std::nullopt;
    const std::optional<double> q = db ? finiteNumber(fields[7], &line.problem) : std::nullopt;
    if (!q)
        return line;
    for (const QString& problem :
         {frequencyProblem(*hz, sampleRateHz), gainProblem(*db), qProblem(*q)}) {
        if (!problem.isEmpty())
            return {std::nullopt, problem};
    }
    line.filter = Filter{kind, *hz, *db, *q};
    return line;
}

ParametricLine filterLine(const QString& settings, double sampleRateHz)
{
    const QStringList fields = words(settings);
    if (fields.isEmpty() || (!sameWord(fields[0], "ON") && !sameWord(fields[0], "OFF")))
        return {std::nullopt, QStringLiteral("a filter must be ON or OFF")};
    if (sameWord(fields[0], "OFF") || (fields.size() > 1 && sameWord(fields[1], "None")))
        return {};
    if (fields.size() < 2)
        return {std::nullopt, QStringLiteral("the filter has no type")};
    const std::optional<FilterKind> kind = filterKindNamed(fields[1]);
    if (!kind)
        return {std::nullopt, QStringLiteral("filter type %1 is not supported (PK, LSC or HSC)")
                                  .arg(quoted(fields[1]))};
    return filterSettings(*kind, fields.mid(2), sampleRateHz);
}

// The headset has no preamp and the fit matches the curve's shape, so the
// preamp is checked but plays no part in the target.
ParametricLine preampLine(const QString& settings)
{
    const QStringList fields = words(settings);
    if (fields.size() != 2 || !sameWord(fields[1], "dB"))
        return {std::nullopt, QStringLiteral("expected \"Preamp: <dB> dB\"")};
    ParametricLine line;
    finiteNumber(fields[0], &line.problem);
    return line;
}

ParametricLine parametricLine(const QString& line, double sampleRateHz)
{
    static const QRegularExpression filterTag(QStringLiteral("^Filter\\s*\\d*\\s*:"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression preampTag(QStringLiteral("^Preamp\\s*:"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return {};
    const QRegularExpressionMatch filter = filterTag.match(line);
    if (filter.hasMatch())
        return filterLine(line.mid(filter.capturedLength()), sampleRateHz);
    const QRegularExpressionMatch preamp = preampTag.match(line);
    if (preamp.hasMatch())
        return preampLine(line.mid(preamp.capturedLength()));
    return {std::nullopt,
            QStringLiteral("%1 is not a Preamp, Filter or comment line").arg(quoted(line))};
}

CorrectionRead readParametric(const QStringList& lines, double sampleRateHz)
{
    CorrectionRead read;
    read.format = CorrectionFormat::Parametric;
    std::vector<Filter> filters;
    for (int i = 0; i < lines.size(); ++i) {
        const ParametricLine line = parametricLine(lines[i], sampleRateHz);
        if (!line.problem.isEmpty()) {
            read.error = lineMessage(i + 1, line.problem);
            return read;
        }
        if (line.filter)
            filters.push_back(*line.filter);
    }
    if (filters.empty()) {
        read.error = QStringLiteral("no GraphicEQ line and no filter that is ON");
        return read;
    }
    read.target =
        filtersResponse(filters, logFrequencyGrid(kFitPoints, sampleRateHz), sampleRateHz);
    read.ok = true;
    return read;
}

} // namespace

CorrectionRead readCorrection(const QByteArray& text, double sampleRateHz)
{
    CorrectionRead read;
    read.error = importSizeError(text.size());
    if (!read.error.isEmpty())
        return read;
    const QStringList lines = textLines(text);
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(kGraphicEqTag, Qt::CaseInsensitive))
            return readGraphicEq(lines[i], i + 1, sampleRateHz);
    }
    return readParametric(lines, sampleRateHz);
}

CorrectionRead readCorrectionFile(const QString& path, double sampleRateHz)
{
    const ImportBytes file = readImportFile(path);
    if (!file.error.isEmpty()) {
        CorrectionRead read;
        read.error = file.error;
        return read;
    }
    return readCorrection(file.bytes, sampleRateHz);
}

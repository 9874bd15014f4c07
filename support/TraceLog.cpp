#include "TraceLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcTrace, "velumix.trace")

namespace {

QString traceLogPath;

// Latin-1 text; characters outside Latin-1 become '?'.
QByteArray latin1(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?');
    return bytes;
}

void reportOpenFailure()
{
    qCDebug(lcTrace).noquote() << QStringLiteral("log文件创建失败!");
}

bool startFile(QFile& file, const char* firstRecord)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    file.write("\t" + latin1(programBaseName()) + " Log Text:\r\n\n");
    file.write(firstRecord);
    return true;
}

} // namespace

QString programBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void initTraceLog()
{
    traceLogPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" +
                   programBaseName();
    // The whole path: a new account may not have its documents folder yet.
    QDir().mkpath(traceLogPath);
    traceLogPath += "/debug.log";
    QFile file(traceLogPath);
    if (!startFile(file, "**First Data!\r\n"))
        reportOpenFailure();
}

void traceLog(const QString& tag, const QString& step, const QString& unit, const QString& function,
              int line)
{
    QFile file(traceLogPath);
    if (traceLogPath.isEmpty() || !file.open(QIODevice::Append | QIODevice::Text)) {
        reportOpenFailure();
        return;
    }
    file.write(latin1(tag + " : " + step + "\t\t(" + unit + " - " + function + " ... " +
                      QString::number(line) + ");\n"));
    file.flush();
    if (file.size() >= kTraceLogLimit) {
        file.close();
        startFile(file, "**Next Data!\r\n");
    }
}

QString traceLogFilePath()
{
    return traceLogPath;
}

#include "HotplugSource.h"

#include <QRegularExpression>
#include <QVector>

namespace {

// The kernel names a HID device "%04X:%04X:%04X.%04X" (bus, vendor, product,
// a running number that can outgrow four digits).
const QRegularExpression
    kHidDeviceFolder(QStringLiteral("^[0-9A-F]{4}:([0-9A-F]{4}):([0-9A-F]{4})\\.[0-9A-F]{4,}$"),
                     QRegularExpression::CaseInsensitiveOption);

// The innermost HID device folder of the path.
QRegularExpressionMatch innermostHidFolder(const QString& sysfsPath)
{
    const QVector<QStringRef> folders = sysfsPath.splitRef(QLatin1Char('/'));
    for (auto folder = folders.crbegin(); folder != folders.crend(); ++folder) {
        QRegularExpressionMatch match = kHidDeviceFolder.match(*folder);
        if (match.hasMatch())
            return match;
    }
    return {};
}

QString idDigits(const QString& sysfsPath, int idGroup)
{
    return innermostHidFolder(sysfsPath).captured(idGroup).toUpper();
}

} // namespace

QString vendorDigitsOfInterfacePath(const QString& sysfsPath)
{
    return idDigits(sysfsPath, 1);
}

QString productIdOfInterfacePath(const QString& sysfsPath)
{
    return idDigits(sysfsPath, 2);
}

bool ManualHotplugSource::start()
{
    if (!m_started)
        m_started = !m_startFails;
    return m_started;
}

void ManualHotplugSource::setStartFails(bool fails)
{
    m_startFails = fails;
}

void ManualHotplugSource::arrive(const QString& interfacePath)
{
    if (m_started)
        emit deviceArrived(interfacePath);
}

void ManualHotplugSource::remove(const QString& interfacePath)
{
    if (m_started)
        emit deviceRemoved(interfacePath);
}

#include "Look.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QWidget>

namespace look {
namespace {

constexpr char kHighContrastKey[] = "look/highContrast";
constexpr char kOwnSheet[] = "velumixOwnSheet";
constexpr char kOwnPicture[] = "velumixOwnPicture";
bool s_highContrast = false;

QSettings programSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velumix"),
                     QStringLiteral("velumix"));
}

struct Replacement
{
    const char* pattern;
    const char* replacement;
};

// The greys of texts (a grey text lies on the window's dark greys), the
// orange and red under white, and the dark grey back arrow.
const Replacement kHighContrastReplacements[] = {
    {R"((^|[\s;{])color\s*:\s*rgb\(\s*(90|100|110|150|155)\s*,\s*\2\s*,\s*\2\s*\))",
     "\\1color: rgb(215,215,215)"},
    {R"((background(-color)?\s*:\s*)rgb\(\s*255\s*,\s*171\s*,\s*6[12]\s*\))", "\\1rgb(170,85,0)"},
    {R"((background(-color)?\s*:\s*)rgb\(\s*255\s*,\s*0\s*,\s*0\s*\))", "\\1rgb(190,0,0)"},
    {R"(/fanhui-深灰\.png)", "/fanhui-白色.png"},
};

struct PictureCopy
{
    const char* path;
    const char* highContrastPath;
};

// The pictures whose drawn texts the high-contrast look draws lighter.
const PictureCopy kHighContrastPictures[] = {
    {":/png/pic/png/11111.png", ":/png/pic/png/11111-high-contrast.png"},
    {":/sw/pic/sw/main_2.jpg", ":/sw/pic/sw/main_2-high-contrast.jpg"},
};

QString pictureInLook(const QString& path)
{
    if (s_highContrast)
        for (const PictureCopy& each : kHighContrastPictures)
            if (path == QLatin1String(each.path))
                return QString::fromLatin1(each.highContrastPath);
    return path;
}

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalSettings = QStringLiteral("org.freedesktop.portal.Settings");

// A desktop setting that asks for high contrast, and what its value says.
struct ContrastSetting
{
    const char* space;
    const char* key;
    bool (*asksHighContrast)(const QVariant& value);
};

// The portal's own "contrast" (1: more contrast, 0: no preference) decides
// where the desktop has it; GNOME's switch stands behind it.
const ContrastSetting kContrastSettings[] = {
    {"org.freedesktop.appearance", "contrast",
     [](const QVariant& value) { return value.toUInt() == 1; }},
    {"org.gnome.desktop.a11y.interface", "high-contrast",
     [](const QVariant& value) { return value.toBool(); }},
};

const ContrastSetting* contrastSetting(const QString& space, const QString& key)
{
    for (const ContrastSetting& each : kContrastSettings)
        if (space == QLatin1String(each.space) && key == QLatin1String(each.key))
            return &each;
    return nullptr;
}

// The portal wraps a value in variants of its own.
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

QVariant portalSetting(QDBusInterface& portal, const ContrastSetting& setting)
{
    const QDBusReply<QVariant> reply =
        portal.call(QStringLiteral("Read"), QString::fromLatin1(setting.space),
                    QString::fromLatin1(setting.key));
    return reply.isValid() ? unwrapped(reply.value()) : QVariant();
}

} // namespace

std::optional<bool> chosenHighContrast()
{
    const QVariant chosen = programSettings().value(kHighContrastKey);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen.toBool();
}

void rememberHighContrast(bool on)
{
    programSettings().setValue(kHighContrastKey, on);
}

bool desktopAsksHighContrast()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface portal(kPortalService, kPortalPath, kPortalSettings, bus);
    // Asked once at start; a desktop without the portal answers at once.
    portal.setTimeout(500);
    if (!portal.isValid())
        return false;
    for (const ContrastSetting& each : kContrastSettings) {
        const QVariant value = portalSetting(portal, each);
        if (value.isValid())
            return each.asksHighContrast(value);
    }
    return false;
}

bool highContrastWanted(std::optional<bool> desktopAsks)
{
    if (const std::optional<bool> chosen = chosenHighContrast())
        return *chosen;
    return desktopAsks ? *desktopAsks : desktopAsksHighContrast();
}

DesktopContrast::DesktopContrast(QObject* parent) : QObject(parent)
{
    QDBusConnection::sessionBus().connect(kPortalService, kPortalPath, kPortalSettings,
                                          QStringLiteral("SettingChanged"), this,
                                          SLOT(settingChanged(QString, QString, QDBusVariant)));
}

void DesktopContrast::settingChanged(const QString& space, const QString& key,
                                     const QDBusVariant& value)
{
    if (const ContrastSetting* setting = contrastSetting(space, key))
        emit desktopAsksHighContrastChanged(setting->asksHighContrast(unwrapped(value.variant())));
}

bool highContrast()
{
    return s_highContrast;
}

void setHighContrast(bool on)
{
    s_highContrast = on;
}

QString inHighContrast(const QString& sheet)
{
    QString result = sheet;
    for (const Replacement& each : kHighContrastReplacements)
        result.replace(QRegularExpression(QString::fromUtf8(each.pattern)),
                       QString::fromUtf8(each.replacement));
    return result;
}

QString inLook(const QString& sheet)
{
    return s_highContrast ? inHighContrast(sheet) : sheet;
}

void setStyleSheet(QWidget* widget, const QString& sheet)
{
    widget->setProperty(kOwnSheet, sheet);
    widget->setStyleSheet(inLook(sheet));
}

void setPixmap(QLabel* label, const QString& path)
{
    label->setProperty(kOwnPicture, path);
    label->setPixmap(QPixmap(pictureInLook(path)));
}

void switchTo(bool highContrast)
{
    setHighContrast(highContrast);
    for (QWidget* widget : QApplication::allWidgets()) {
        const QVariant own = widget->property(kOwnSheet);
        if (own.isValid())
            widget->setStyleSheet(inLook(own.toString()));
        const QVariant picture = widget->property(kOwnPicture);
        if (picture.isValid())
            static_cast<QLabel*>(widget)->setPixmap(QPixmap(pictureInLook(picture.toString())));
    }
}

} // namespace look

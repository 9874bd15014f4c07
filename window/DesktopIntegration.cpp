#include "DesktopIntegration.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QWidget>

#include <algorithm>

namespace {

struct FreeFace
{
    const char* formFamily;
    const char* freeFamily; // Debian package in the comment
};
const FreeFace kFreeFaces[] = {
    {"Arial", "Liberation Sans"},        // fonts-liberation
    {"BankGothic Lt BT", "Jura Medium"}, // fonts-jura
};
constexpr int kFormPixelSize = 15;
// Room left for a panel and the window's own shadow.
constexpr int kScreenMargin = 8;

} // namespace

void useFreeFacesForForm()
{
    for (const FreeFace& face : kFreeFaces)
        QFont::insertSubstitution(face.formFamily, face.freeFamily);
    QFont font = QApplication::font();
    font.setFamily(kFreeFaces[0].formFamily);
    font.setPixelSize(kFormPixelSize);
    QApplication::setFont(font);
}

QString faceServedFor(const QString& formFamily)
{
    return QFontInfo(QFont(formFamily)).family();
}

qreal shrinkToFit(const QSize& available, const QSize& window)
{
    if (window.isEmpty() || available.isEmpty())
        return 1.0;
    const qreal width = qreal(available.width() - kScreenMargin) / window.width();
    const qreal height = qreal(available.height() - kScreenMargin) / window.height();
    return std::min({1.0, width, height});
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void bringWindowForward(QWidget& window)
{
    if (onWayland() && window.isVisible())
        window.hide();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    if (onWayland())
        return; // mapped anew, in front; Wayland lets no client raise or activate itself
    window.raise();
    window.activateWindow();
}

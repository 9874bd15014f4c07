#include "HeadsetPicture.h"

#include "BuiltInPresets.h"
#include "DataFolder.h"

#include <QFileInfo>

namespace {

const char* const kModelPictures[] = {
    nullptr,
    "border-image: url(:/headset/pic/headset/Halden.png);",
    "border-image: url(:/headset/pic/headset/Morvik.png);",
    "border-image: url(:/headset/pic/headset/Tessaly.png);",
};

// Products without a model number of their own that ship with pictures: the
// headset itself, and the picture screen's button in its two looks.
struct ProductPictures
{
    quint16 productId;
    const char* picture;
    const char* button;
};
const ProductPictures kProductPictures[] = {
    {0x0F51, "border-image: url(:/headset/pic/headset/Rasko.png);",
     "QPushButton{\nborder-image: url(:/headset/pic/headset/Rasko_main_hui.jpg);\n}\n"
     "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/Rasko_main_bai.jpg);\n}"},
    {0x4130, "border-image: url(:/headset/pic/headset/Sorel.png);",
     "QPushButton{\nborder-image: url(:/headset/pic/headset/Sorel_main_hui.jpg);\n}\n"
     "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/Sorel_main_bai.jpg);\n}"},
};

const ProductPictures* shippedPicturesOf(quint16 productId)
{
    for (const ProductPictures& pictures : kProductPictures)
        if (pictures.productId == productId)
            return &pictures;
    return nullptr;
}

} // namespace

QString headsetPictureStyle(quint16 productId)
{
    if (const int model = headsetModelOf(productId); model != 0)
        return QString::fromUtf8(kModelPictures[model]);
    const QString photo =
        dataFolder() + QStringLiteral("/photo/%1.png").arg(productId, 4, 16, QChar('0'));
    // A picture put beside the program comes first; it may replace a shipped one.
    const ProductPictures* shipped = shippedPicturesOf(productId);
    if (shipped && !QFileInfo::exists(photo))
        return QString::fromUtf8(shipped->picture);
    return QStringLiteral("border-image:url(%1)").arg(photo);
}

bool headsetPictureShipped(quint16 productId)
{
    return headsetModelOf(productId) != 0 || shippedPicturesOf(productId);
}

QString headsetPictureButtonStyle(quint16 productId)
{
    if (const ProductPictures* shipped = shippedPicturesOf(productId))
        return QString::fromUtf8(shipped->button);
    return QStringLiteral("QPushButton{%1}").arg(headsetPictureStyle(productId));
}

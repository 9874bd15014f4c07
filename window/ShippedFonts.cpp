#include "ShippedFonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

struct ShippedFont
{
    const char* file;
    const char* formFamily;
};
const ShippedFont kShippedFonts[] = {{"/font/arial.ttf", "Arial"},
                                     {"/font/bgothl.ttf", "BankGothic Lt BT"}};

} // namespace

void installShippedFonts()
{
    QStringList families;
    for (const ShippedFont& shipped : kShippedFonts) {
        const int id =
            QFontDatabase::addApplicationFont(QApplication::applicationDirPath() + shipped.file);
        const QStringList added = QFontDatabase::applicationFontFamilies(id);
        families += added;
        if (!added.isEmpty() && added.first() != shipped.formFamily)
            QFont::insertSubstitution(shipped.formFamily, added.first());
    }
    if (families.isEmpty())
        return;
    QFont font = QApplication::font();
    font.setFamily(families.first());
    font.setPixelSize(15);
    QApplication::setFont(font);
}

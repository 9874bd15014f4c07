// The window's fixed texts with the free faces that stand in for the
// ones its form names: every text of the window's screens fits its box, so
// none is cut off.

#include "BareWindow.h"
#include "DesktopIntegration.h"
#include "Velumix.h"

#include <QtTest>

namespace {

struct Overflow
{
    QString widget;
    int textWidth;
    int room;
};

// The width a line edit gives its text: its contents less the two-pixel
// margin QLineEdit keeps on each side.
int roomOf(const QLineEdit& edit)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame()
                           ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit)
                           : 0;
    const QRect contents =
        edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    return contents.width() - margins.left() - margins.right() - 4;
}

int roomOf(const QPushButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    return button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width();
}

int roomOf(const QRadioButton& radio)
{
    QStyleOptionButton option;
    option.initFrom(&radio);
    option.text = radio.text();
    return radio.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &radio).width();
}

int roomOf(const QLabel& label)
{
    return label.contentsRect().width() - 2 * label.margin() - 2 * label.indent();
}

// A button's text as drawn: "&&" shows one ampersand.
QString drawnText(const QString& text)
{
    return QString(text).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// Only what the window shows: widgets kept outside it are never seen.
bool insideWindow(const QWidget& widget)
{
    const QWidget* window = widget.window();
    const QRect place(widget.mapTo(window, QPoint()), widget.size());
    return QRect(QPoint(), window->size()).contains(place);
}

// By widget name, so that a widget met on several screens counts once.
using Overflows = QMap<QString, Overflow>;

template <typename Widget> void collectOverflows(const QWidget& host, Overflows& overflows)
{
    for (const Widget* widget : host.findChildren<Widget*>()) {
        const QString text = drawnText(widget->text());
        if (text.isEmpty() || !insideWindow(*widget))
            continue;
        const int width = widget->fontMetrics().horizontalAdvance(text);
        const int room = roomOf(*widget);
        if (width > room)
            overflows.insert(widget->objectName(),
                             {widget->objectName() + " \"" + text + '"', width, room});
    }
}

QString described(const Overflows& overflows)
{
    QStringList lines;
    for (const Overflow& overflow : overflows)
        lines << QStringLiteral("%1: %2 px in %3 px")
                     .arg(overflow.widget)
                     .arg(overflow.textWidth)
                     .arg(overflow.room);
    return lines.join('\n');
}

} // namespace

class TextsFitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFixedTextFitsItsBox();
};

void TextsFitTest::initTestCase()
{
    useFreeFacesForForm();
}

void TextsFitTest::everyFixedTextFitsItsBox()
{
    // The window talks to no headset here.
    BareWindow bare;
    Velumix& host = bare.window;
    VelumixClass& form = host.ui;
    host.show();
    Overflows overflows;
    // Each page is laid out while it is the current one.
    for (int tab = 0; tab < form.tabWidget->count(); ++tab) {
        form.tabWidget->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        collectOverflows<QLineEdit>(host, overflows);
        collectOverflows<QPushButton>(host, overflows);
        collectOverflows<QRadioButton>(host, overflows);
        collectOverflows<QLabel>(host, overflows);
    }
    // The one fixed text the program puts in place of the form's.
    form.pushButton_SurroundTest->setText("Testing");
    collectOverflows<QPushButton>(host, overflows);
    QVERIFY2(overflows.isEmpty(), qPrintable("\n" + described(overflows)));
}

QTEST_MAIN(TextsFitTest)
#include "tst_textsfit.moc"

// A person without a mouse, and one with a screen reader. In every state of
// the window the Tab key stops only at controls that are on screen and not
// covered, each with a name and a visible focus ring; the controls tell a
// screen reader what they are; the delete strip, a new mode, Save and the
// mode menus take the focus and give it back where the person was.

#include "FocusRing.h"
#include "ImportPreview.h"
#include "Look.h"
#include "ModeImport.h"
#include "WindowRig.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

const QString kClub = QStringLiteral("Club");

void prepareClubFile()
{
    const EqGains gains{4, 3, 1, 0, 0, 0, 1, 2, 3, 4};
    prepareUserFile(kHalden, kFirstUnit,
                    {customMode("Surround", kClub, gains), customMode("Stereo", kClub, gains)});
}

bool onClub(WindowRig& rig, SoundPage page)
{
    prepareClubFile();
    return rig.startOnCustomList(kHalden, page) && rig.press(rig.page(page).customSlots[0]) &&
           rig.settle();
}

// The window whose focus chain is walked, once the state is set up; null
// when it could not be.
using Setup = std::function<QWidget*(WindowRig&)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

namespace {

double luminance(const QColor& colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QRect focusArea(QWidget* stop)
{
    if (auto* tabs = qobject_cast<QTabBar*>(stop))
        return tabs->tabRect(tabs->currentIndex());
    return stop->rect();
}

QString accessibleName(QWidget* stop)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(stop);
    if (auto* tabs = qobject_cast<QTabBar*>(stop))
        face = face->child(tabs->currentIndex());
    return face ? face->text(QAccessible::Name) : QString();
}

// Why the ring around the focused control cannot be seen, empty when it can:
// on each side both lines are drawn, and one of them stands out (3:1)
// against what lies next to it.
QString ringProblem(QWidget* window)
{
    auto* ring = window->findChild<FocusRing*>(QString(), Qt::FindDirectChildrenOnly);
    if (!ring)
        return QStringLiteral("the window has no focus ring");
    const QRect drawn = ring->ringRect();
    if (drawn.isEmpty())
        return QStringLiteral("no ring is drawn");
    const QImage shot = window->grab().toImage();
    const qreal scale = shot.devicePixelRatio();
    const auto pixel = [&shot, scale, window](const QPoint& at) -> std::optional<QColor> {
        if (!window->rect().contains(at))
            return std::nullopt;
        return shot.pixelColor(QPoint(int(at.x() * scale), int(at.y() * scale)));
    };
    const int line = FocusRing::kLineWidth;
    const std::pair<QPoint, QPoint> sides[] = {
        {QPoint(drawn.left(), drawn.center().y()), QPoint(1, 0)},
        {QPoint(drawn.right(), drawn.center().y()), QPoint(-1, 0)},
        {QPoint(drawn.center().x(), drawn.top()), QPoint(0, 1)},
        {QPoint(drawn.center().x(), drawn.bottom()), QPoint(0, -1)},
    };
    for (const auto& [edge, inward] : sides) {
        const std::optional<QColor> outer = pixel(edge);
        const std::optional<QColor> inner = pixel(edge + inward * line);
        if (outer != FocusRing::outerColour() || inner != FocusRing::innerColour())
            return QStringLiteral("the ring is covered at (%1, %2)").arg(edge.x()).arg(edge.y());
        // What lies on either side of the ring (outside it: nothing at the
        // window's edge).
        for (const std::optional<QColor>& beside :
             {pixel(edge - inward), pixel(edge + inward * 2 * line)}) {
            if (!beside)
                continue;
            const double best = std::max(contrast(*outer, *beside), contrast(*inner, *beside));
            if (best < 3.0)
                return QStringLiteral("the ring stands out %1:1 at (%2, %3)")
                    .arg(best, 0, 'f', 2)
                    .arg(edge.x())
                    .arg(edge.y());
        }
    }
    return {};
}

// Why a person could not use the focused control, empty when they can.
QString stopProblem(QWidget* stop, QWidget* window)
{
    const QRect area = focusArea(stop);
    const QPoint centre = stop->mapTo(window, area.center());
    if (!stop->isVisible() || stop->visibleRegion().isEmpty() || !window->rect().contains(centre))
        return QStringLiteral("off screen");
    QWidget* hit = window->childAt(centre);
    if (hit != stop && !stop->isAncestorOf(hit))
        return QStringLiteral("covered by %1").arg(hit ? hit->objectName() : QString("nothing"));
    if (accessibleName(stop).trimmed().isEmpty())
        return QStringLiteral("no name");
    return ringProblem(window);
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

// Every stop of the window's focus chain, in the order Tab reaches them.
QList<QWidget*> focusChain(QWidget* window)
{
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {};
    QList<QWidget*> stops;
    if (focused())
        stops << focused();
    for (int press = 0; press < 200; ++press) {
        QTest::keyClick(focused() ? focused() : window, Qt::Key_Tab);
        QWidget* now = focused();
        if (!now || stops.contains(now))
            break;
        stops << now;
    }
    return stops;
}

// Where a part shows: a widget by name, "NAME@X,Y,W,H" for an area of a
// widget (a text drawn in its picture), or "tab N" of the page tabs.
QRect partArea(Velumix& window, const QString& part)
{
    QTabBar* tabs = window.ui.tabWidget->tabBar();
    if (part.startsWith(QLatin1String("tab "))) {
        const QRect tab = tabs->tabRect(part.mid(4).toInt());
        return QRect(tabs->mapTo(&window, tab.topLeft()), tab.size());
    }
    const QStringList nameAndArea = part.split(QLatin1Char('@'));
    auto* widget = named<QWidget>(window, nameAndArea.first());
    if (!widget->isVisible())
        return {};
    QRect area = widget->rect();
    if (nameAndArea.size() == 2) {
        const QStringList edges = nameAndArea.last().split(QLatin1Char(','));
        area = QRect(edges[0].toInt(), edges[1].toInt(), edges[2].toInt(), edges[3].toInt());
    }
    return QRect(widget->mapTo(&window, area.topLeft()), area.size()) & window.rect();
}

// The contrast of a part as drawn: in its middle (clear of its corners,
// borders and neighbours) the most common colour is its background, and the
// pixel that stands out most from it is the colour of its text or picture.
double drawnContrast(const QImage& shot, const QRect& whole)
{
    const QRect area = whole.adjusted(whole.width() / 5, whole.height() / 4, -whole.width() / 5,
                                      -whole.height() / 4);
    const qreal scale = shot.devicePixelRatio();
    const QRect pixels(
        QPoint(int(area.left() * scale), int(area.top() * scale)),
        QPoint(int((area.right() + 1) * scale) - 1, int((area.bottom() + 1) * scale) - 1));
    QHash<QRgb, int> counts;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            ++counts[shot.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto each = counts.cbegin(); each != counts.cend(); ++each)
        if (each.value() > most) {
            most = each.value();
            background = each.key();
        }
    double best = 1.0;
    for (auto each = counts.cbegin(); each != counts.cend(); ++each)
        best = std::max(best, contrast(QColor(each.key()), QColor(background)));
    return best;
}

// The window with no headset: the start screen.
QWidget* startScreen(WindowRig& rig)
{
    Velumix& shown = rig.buildWindow();
    shown.show();
    return QTest::qWaitForWindowExposed(&shown) ? &shown : nullptr;
}

QString describe(const QList<QWidget*>& stops)
{
    QStringList names;
    for (QWidget* stop : stops)
        names << stop->objectName();
    return names.join(QStringLiteral(", "));
}

} // namespace

class AccessTest : public QObject
{
    Q_OBJECT
private slots:
    void everyStopIsOnScreenNamedAndRinged_data();
    void everyStopIsOnScreenNamedAndRinged();
    void controlsTellWhatTheyAre();
    void deleteStripNamesItsModeAndGivesTheFocusBack();
    void focusStaysWhereThePersonWorks_data();
    void focusStaysWhereThePersonWorks();
    void modeMenusOpenFromTheKeyboard_data();
    void modeMenusOpenFromTheKeyboard();
    void looksMeetTheirContrast_data();
    void looksMeetTheirContrast();
    void cleanup() { look::setHighContrast(false); }
};

void AccessTest::everyStopIsOnScreenNamedAndRinged_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("fewestStops");
    // Stops that Tab must reach in this order (the screen's, left to right).
    QTest::addColumn<QStringList>("order");

    const auto window = [](WindowRig& rig) -> QWidget* { return &rig.window(); };
    QTest::newRow("surround page with a preset") << Setup([window](WindowRig& rig) {
        return rig.startOnPage(kHalden, SoundPage::Surround) ? window(rig) : nullptr;
    }) << 8 << QStringList{"pushButton_8", "pushButton_Minimize", "pushButton_Close"};
    QTest::newRow("surround page with a custom mode") << Setup([window](WindowRig& rig) {
        return onClub(rig, SoundPage::Surround) ? window(rig) : nullptr;
    }) << 20 << QStringList{"verticalSlider_30_2", "verticalSlider_1k_2", "verticalSlider_16k_2"};
    QTest::newRow("stereo page with a custom mode") << Setup([window](WindowRig& rig) {
        return onClub(rig, SoundPage::Stereo) ? window(rig) : nullptr;
    }) << 20 << QStringList{"verticalSlider_30",  "verticalSlider_60",  "verticalSlider_120",
                            "verticalSlider_250", "verticalSlider_500", "verticalSlider_1k",
                            "verticalSlider_2k",  "verticalSlider_4k",  "verticalSlider_8k",
                            "verticalSlider_16k"};
    QTest::newRow("microphone page") << Setup([window](WindowRig& rig) {
        return rig.startWith(kHalden) && rig.clickTab(kMicrophoneTab) && rig.settle() ? window(rig)
                                                                                      : nullptr;
    }) << 7 << QStringList{"Slider_Voice1_3", "pushButton_2", "pushButton_3"};
    QTest::newRow("start screen") << Setup(startScreen) << 2
                                  << QStringList{"pushButton_Minimize", "pushButton_DefaultClose"};
    QTest::newRow("delete strip open") << Setup([window](WindowRig& rig) {
        return onClub(rig, SoundPage::Surround) &&
                       rig.press(rig.page(SoundPage::Surround).deleteButtons[0])
                   ? window(rig)
                   : nullptr;
    }) << 20 << QStringList{"pushButton_6", "pushButton_7"};
    QTest::newRow("import preview") << Setup([](WindowRig& rig) -> QWidget* {
        if (!rig.startWith(kHalden))
            return nullptr;
        const ImportedMode imported =
            importMode("GraphicEQ: 20 0; 100 4; 1000 0; 20000 -3", "Warm",
                       {kHalden, 48000, SoundPage::Stereo, SoundPage::Stereo});
        auto* preview = new ImportPreview(
            imported, "warm.txt", [](const QString&) { return QString(); }, &rig.window());
        preview->setAttribute(Qt::WA_DeleteOnClose);
        preview->show();
        return QTest::qWaitForWindowExposed(preview) ? preview : nullptr;
    }) << 3 << QStringList{"importPreviewName"};
}

void AccessTest::everyStopIsOnScreenNamedAndRinged()
{
    QFETCH(Setup, setup);
    QFETCH(int, fewestStops);
    QFETCH(QStringList, order);
    WindowRig rig;
    QWidget* window = setup(rig);
    QVERIFY(window);

    const QList<QWidget*> stops = focusChain(window);
    QVERIFY2(stops.size() >= fewestStops, qPrintable(describe(stops)));
    for (QWidget* stop : stops) {
        stop->setFocus(Qt::TabFocusReason);
        const QString problem = stopProblem(stop, window);
        QVERIFY2(problem.isEmpty(), qPrintable(stop->objectName() + ": " + problem));
    }
    // The chain is a ring: read it from the first stop named.
    QList<QWidget*> ring = stops;
    const auto first = std::find_if(ring.begin(), ring.end(), [&order](QWidget* stop) {
        return stop->objectName() == order.first();
    });
    std::rotate(ring.begin(), first, ring.end());
    int last = -1;
    for (const QString& name : order) {
        const auto at = std::find_if(ring.begin(), ring.end(),
                                     [&name](QWidget* stop) { return stop->objectName() == name; });
        QVERIFY2(at != ring.end(), qPrintable(name + " is no stop: " + describe(stops)));
        const int index = int(at - ring.begin());
        QVERIFY2(index > last, qPrintable(name + " comes too early: " + describe(stops)));
        last = index;
    }
}

// Bands with their gain in dB, tabs with the one selected, switch halves
// checked, captions that label their control, picture buttons with names
// and tooltips naming the mode they act on.
void AccessTest::controlsTellWhatTheyAre()
{
    WindowRig rig;
    QVERIFY(onClub(rig, SoundPage::Surround));
    const VelumixClass& ui = rig.window().ui;
    QVERIFY(rig.drag(ui.verticalSlider_60_2, 3));

    QAccessibleInterface* band = QAccessible::queryAccessibleInterface(ui.verticalSlider_60_2);
    QCOMPARE(band->text(QAccessible::Name), QString("60 Hz gain"));
    QCOMPARE(band->text(QAccessible::Value), QString("+3 dB"));
    QCOMPARE(
        QAccessible::queryAccessibleInterface(ui.verticalSlider_16k_2)->text(QAccessible::Name),
        QString("16 kHz gain"));

    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(ui.tabWidget->tabBar());
    QCOMPARE(tabs->childCount(), 3);
    const QStringList tabNames = {"Surround (games)", "Stereo (music)", "Microphone"};
    for (int tab = 0; tab < 3; ++tab) {
        QCOMPARE(tabs->child(tab)->role(), QAccessible::PageTab);
        QCOMPARE(tabs->child(tab)->text(QAccessible::Name), tabNames[tab]);
        QCOMPARE(bool(tabs->child(tab)->state().selected), tab == kSurroundTab);
    }

    QVERIFY(ui.pushButton_4->isChecked());
    QVERIFY(!ui.pushButton_5->isChecked());
    QVERIFY(QAccessible::queryAccessibleInterface(ui.pushButton_4)->state().checked);
    QVERIFY(QAccessible::queryAccessibleInterface(ui.pushButton_4)->state().checkable);

    QAccessibleInterface* volume = QAccessible::queryAccessibleInterface(ui.lineEdit_22);
    QCOMPARE(volume->role(), QAccessible::StaticText);
    QVERIFY(!volume->state().disabled);
    QCOMPARE(volume->text(QAccessible::Name), QString("Volume"));
    const auto labelled = volume->relations(QAccessible::Labelled);
    QCOMPARE(labelled.size(), 1);
    QCOMPARE(labelled.first().first->object(), ui.Slider_Voice1);

    auto* copy = named<QPushButton>(rig.window(), "pushButton_17");
    QCOMPARE(copy->accessibleName(), QString("Copy Club into a new mode"));
    QCOMPARE(copy->toolTip(), copy->accessibleName());
    QCOMPARE(rig.page(SoundPage::Surround).deleteButtons[0]->accessibleName(),
             QString("Delete Club"));
    for (QPushButton* picture : {ui.pushButton_8, ui.pushButton_Minimize, ui.pushButton_Close})
        QVERIFY2(!picture->toolTip().isEmpty() && picture->toolTip() == picture->accessibleName(),
                 qPrintable(picture->objectName()));
}

// The strip asks about the mode by name beside the list, takes the focus,
// gives it back to the row's delete button on Esc and to the list after
// Delete.
void AccessTest::deleteStripNamesItsModeAndGivesTheFocusBack()
{
    WindowRig rig;
    QVERIFY(onClub(rig, SoundPage::Surround));
    Velumix& window = rig.window();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const PageControls controls = rig.page(SoundPage::Surround);
    QPushButton* deleteButton = controls.deleteButtons[0];
    auto* prompt = qobject_cast<QLabel*>(controls.deleteConfirmation[0]);
    QVERIFY(prompt);

    deleteButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(deleteButton, Qt::Key_Space);
    QVERIFY(prompt->isVisible());
    QCOMPARE(prompt->text(), QString("Delete 'Club'?"));
    const QRect row(controls.customSlots[0]->mapTo(&window, QPoint()),
                    controls.customSlots[0]->size());
    QVERIFY(!QRect(prompt->mapTo(&window, QPoint()), prompt->size()).intersects(row));
    QVERIFY2(focused() == controls.deleteConfirmation[1] ||
                 focused() == controls.deleteConfirmation[2],
             qPrintable(focused() ? focused()->objectName() : QString("no focus")));

    QTest::keyClick(focused(), Qt::Key_Escape);
    QVERIFY(!prompt->isVisible());
    QCOMPARE(focused(), deleteButton);
    QCOMPARE(rig.session().unit().slotCount(SoundPage::Surround), 1);

    QTest::keyClick(deleteButton, Qt::Key_Space);
    QTest::keyClick(controls.confirmDelete, Qt::Key_Space);
    QVERIFY(rig.settle());
    QCOMPARE(rig.session().unit().slotCount(SoundPage::Surround), 0);
    QVERIFY(focused());
    QVERIFY2(window.ui.scrollArea->isAncestorOf(focused()) && focused()->isVisible(),
             qPrintable(focused()->objectName()));
}

void AccessTest::focusStaysWhereThePersonWorks_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("focusAfter");
    QTest::newRow("add") << "pushButton_Surround_CustomAdd"
                         << "lineEdit_23";
    QTest::newRow("copy") << "pushButton_17"
                          << "lineEdit_23";
    QTest::newRow("save") << "pushButton_CustomSave"
                          << "verticalSlider_250_2";
    QTest::newRow("reset") << "pushButton_CustomReset"
                           << "verticalSlider_250_2";
}

// A new mode's name box takes the focus; Save and Reset, which turn
// themselves off, leave it on the band last moved.
void AccessTest::focusStaysWhereThePersonWorks()
{
    QFETCH(QString, pressed);
    QFETCH(QString, focusAfter);
    WindowRig rig;
    QVERIFY(onClub(rig, SoundPage::Surround));
    Velumix& window = rig.window();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(rig.drag(window.ui.verticalSlider_250_2, 5));
    auto* button = named<QPushButton>(window, pressed);
    QVERIFY(button->isVisible() && button->isEnabled());

    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    QVERIFY(rig.settle());

    QVERIFY(focused());
    QCOMPARE(focused()->objectName(), focusAfter);
}

void AccessTest::modeMenusOpenFromTheKeyboard_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("entries");
    const QStringList all = {"Import correction file…", "Export as parametric text…",
                             "Export as JSON…"};
    QTest::newRow("Shift+F10 on a custom mode")
        << "radioButton_Surround_Custom1" << int(Qt::Key_F10) << int(Qt::ShiftModifier) << all;
    QTest::newRow("Shift+F10 on Add") << "pushButton_Surround_CustomAdd" << int(Qt::Key_F10)
                                      << int(Qt::ShiftModifier) << QStringList{all.first()};
    QTest::newRow("Space on the menu button")
        << "modeMenuButton" << int(Qt::Key_Space) << int(Qt::NoModifier) << all;
}

void AccessTest::modeMenusOpenFromTheKeyboard()
{
    QFETCH(QString, widget);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, entries);
    WindowRig rig;
    QVERIFY(onClub(rig, SoundPage::Surround));
    Velumix& window = rig.window();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* target = window.ui.widget_2->findChild<QWidget*>(widget);
    QVERIFY(target && target->isVisible());

    QStringList shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                shown << action->text();
            menu->close();
        }
    });
    target->setFocus(Qt::TabFocusReason);
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(shown, entries);
}

// The AA thresholds: 4.5:1 for text, 3:1 for large text, pictures and the
// focus ring.
constexpr double kText = 4.5;
constexpr double kLarge = 3.0;
constexpr double kPicture = 3.0;

using Parts = QList<QPair<QString, double>>;

void AccessTest::looksMeetTheirContrast_data()
{
    QTest::addColumn<bool>("highContrast");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Parts>("parts");

    const Setup surroundEdited([](WindowRig& rig) -> QWidget* {
        return onClub(rig, SoundPage::Surround) && rig.drag(rig.window().ui.verticalSlider_1k_2, 5)
                   ? &rig.window()
                   : nullptr;
    });
    const Setup microphone([](WindowRig& rig) -> QWidget* {
        return rig.startWith(kHalden) && rig.clickTab(kMicrophoneTab) &&
                       rig.press(rig.window().ui.pushButton_2) && rig.settle()
                   ? &rig.window()
                   : nullptr;
    });
    const Setup deleteStrip([](WindowRig& rig) -> QWidget* {
        return onClub(rig, SoundPage::Surround) &&
                       rig.press(rig.page(SoundPage::Surround).deleteButtons[0])
                   ? &rig.window()
                   : nullptr;
    });
    // The default look promises its raised greys and the focus ring only.
    QTest::newRow("default look, raised greys")
        << false << surroundEdited
        << Parts{{"lineEdit_22", kText}, {"radioButton_Surround_DeepBas", kText}};
    QTest::newRow("high contrast, surround page")
        << true << surroundEdited
        << Parts{{"lineEdit_2", kText},
                 {"lineEdit_22", kText},
                 {"lineEdit_7", kText},
                 {"lineEdit_8", kText},
                 {"lineEdit_20", kText},
                 {"radioButton_Surround_DeepBas", kText},
                 {"radioButton_Surround_Customize", kText},
                 {"radioButton_Surround_Custom1", kText},
                 {"pushButton_4", kText},
                 {"pushButton_5", kText},
                 {"lineEdit_23", kText},
                 {"pushButton_CustomReset", kText},
                 {"pushButton_CustomSave", kText},
                 {"pushButton_8", kPicture},
                 {"pushButton_Minimize", kPicture},
                 {"pushButton_Close", kPicture},
                 {"pushButton_17", kPicture},
                 {"pushButton_Surround_CustomClear_2", kPicture},
                 {"pushButton_Surround_CustomAdd", kPicture},
                 // The slider scale's dB column and its unit.
                 {"label_16@22,10,32,350", kText},
                 {"label_16@555,345,30,24", kText},
                 {"tab 0", kPicture},
                 {"tab 1", kPicture},
                 {"tab 2", kPicture}};
    QTest::newRow("high contrast, microphone page")
        << true << microphone
        << Parts{{"lineEdit_16", kText},  {"lineEdit_17", kText},  {"lineEdit_4", kText},
                 {"pushButton_2", kText}, {"pushButton_3", kText}, {"tab 2", kPicture}};
    QTest::newRow("high contrast, start screen")
        << true << Setup(startScreen) << Parts{{"label_DefaultBackground@680,390,300,80", kText}};
    QTest::newRow("high contrast, delete strip")
        << true << deleteStrip
        << Parts{{"label_33", kLarge}, {"pushButton_6", kPicture}, {"pushButton_7", kPicture}};
}

// Each part of the page against its threshold, and the focus ring, as drawn.
void AccessTest::looksMeetTheirContrast()
{
    QFETCH(bool, highContrast);
    QFETCH(Setup, setup);
    QFETCH(Parts, parts);
    look::setHighContrast(highContrast);
    WindowRig rig;
    auto* window = static_cast<Velumix*>(setup(rig));
    QVERIFY(window);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));

    const QImage shot = window->grab().toImage();
    QStringList failing;
    for (const auto& [part, threshold] : parts) {
        const QRect area = partArea(*window, part);
        QVERIFY2(!area.isEmpty(), qPrintable(part + " is not on screen"));
        const double measured = drawnContrast(shot, area);
        if (measured < threshold)
            failing << QStringLiteral("%1 %2:1").arg(part).arg(measured, 0, 'f', 2);
    }
    QVERIFY2(failing.isEmpty(), qPrintable(failing.join(", ")));
    for (QWidget* focusable : {static_cast<QWidget*>(window->ui.pushButton_Close),
                               static_cast<QWidget*>(window->ui.tabWidget->tabBar())}) {
        focusable->setFocus(Qt::TabFocusReason);
        const QString problem = ringProblem(window);
        QVERIFY2(problem.isEmpty(), qPrintable(focusable->objectName() + ": " + problem));
    }
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"

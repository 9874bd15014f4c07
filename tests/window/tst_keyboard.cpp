// The keyboard does what the mouse does: in each window state, a key that
// stands for a click (an arrow or Ctrl+Tab on the tab bar, an arrow or Page
// Up on a band slider, Space on the focused ON or OFF button) leaves the
// headset, the session and Save and Reset exactly as the click does. Each
// side runs in a window of its own, started the same way.

#include "WindowRig.h"

#include <QtTest>

#include <functional>

namespace {

constexpr EqGains kMineGains{2, 4, 6, 3, 0, -2, -4, -1, 1, 3};

using Step = std::function<bool(WindowRig&)>;

// What a person and the headset can tell apart after the action.
struct Seen
{
    Frames frames;
    int tab = -1;
    SoundPage pageShown = SoundPage::Surround;
    std::array<ModeName, 2> modes;
    std::array<EqGains, 2> gains{};
    std::array<bool, 2> edited{};
    std::optional<int> micLevel;
    std::optional<bool> noiseCancellation;
    // Reset and Save of both pages: shown, usable.
    QList<bool> editButtons;

    bool operator==(const Seen& other) const
    {
        return frames == other.frames && tab == other.tab && pageShown == other.pageShown &&
               modes == other.modes && gains == other.gains && edited == other.edited &&
               micLevel == other.micLevel && noiseCancellation == other.noiseCancellation &&
               editButtons == other.editButtons;
    }
};

QString describe(const Seen& seen)
{
    QStringList lines;
    lines << QStringLiteral("%1 frames, tab %2, page %3")
                 .arg(seen.frames.size())
                 .arg(seen.tab)
                 .arg(int(seen.pageShown));
    for (SoundPage page : kSoundPages)
        lines << QStringLiteral("%1: %2 %3, gains %4, edited %5")
                     .arg(algorithmOf(page), seen.modes[int(page)].kind, seen.modes[int(page)].name,
                          gainText(seen.gains[int(page)]))
                     .arg(seen.edited[int(page)]);
    lines << QStringLiteral("microphone %1, noise cancellation %2")
                 .arg(seen.micLevel.value_or(-1))
                 .arg(seen.noiseCancellation ? int(*seen.noiseCancellation) : -1);
    QStringList buttons;
    for (bool on : seen.editButtons)
        buttons << QString::number(on);
    lines << "Reset and Save: " + buttons.join(' ');
    return lines.join('\n');
}

Seen seenIn(WindowRig& rig)
{
    Seen seen;
    HeadsetSession& session = rig.session();
    seen.frames = rig.frames();
    seen.tab = rig.window().ui.tabWidget->currentIndex();
    seen.pageShown = session.pageShown();
    for (SoundPage page : kSoundPages) {
        seen.modes[int(page)] = session.modeName(page);
        seen.gains[int(page)] = session.page(page).gains;
        seen.edited[int(page)] = session.page(page).edited;
        const PageControls controls = rig.page(page);
        for (QPushButton* button : {controls.reset, controls.save})
            seen.editButtons << !button->isHidden() << button->isEnabled();
    }
    seen.micLevel = session.micLevel();
    seen.noiseCancellation = session.noiseCancellation();
    return seen;
}

// Window states the actions start from.
bool onPage(WindowRig& rig, int tab)
{
    return rig.clickTab(tab) && rig.settle();
}

bool onCustomMode(WindowRig& rig, SoundPage page)
{
    const PageControls controls = rig.page(page);
    return rig.openCustomList(controls) && rig.press(controls.customSlots[0]) && rig.settle();
}

bool withNoiseCancellation(WindowRig& rig, bool on)
{
    return onPage(rig, kMicrophoneTab) &&
           rig.press(on ? rig.window().ui.pushButton_2 : rig.window().ui.pushButton_3) &&
           rig.settle();
}

// The actions.
bool key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    widget->setFocus();
    QTest::keyClick(widget, key, modifiers);
    return true;
}

QTabBar* tabBar(WindowRig& rig)
{
    return rig.window().ui.tabWidget->tabBar();
}

QSlider* band(WindowRig& rig, SoundPage page, int number)
{
    return rig.page(page).sliders[size_t(number)];
}

// A drag that ends where the key takes the handle: one step or one page up
// or down.
bool dragBy(WindowRig& rig, SoundPage page, int number, int pages, int steps)
{
    QSlider* slider = band(rig, page, number);
    const int target =
        std::clamp(slider->value() + pages * slider->pageStep() + steps * slider->singleStep(),
                   slider->minimum(), slider->maximum());
    return rig.drag(slider, target);
}

QPushButton* onOff(WindowRig& rig, bool on)
{
    return on ? rig.window().ui.pushButton_2 : rig.window().ui.pushButton_3;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class KeyboardTest : public QObject
{
    Q_OBJECT
private slots:
    void keyDoesWhatTheClickDoes_data();
    void keyDoesWhatTheClickDoes();

private:
    Seen seenAfter(const Step& state, const Step& action);
};

void KeyboardTest::keyDoesWhatTheClickDoes_data()
{
    QTest::addColumn<Step>("state");
    QTest::addColumn<Step>("byKeyboard");
    QTest::addColumn<Step>("byMouse");
    const auto page = [](int tab) { return [tab](WindowRig& rig) { return onPage(rig, tab); }; };
    const auto custom = [](SoundPage which) {
        return [which](WindowRig& rig) { return onCustomMode(rig, which); };
    };
    const auto tabKey = [](Qt::Key pressed, Qt::KeyboardModifiers modifiers = {}) {
        return [pressed, modifiers](WindowRig& rig) {
            return key(pressed == Qt::Key_Tab ? rig.window().ui.tabWidget
                                              : static_cast<QWidget*>(tabBar(rig)),
                       pressed, modifiers);
        };
    };
    const auto clickTab = [](int tab) {
        return [tab](WindowRig& rig) { return rig.clickTab(tab); };
    };

    QTest::newRow("surround page, right arrow")
        << Step(page(kSurroundTab)) << Step(tabKey(Qt::Key_Right)) << Step(clickTab(kStereoTab));
    QTest::newRow("stereo page, left arrow")
        << Step(page(kStereoTab)) << Step(tabKey(Qt::Key_Left)) << Step(clickTab(kSurroundTab));
    QTest::newRow("surround page, Ctrl+Tab")
        << Step(page(kSurroundTab)) << Step(tabKey(Qt::Key_Tab, Qt::ControlModifier))
        << Step(clickTab(kStereoTab));
    QTest::newRow("microphone page, Ctrl+Tab")
        << Step(page(kMicrophoneTab)) << Step(tabKey(Qt::Key_Tab, Qt::ControlModifier))
        << Step(clickTab(kSurroundTab));
    QTest::newRow("stereo custom mode, left arrow")
        << Step(custom(SoundPage::Stereo)) << Step(tabKey(Qt::Key_Left))
        << Step(clickTab(kSurroundTab));
    QTest::newRow("surround custom mode, right arrow")
        << Step(custom(SoundPage::Surround)) << Step(tabKey(Qt::Key_Right))
        << Step(clickTab(kStereoTab));

    for (SoundPage which : kSoundPages) {
        const QByteArray name = algorithmOf(which).toLower().toUtf8();
        QTest::addRow("%s custom mode, up arrow on a band", name.constData())
            << Step(custom(which))
            << Step([which](WindowRig& rig) { return key(band(rig, which, 3), Qt::Key_Up); })
            << Step([which](WindowRig& rig) { return dragBy(rig, which, 3, 0, 1); });
        QTest::addRow("%s custom mode, down arrow on a band", name.constData())
            << Step(custom(which))
            << Step([which](WindowRig& rig) { return key(band(rig, which, 0), Qt::Key_Down); })
            << Step([which](WindowRig& rig) { return dragBy(rig, which, 0, 0, -1); });
        QTest::addRow("%s custom mode, Page Up on a band", name.constData())
            << Step(custom(which))
            << Step([which](WindowRig& rig) { return key(band(rig, which, 9), Qt::Key_PageUp); })
            << Step([which](WindowRig& rig) { return dragBy(rig, which, 9, 1, 0); });
    }

    for (bool on : {true, false}) {
        const QByteArray name = on ? "ON" : "OFF";
        const Step space = [on](WindowRig& rig) { return key(onOff(rig, on), Qt::Key_Space); };
        const Step click = [on](WindowRig& rig) { return rig.press(onOff(rig, on)); };
        QTest::addRow("noise cancellation unknown, Space on %s", name.constData())
            << Step(page(kMicrophoneTab)) << space << click;
        QTest::addRow("noise cancellation on, Space on %s", name.constData())
            << Step([](WindowRig& rig) { return withNoiseCancellation(rig, true); }) << space
            << click;
        QTest::addRow("noise cancellation off, Space on %s", name.constData())
            << Step([](WindowRig& rig) { return withNoiseCancellation(rig, false); }) << space
            << click;
    }
}

// A window of its own in a home of its own: the same start, the same state,
// then the action; frames count from the action on.
Seen KeyboardTest::seenAfter(const Step& state, const Step& action)
{
    const ThrowawayHome home;
    prepareUserFile(
        kHalden, kFirstUnit,
        {customMode("Surround", "Mine", kMineGains), customMode("Stereo", "Mine", kMineGains)});
    WindowRig rig;
    if (!rig.startWith(kHalden) || !state(rig))
        qFatal("the window state could not be reached");
    rig.clearFrames();
    if (!action(rig) || !rig.settle() ||
        !QTest::qWaitFor([&rig] { return !rig.session().throttling(); }))
        qFatal("the action could not be carried out");
    return seenIn(rig);
}

void KeyboardTest::keyDoesWhatTheClickDoes()
{
    QFETCH(Step, state);
    QFETCH(Step, byKeyboard);
    QFETCH(Step, byMouse);

    const Seen keyed = seenAfter(state, byKeyboard);
    const Seen clicked = seenAfter(state, byMouse);

    QVERIFY2(!keyed.frames.empty(), "the key sent nothing to the headset");
    QVERIFY2(keyed == clicked,
             qPrintable("by keyboard:\n" + describe(keyed) + "\nby mouse:\n" + describe(clicked)));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"

// The custom slots as a person sees them: with three custom modes on a page,
// every slot is the widget under the pointer at its centre and a click on it
// selects its mode on the headset, however the preset list is folded; a name
// too long for its slot ends in "…" and shows whole as a tooltip, and the
// name box shows a name from its beginning.

#include "ElidedButtonText.h"
#include "WindowRig.h"

#include <QToolTip>
#include <QtTest>

#include <memory>

namespace {

constexpr int kModesAdded = 3;

enum class Fold
{
    AsOpened,
    Folded,
    FoldedThenUnfolded
};

// The page's fold and unfold buttons, which lie on top of each other.
std::pair<QPushButton*, QPushButton*> foldButtons(Velumix& window, SoundPage page)
{
    VelumixClass& ui = window.ui;
    return page == SoundPage::Surround ? std::pair(ui.pushButton_die1, ui.pushButton_die2)
                                       : std::pair(ui.pushButton_die3, ui.pushButton_die4);
}

bool setFold(WindowRig& rig, SoundPage page, Fold fold)
{
    const auto [foldButton, unfoldButton] = foldButtons(rig.window(), page);
    switch (fold) {
    case Fold::AsOpened:
        return true;
    case Fold::Folded:
        return rig.press(foldButton);
    case Fold::FoldedThenUnfolded:
        return rig.press(foldButton) && rig.press(unfoldButton);
    }
    return false;
}

// The slot's centre in the window's coordinates.
QPoint centreInWindow(QWidget* slot)
{
    return slot->mapTo(slot->window(), slot->rect().center());
}

} // namespace

Q_DECLARE_METATYPE(Fold)

class SlotsOnScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup()
    {
        QToolTip::hideText();
        m_home.reset();
    }

    void everySlotTakesClicks_data();
    void everySlotTakesClicks();
    void longNameIsElidedWithWholeNameAsTooltip_data();
    void longNameIsElidedWithWholeNameAsTooltip();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void SlotsOnScreenTest::everySlotTakesClicks_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<Fold>("fold");
    for (const auto& [pageName, page] :
         {std::pair("surround", SoundPage::Surround), std::pair("stereo", SoundPage::Stereo)})
        for (const auto& [foldName, fold] :
             {std::pair("as opened", Fold::AsOpened), std::pair("folded", Fold::Folded),
              std::pair("folded, unfolded", Fold::FoldedThenUnfolded)})
            QTest::addRow("%s, %s", pageName, foldName) << page << fold;
}

void SlotsOnScreenTest::everySlotTakesClicks()
{
    QFETCH(SoundPage, page);
    QFETCH(Fold, fold);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kMorvik, page));
    const PageControls controls = rig.page(page);
    for (int i = 0; i < kModesAdded; ++i)
        QVERIFY(rig.press(controls.add) && rig.settle());
    QVERIFY(setFold(rig, page, fold));

    // The newest slot is selected; slot 1 first, so that each click is a change.
    for (int slot = 0; slot < kModesAdded; ++slot) {
        QRadioButton* radio = controls.customSlots[slot];
        const QPoint centre = centreInWindow(radio);
        QWidget* underPointer = rig.window().childAt(centre);
        QVERIFY2(underPointer == radio,
                 qPrintable(QStringLiteral("slot %1: %2 lies on top")
                                .arg(slot + 1)
                                .arg(underPointer ? underPointer->objectName() : "nothing")));
        rig.clearFrames();

        QTest::mouseClick(underPointer, Qt::LeftButton, {},
                          underPointer->mapFrom(&rig.window(), centre));

        QVERIFY(rig.settle());
        QCOMPARE(checkedSlot(controls), slot + 1);
        QVERIFY2(!rig.framesWithCode(frame::SetPeq).empty(), "the headset received no mode");
    }
}

void SlotsOnScreenTest::longNameIsElidedWithWholeNameAsTooltip_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("elided");
    const QString longName = QStringLiteral("Late Night Film With Quiet Dialogue");
    QTest::newRow("surround, long") << SoundPage::Surround << longName << true;
    QTest::newRow("stereo, long") << SoundPage::Stereo << longName << true;
    QTest::newRow("stereo, short") << SoundPage::Stereo << QStringLiteral("Film") << false;
}

void SlotsOnScreenTest::longNameIsElidedWithWholeNameAsTooltip()
{
    QFETCH(SoundPage, page);
    QFETCH(QString, name);
    QFETCH(bool, elided);
    prepareUserFile(kMorvik, kFirstUnit, {customMode(algorithmOf(page), name, {})});
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kMorvik, page));
    const PageControls controls = rig.page(page);
    QRadioButton* slot = controls.customSlots[0];
    QCOMPARE(visibleSlotTexts(controls), QStringList{name}); // what code reads stays whole

    const QString shown = shownText(*slot);
    QCOMPARE(shown != name, elided);
    if (elided) {
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(name.startsWith(shown.chopped(1)));
    }
    // The slot draws exactly what a button with the shown text draws.
    QRadioButton twin(slot->parentWidget());
    twin.setAutoExclusive(false);
    twin.setGeometry(slot->geometry());
    twin.setFont(slot->font());
    twin.setObjectName(slot->objectName()); // styled by the same rules
    twin.setStyleSheet(slot->styleSheet());
    twin.setChecked(slot->isChecked());
    twin.setText(shown);
    twin.show();
    QCOMPARE(slot->grab().toImage(), twin.grab().toImage());

    QHelpEvent hover(QEvent::ToolTip, slot->rect().center(),
                     slot->mapToGlobal(slot->rect().center()));
    QApplication::sendEvent(slot, &hover);
    QCOMPARE(QToolTip::text(), elided ? name : QString());

    // The name box shows the name from its beginning, but keeps the cursor
    // where the person types.
    QVERIFY(rig.press(slot));
    QCOMPARE(controls.nameBox->text(), name);
    QCOMPARE(controls.nameBox->cursorPosition(), 0);
    QVERIFY(rig.typeName(controls.nameBox, name + " 2"));
    QCOMPARE(controls.nameBox->cursorPosition(), name.size() + 2);
}

QTEST_MAIN(SlotsOnScreenTest)
#include "tst_slotsonscreen.moc"

#pragma once
// A small control window, shown only with --simulate, that plugs the
// simulated headset in, pulls it out and swaps it for another unit.

#include <QWidget>

class ManualHotplugSource;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class SimulatedHidBackend;

class SimulatorPanel : public QWidget
{
    Q_OBJECT
public:
    SimulatorPanel(SimulatedHidBackend& backend, ManualHotplugSource& hotplug,
                   const QList<quint16>& productIds, int unit, QWidget* parent = nullptr);

    int currentUnit() const { return m_unit; }

public slots:
    void plugIn();
    void pullOut();
    // Pulls the current unit out and plugs in a new one with the chosen
    // product ID and identity.
    void plugInNewUnit();

private:
    void showState();
    void applyReportedPage();

    SimulatedHidBackend& m_backend;
    ManualHotplugSource& m_hotplug;
    int m_unit;
    QLabel* m_state;
    QComboBox* m_productId;
    QLineEdit* m_identity;
    QCheckBox* m_stereoState;
};

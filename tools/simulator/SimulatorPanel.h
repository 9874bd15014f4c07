#pragma once
// A small control window, shown only with --simulate, that plugs the
// simulated headset in, pulls it out and swaps it for another unit.

#include "RemoteProtocol.h"

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

    // The local channel's "simulate" command: what the buttons and the check
    // box do, chosen by its "action"; reports the current unit.
    remote::Result runSimulateCommand(const remote::Request& request);

public slots:
    void plugIn();
    void pullOut();
    // Pulls the current unit out and plugs in a new one with the chosen
    // product ID and identity.
    void plugInNewUnit();

private:
    void showState();
    void applyReportedPage();
    // The actions of runSimulateCommand, with their checked arguments.
    void plugInAction(const QJsonObject& arguments);
    void pullOutAction(const QJsonObject& arguments);
    void newUnitAction(const QJsonObject& arguments);
    void reportPageAction(const QJsonObject& arguments);
    QJsonObject unitState() const;

    SimulatedHidBackend& m_backend;
    ManualHotplugSource& m_hotplug;
    int m_unit;
    QLabel* m_state;
    QComboBox* m_productId;
    QLineEdit* m_identity;
    QCheckBox* m_stereoState;
};

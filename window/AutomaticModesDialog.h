#pragma once
// The "Automatic modes" list: each rule's application, page and mode, as the
// session's automatic modes hold them, with a form to add a rule (from the
// applications playing now or by name), change the one selected, or remove
// it. Widgets only: every change goes to the session, and the list shows
// what the session then has. Usable by keyboard; each control has a name.

#include <QDialog>

class AutomaticModes;
class HeadsetSession;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class AutomaticModesDialog : public QDialog
{
    Q_OBJECT

public:
    AutomaticModesDialog(AutomaticModes& automatic, HeadsetSession& session,
                         QWidget* parent = nullptr);

    QTableWidget* list() const { return m_list; }
    QComboBox* application() const { return m_application; }
    QComboBox* page() const { return m_page; }
    QComboBox* mode() const { return m_mode; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QLabel* message() const { return m_message; }

private:
    void showRules();
    void showPlaying();
    void showModes();
    void takeSelected();
    void addRule();
    void removeRule();
    void say(const QString& text);

    AutomaticModes& m_automatic;
    HeadsetSession& m_session;
    QTableWidget* m_list;
    QComboBox* m_application;
    QComboBox* m_page;
    QComboBox* m_mode;
    QPushButton* m_add;
    QPushButton* m_remove;
    QLabel* m_message;
};

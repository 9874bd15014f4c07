#pragma once
// Before an imported correction becomes a custom mode: the correction's
// target and the curve the ten bands make of it, the largest difference left
// between them, the fitted gains, and a name for the new mode.

#include "ModeImport.h"

#include <QDialog>

#include <functional>

class QCustomPlot;
class QLabel;
class QLineEdit;
class QPushButton;

class ImportPreview : public QDialog
{
    Q_OBJECT

public:
    // `nameProblem` says why a name cannot be used, empty when it can; Save
    // closes the dialog only with a usable name.
    ImportPreview(const ImportedMode& imported, const QString& fileName,
                  std::function<QString(const QString&)> nameProblem, QWidget* parent);

    QString modeName() const;

    QCustomPlot* plot() const { return m_plot; }
    QLabel* errorLabel() const { return m_error; }
    QLineEdit* nameBox() const { return m_name; }
    QLabel* nameProblemLabel() const { return m_nameProblem; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void drawCurves(const ImportedMode& imported);
    void trySave();

    std::function<QString(const QString&)> m_nameProblemOf;
    QCustomPlot* m_plot = nullptr;
    QLabel* m_error = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_nameProblem = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

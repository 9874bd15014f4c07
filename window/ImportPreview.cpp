#include "ImportPreview.h"

#include "FocusRing.h"
#include "Look.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace {

const QColor kBackground(30, 30, 30);
const QColor kAxisGrey(120, 120, 120);
const QColor kTargetGrey(200, 200, 200);
const QColor kFitOrange(255, 171, 62);
constexpr int kPlotWidth = 560;
constexpr int kPlotHeight = 260;
constexpr double kLowestShownDb = -15;
constexpr double kHighestShownDb = 15;

constexpr char kDialogStyle[] =
    "QDialog{background-color:rgb(30,30,30);}"
    "QLabel{color:rgb(200,200,200);font-size:13px;}"
    "QLineEdit{color:rgb(255,255,255);background-color:rgb(50,50,50);border:none;"
    "border-radius:7px;padding:4px 8px;font-size:13px;}";
constexpr char kProblemStyle[] = "QLabel{color:rgb(255,90,90);font-size:12px;}";
constexpr char kCancelStyle[] = "QPushButton{color:rgb(200,200,200);border:none;border-radius:7px;"
                                "background-color:rgb(50,50,50);padding:6px 18px;}";
constexpr char kSaveStyle[] = "QPushButton{color:rgb(255,255,255);border:none;border-radius:7px;"
                              "background-color:rgb(255,171,62);padding:6px 18px;}";

QString gainsText(const EqGains& gains)
{
    QStringList texts;
    for (int gain : gains)
        texts << (gain > 0 ? QStringLiteral("+%1").arg(gain) : QString::number(gain));
    return texts.join(QStringLiteral("  "));
}

void setAxisGrey(QCPAxis* axis)
{
    const QPen pen(kAxisGrey);
    axis->setBasePen(pen);
    axis->setTickPen(pen);
    axis->setSubTickPen(pen);
    axis->setTickLabelColor(kTargetGrey);
    axis->setLabelColor(kTargetGrey);
    axis->grid()->setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
    axis->grid()->setZeroLinePen(QPen(kAxisGrey));
}

// The band centres, labelled as under the window's sliders.
QSharedPointer<QCPAxisTickerText> bandTicker()
{
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    for (uint16_t hz : frame::kBandFrequencies)
        ticker->addTick(hz,
                        hz >= 1000 ? QStringLiteral("%1k").arg(hz / 1000) : QString::number(hz));
    return ticker;
}

} // namespace

ImportPreview::ImportPreview(const ImportedMode& imported, const QString& fileName,
                             std::function<QString(const QString&)> nameProblem, QWidget* parent)
    : QDialog(parent), m_nameProblemOf(std::move(nameProblem))
{
    setWindowTitle(tr("Import %1").arg(fileName));
    look::setStyleSheet(this, kDialogStyle);
    setModal(true);

    auto* heading =
        new QLabel(tr("The correction (grey) and what the ten bands make of it (orange):"), this);
    m_plot = new QCustomPlot(this);
    m_plot->setObjectName("importPreviewPlot");
    m_plot->setMinimumSize(kPlotWidth, kPlotHeight);
    drawCurves(imported);

    m_error = new QLabel(
        tr("Largest remaining difference: %1 dB").arg(imported.fit.maxErrorDb, 0, 'f', 1), this);
    m_error->setObjectName("importPreviewError");
    auto* gains = new QLabel(tr("Band gains (dB): %1").arg(gainsText(imported.fit.gains)), this);

    auto* nameLabel = new QLabel(tr("Name:"), this);
    m_name = new QLineEdit(imported.mode.name, this);
    m_name->setObjectName("importPreviewName");
    nameLabel->setBuddy(m_name);
    m_nameProblem = new QLabel(this);
    look::setStyleSheet(m_nameProblem, kProblemStyle);
    m_nameProblem->setWordWrap(true);
    m_nameProblem->hide();

    m_cancel = new QPushButton(tr("Cancel"), this);
    look::setStyleSheet(m_cancel, kCancelStyle);
    m_save = new QPushButton(tr("Save"), this);
    look::setStyleSheet(m_save, kSaveStyle);
    m_save->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &ImportPreview::trySave);
    connect(m_name, &QLineEdit::textEdited, m_nameProblem, &QLabel::hide);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_error);
    layout->addWidget(gains);
    layout->addLayout(nameRow);
    layout->addWidget(m_nameProblem);
    layout->addLayout(buttons);
    new FocusRing(this);
}

QString ImportPreview::modeName() const
{
    return m_name->text();
}

// The target as the fit reads it and the bands' response with the fitted
// gains, on one log-frequency grid over the audible range.
void ImportPreview::drawCurves(const ImportedMode& imported)
{
    m_plot->setBackground(kBackground);
    m_plot->axisRect()->setBackground(kBackground);
    m_plot->xAxis->setScaleType(QCPAxis::stLogarithmic);
    m_plot->xAxis->setTicker(bandTicker());
    m_plot->xAxis->setRange(kLowestCurveHz, kHighestCurveHz);
    m_plot->xAxis->setLabel(tr("Hz"));
    m_plot->yAxis->setRange(kLowestShownDb, kHighestShownDb);
    m_plot->yAxis->setLabel(tr("dB"));
    setAxisGrey(m_plot->xAxis);
    setAxisGrey(m_plot->yAxis);

    const Curve fitted = headsetResponse(imported.fit.gains, imported.bands, kPlotPoints);
    QVector<double> hz;
    QVector<double> target;
    QVector<double> fit;
    for (const CurvePoint& point : fitted) {
        hz << point.hz;
        target << curveValueAt(imported.target, point.hz);
        fit << point.db;
    }
    QCPGraph* targetGraph = m_plot->addGraph();
    targetGraph->setName(tr("Target"));
    targetGraph->setPen(QPen(kTargetGrey, 1.5, Qt::DashLine));
    targetGraph->setData(hz, target, true);
    QCPGraph* fitGraph = m_plot->addGraph();
    fitGraph->setName(tr("Fitted"));
    fitGraph->setPen(QPen(kFitOrange, 2));
    fitGraph->setData(hz, fit, true);
    m_plot->setAntialiasedElements(QCP::aePlottables);
}

void ImportPreview::trySave()
{
    const QString problem = m_nameProblemOf ? m_nameProblemOf(m_name->text()) : QString();
    if (problem.isEmpty()) {
        accept();
        return;
    }
    m_nameProblem->setText(problem);
    m_nameProblem->show();
}

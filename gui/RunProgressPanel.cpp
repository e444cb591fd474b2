#include "gui/RunProgressPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace qel {

namespace {

// The bar counts in steps of a thousandth, so that counts beyond what an
// int holds still move it.
constexpr int kBarSteps = 1000;

} // namespace

RunProgressPanel::RunProgressPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("runProgress"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("runProgressBar"));
    bar_->setRange(0, kBarSteps);
    bar_->setValue(0);
    bar_->setTextVisible(true);
    bar_->setFormat(QString());
    rate_ = new QLabel(this);
    rate_->setObjectName(QStringLiteral("runRateLine"));
    rate_->setTextFormat(Qt::PlainText);
    // Room for a long rate and time, so the bar does not jump as they change.
    TableProgress wide;
    wide.done = 99999999;
    wide.total = 999999999;
    wide.estimated = true;
    wide.seconds = 9999;
    rate_->setMinimumWidth(rate_->fontMetrics().horizontalAdvance(ProgressDetailText(wide)));
    stop_ = new QPushButton(QStringLiteral("Stop"), this);
    stop_->setObjectName(QStringLiteral("stopButton"));
    stop_->setAutoDefault(false);
    stop_->setEnabled(false);
    stop_->setToolTip(QStringLiteral("Ends the clean-up after the batch in flight; every row deleted so far "
                                     "is in the backup, and a later run goes on from there"));
    connect(stop_, &QPushButton::clicked, this, &RunProgressPanel::RequestStop);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(bar_, 1);
    row->addWidget(rate_);
    row->addWidget(stop_);
}

void RunProgressPanel::Begin(bool stoppable)
{
    running_ = true;
    stopRequested_ = false;
    bar_->setRange(0, 0); // moving until the first count arrives
    bar_->setFormat(QString());
    rate_->clear();
    stop_->setEnabled(stoppable);
}

void RunProgressPanel::Show(const TableProgress& progress)
{
    if (!running_)
        return;
    bar_->setRange(0, kBarSteps);
    const double share = progress.total <= 0
        ? 1.0
        : std::clamp(static_cast<double>(progress.done) / static_cast<double>(progress.total), 0.0, 1.0);
    bar_->setValue(static_cast<int>(share * kBarSteps)); // within 0..kBarSteps
    QString table = progress.table;
    bar_->setFormat(table.replace(QLatin1Char('%'), QLatin1String("%%")) + QLatin1String("  %p%"));
    if (!stopRequested_) // the line says the run is stopping until it has
        rate_->setText(ProgressDetailText(progress));
}

void RunProgressPanel::End()
{
    running_ = false;
    if (bar_->maximum() == 0)
        bar_->setRange(0, kBarSteps); // a bar that never had a count stops moving
    stop_->setEnabled(false);
    // "Stopping after this batch" is over once the run has ended.
    if (stopRequested_)
        rate_->setText(QStringLiteral("Stopped"));
}

void RunProgressPanel::RequestStop()
{
    if (!running_)
        return;
    stopRequested_ = true;
    stop_->setEnabled(false);
    rate_->setText(QStringLiteral("Stopping after this batch"));
}

} // namespace qel

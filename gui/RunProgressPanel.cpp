#include "gui/RunProgressPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

namespace qel {

namespace {

// The bar counts in steps of a thousandth, so that counts beyond what an
// int holds still move it.
constexpr int kBarSteps = 1000;

QString TimeLeftText(double seconds)
{
    const long long s = std::llround(seconds);
    if (s < 90)
        return QStringLiteral("about %1 s left").arg(s);
    const long long minutes = (s + 30) / 60;
    if (minutes < 90)
        return QStringLiteral("about %1 min left").arg(minutes);
    return QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

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
    rate_->setMinimumWidth(rate_->fontMetrics().horizontalAdvance(RateText(999999, 5 * 3600 + 59 * 60)));
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

void RunProgressPanel::Show(long long done, long long toDo, double rowsPerSecond, double secondsLeft)
{
    if (!running_)
        return;
    if (toDo < 0) {
        bar_->setRange(0, 0);
        bar_->setFormat(QLocale().toString(static_cast<qlonglong>(done)));
    } else {
        bar_->setRange(0, kBarSteps);
        const double share = toDo == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(toDo));
        bar_->setValue(static_cast<int>(share * kBarSteps));
        bar_->setFormat(QStringLiteral("%1 / %2")
                            .arg(QLocale().toString(static_cast<qlonglong>(done)),
                                 QLocale().toString(static_cast<qlonglong>(toDo))));
    }
    if (!stopRequested_) // the line says the run is stopping until it has
        rate_->setText(RateText(rowsPerSecond, secondsLeft));
}

void RunProgressPanel::End()
{
    running_ = false;
    if (bar_->maximum() == 0)
        bar_->setRange(0, kBarSteps); // a bar that never had a count stops moving
    stop_->setEnabled(false);
}

void RunProgressPanel::RequestStop()
{
    if (!running_)
        return;
    stopRequested_ = true;
    stop_->setEnabled(false);
    rate_->setText(QStringLiteral("Stopping after this batch"));
}

QString RunProgressPanel::RateText(double rowsPerSecond, double secondsLeft)
{
    QStringList parts;
    if (rowsPerSecond >= 0)
        parts << QStringLiteral("%1 rows/s").arg(QLocale().toString(static_cast<qlonglong>(std::llround(rowsPerSecond))));
    if (secondsLeft >= 0)
        parts << TimeLeftText(secondsLeft);
    return parts.join(QStringLiteral(", "));
}

} // namespace qel

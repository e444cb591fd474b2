#include "gui/BackupSection.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qel {

namespace {

// The values of BackupType the section writes.
constexpr qint32 kNoBackup = 0;
constexpr qint32 kSqlDatabase = 1;
constexpr qint32 kAccessFile = 2;

template <typename T>
T* Named(T* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

} // namespace

BackupSection::BackupSection(const DialogUnits& units, QWidget* parent)
    : QGroupBox(QStringLiteral("Backup before deleting"), parent)
{
    setObjectName(QStringLiteral("groupBackup"));
    none_ = Named(new QRadioButton(QStringLiteral("No backup"), this), "noBackupRadio");
    sql_ = Named(new QRadioButton(QStringLiteral("SQL database:"), this), "sqlBackupRadio");
    access_ = Named(new QRadioButton(QStringLiteral("Access file:"), this), "accessBackupRadio");
    statTgt_ = Named(new QLineEdit(this), "statTgtEdit");
    accessTgt_ = Named(new QLineEdit(this), "accessTgtEdit");
    browse_ = Named(new QPushButton(QStringLiteral("Browse..."), this), "browseBackupButton");
    browse_->setAutoDefault(false);
    auto* syntaxLabel = Named(new QLabel(QStringLiteral("Statistics database syntax:"), this), "labelSourceSyntax");
    syntax_ = Named(new QComboBox(this), "sourceSyntaxCombo");
    syntax_->addItems({QStringLiteral("SQL Server"), QStringLiteral("Access")});
    syntaxLabel->setBuddy(syntax_);

    statTgt_->setToolTip(QStringLiteral("Connection string of the database that receives a copy of every deleted row"));
    accessTgt_->setToolTip(QStringLiteral("Access file that receives a copy of every deleted row"));
    syntax_->setToolTip(QStringLiteral("How dates are written in the statistics database's SQL: "
                                       "'...' for SQL Server, #...# for Access"));

    auto* kinds = new QButtonGroup(this);
    for (QRadioButton* kind : {none_, sql_, access_})
        kinds->addButton(kind);
    connect(kinds, &QButtonGroup::buttonToggled, this, &BackupSection::EnableTargets);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(units.x(4));
    grid->setVerticalSpacing(units.y(4));
    grid->addWidget(none_, 0, 0);
    auto* syntax = new QHBoxLayout;
    syntax->addStretch();
    syntax->addWidget(syntaxLabel);
    syntax->addWidget(syntax_);
    grid->addLayout(syntax, 0, 1, 1, 2);
    grid->addWidget(sql_, 1, 0);
    grid->addWidget(statTgt_, 1, 1, 1, 2);
    grid->addWidget(access_, 2, 0);
    grid->addWidget(accessTgt_, 2, 1);
    grid->addWidget(browse_, 2, 2);
    grid->setColumnStretch(1, 1);

    none_->setChecked(true);
    EnableTargets();
}

void BackupSection::UpdateData(CleanupSettings& settings, bool save)
{
    if (save) {
        settings.statTgt = statTgt_->text();
        settings.accessTgt = accessTgt_->text();
        settings.backupType = none_->isChecked() ? kNoBackup : access_->isChecked() ? kAccessFile : kSqlDatabase;
        settings.sourceSQL = syntax_->currentIndex() == 0 ? 1 : 0;
        return;
    }
    for (auto [edit, text] : {std::pair{statTgt_, &settings.statTgt}, std::pair{accessTgt_, &settings.accessTgt}}) {
        edit->setText(*text);
        edit->setCursorPosition(0);
    }
    (settings.backupType == kNoBackup ? none_ : settings.backupType == kAccessFile ? access_ : sql_)->setChecked(true);
    syntax_->setCurrentIndex(settings.sourceSQL != 0 ? 0 : 1);
}

QLineEdit* BackupSection::targetEdit(const QString& key) const
{
    if (key == QLatin1String("StatTgt"))
        return statTgt_;
    if (key == QLatin1String("AccessTgt"))
        return accessTgt_;
    return nullptr;
}

void BackupSection::EnableTargets()
{
    statTgt_->setEnabled(sql_->isChecked());
    accessTgt_->setEnabled(access_->isChecked());
    browse_->setEnabled(access_->isChecked());
}

} // namespace qel

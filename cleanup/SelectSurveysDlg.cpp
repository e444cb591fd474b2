#include "SelectSurveysDlg.h"

#include <QDialogButtonBox>
#include <QTreeWidget>
#include <QVBoxLayout>

CSelectSurveysDlg::CSelectSurveysDlg(const QString& connection, QWidget* parent)
    : QDialog(parent), m_strConnect(connection)
{
    auto* layout = new QVBoxLayout(this);
    m_SurveyList = new QTreeWidget(this);
    layout->addWidget(m_SurveyList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

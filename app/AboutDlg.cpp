#include "AboutDlg.h"

#include "DialogTemplateWidgets.h"

#include <DialogTemplates.h>

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    BuildFromTemplate(*this, AboutBoxTemplate());
    if (auto* ok = findChild<QPushButton*>(QString::number(IDC_OK)))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

#include "gui/AboutDialog.h"

#include "gui/DialogBuilder.h"
#include "gui/DialogLayouts.h"

#include <QPushButton>

namespace qel {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    ArrangeAboutBox(*this, BuildFromTemplate(*this, AboutBoxTemplate()));
    if (auto* ok = findChild<QPushButton*>(QStringLiteral("okButton")))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace qel

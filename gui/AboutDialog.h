#pragma once

#include <QDialog>

namespace qel {

// The About box: the application icon, the version and a line about the
// tool, and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace qel

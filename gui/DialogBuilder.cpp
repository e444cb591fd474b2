#include "gui/DialogBuilder.h"

#include "gui/Artwork.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

namespace qel {

namespace {

// Group boxes drawn as the templates mean them, whatever the desktop's
// style: the title set into the top line of its own frame, the frame
// around the group's controls.
const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 0.6em; padding-top: 0.4em; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 0.6em; padding: 0 0.2em; }";

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// A picture drawn for the screen's pixel ratio, so that it stays sharp on
// a high-resolution screen.
QPixmap Sharp(const QWidget& window, const QSize& size, QPixmap (*draw)(const QSize&))
{
    const qreal ratio = window.devicePixelRatioF();
    QPixmap pixmap = draw((QSizeF(size) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap SquareIcon(const QSize& size)
{
    return AppIconPixmap(qMin(size.width(), size.height()));
}

QWidget* MakeControl(QDialog& dialog, const ControlTemplate& c, const QSize& size)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, &dialog);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    case ControlKind::Label:
        return MakeLabel(&dialog, text);
    case ControlKind::StatusLine: {
        QLabel* label = MakeLabel(&dialog, text);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // A long text is cut at the edge instead of widening the window.
        label->setMinimumWidth(1);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(&dialog);
        edit->setFocusPolicy(Qt::StrongFocus);
        return edit;
    }
    case ControlKind::DatePicker: {
        auto* picker = new QDateEdit(&dialog);
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(ShortDateFormat());
        picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
        picker->setFocusPolicy(Qt::StrongFocus);
        return picker;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, &dialog);
        const bool isDefault = c.kind == ControlKind::DefPushButton;
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    }
    case ControlKind::Picture: {
        auto* picture = new QLabel(&dialog);
        picture->setPixmap(Sharp(dialog, size, LogoPicture));
        picture->setFixedSize(size);
        return picture;
    }
    case ControlKind::CheckBox: {
        auto* check = new QCheckBox(text, &dialog);
        check->setFocusPolicy(Qt::StrongFocus);
        return check;
    }
    case ControlKind::ListView: {
        auto* list = new QTreeWidget(&dialog);
        list->setRootIsDecorated(false);
        list->setItemsExpandable(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setFocusPolicy(Qt::StrongFocus);
        return list;
    }
    case ControlKind::Icon: {
        auto* icon = new QLabel(&dialog);
        icon->setPixmap(Sharp(dialog, size, SquareIcon));
        icon->setFixedSize(size);
        return icon;
    }
    }
    return nullptr;
}

} // namespace

QString ShortDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

DialogUnits BuildFromTemplate(QDialog& dialog, const DialogTemplate& t)
{
    dialog.setWindowTitle(QString::fromUtf8(t.title));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint);
    dialog.setStyleSheet(QLatin1String(kGroupBoxStyle));

    // The desktop's font, as the dialog inherits it from the application.
    const DialogUnits units(dialog.font());
    for (const ControlTemplate& c : t.controls) {
        QWidget* control = MakeControl(dialog, c, units.size(c.width, c.height));
        control->setObjectName(QString::fromLatin1(c.name));
    }
    return units;
}

} // namespace qel

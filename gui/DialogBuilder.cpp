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

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QWidget* MakeControl(QDialog& dialog, const ControlTemplate& c, const QRect& geometry)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, &dialog);
        group->setFocusPolicy(Qt::NoFocus);
        // A frame drawn around other controls; it must not take their clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case ControlKind::Label:
        return MakeLabel(&dialog, text);
    case ControlKind::StatusLine: {
        QLabel* label = MakeLabel(&dialog, text);
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
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
        picture->setPixmap(LogoPicture(geometry.size()));
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
        icon->setPixmap(AppIconPixmap(qMin(geometry.width(), geometry.height())));
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
    dialog.setFont(DialogUnits::TemplateFont(t.fontFace, t.pointSize));

    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.size(t.width, t.height));

    QList<QWidget*> groups;
    for (const ControlTemplate& c : t.controls) {
        const QRect geometry = units.rect(c.x, c.y, c.width, c.height);
        QWidget* control = MakeControl(dialog, c, geometry);
        control->setObjectName(QString::fromLatin1(c.name));
        control->setGeometry(geometry);
        if (c.kind == ControlKind::GroupBox)
            groups << control;
    }
    // Group boxes are stacked beneath every other control, as a frame.
    for (QWidget* group : groups)
        group->lower();
    return units;
}

} // namespace qel

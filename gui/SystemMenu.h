#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

namespace qel {

// The window's own menu entries beside the move/close commands. On Windows
// they go into the native system menu; elsewhere, where the window manager
// owns that menu, into the window's context menu, with F1 for the first.

// Appends a separator and an entry with the given text and command id.
// On Windows the command arrives as a system command (see
// SystemCommandOf); elsewhere choosing the entry calls onCommand directly.
void AppendSystemMenuEntry(QWidget& window, const QString& text, int commandId,
                           const std::function<void(int)>& onCommand);

// The command id of a native system-command message, or -1 for any other
// message (and always -1 outside Windows).
int SystemCommandOf(const QByteArray& eventType, void* message);

} // namespace qel

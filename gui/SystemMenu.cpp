#include "gui/SystemMenu.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QAction>
#include <QKeySequence>
#endif

namespace qel {

#ifdef Q_OS_WIN

void AppendSystemMenuEntry(QWidget& window, const QString& text, int commandId, const std::function<void(int)>&)
{
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (!menu)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commandId), reinterpret_cast<LPCWSTR>(text.utf16()));
}

int SystemCommandOf(const QByteArray& eventType, void* message)
{
    if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG")
        return -1;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_SYSCOMMAND)
        return -1;
    return static_cast<int>(msg->wParam);
}

#else

void AppendSystemMenuEntry(QWidget& window, const QString& text, int commandId,
                           const std::function<void(int)>& onCommand)
{
    auto* entry = new QAction(text, &window);
    entry->setObjectName(QStringLiteral("systemMenu%1").arg(commandId));
    if (window.actions().isEmpty()) {
        // The first entry of the menu: no separator above it, and F1.
        entry->setShortcut(QKeySequence(Qt::Key_F1));
        entry->setShortcutContext(Qt::WindowShortcut);
    } else {
        auto* separator = new QAction(&window);
        separator->setSeparator(true);
        window.addAction(separator);
    }
    QObject::connect(entry, &QAction::triggered, &window, [onCommand, commandId] { onCommand(commandId); });
    window.addAction(entry);
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
}

int SystemCommandOf(const QByteArray&, void*)
{
    return -1;
}

#endif

} // namespace qel

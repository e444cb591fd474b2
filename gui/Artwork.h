#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace qel {

// The program's pictures, drawn in code: the application icon (a database
// being swept clean) and the picture beside the connection strings.

// The icon at one square size in pixels.
QPixmap AppIconPixmap(int size);

// The application icon with its small and large sizes.
QIcon AppIcon();

// The main window's picture, filling the given size.
QPixmap LogoPicture(const QSize& size);

} // namespace qel

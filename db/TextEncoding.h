#pragma once

namespace qel {

class Connection;

// How a connection's driver carries texts at the least cost without loss.
// UTF-16 through the wide C type is what every driver supports; a driver
// that hands UTF-8 through the narrow C type unchanged, both ways (the
// SQLite driver, whose database stores UTF-8), spares a conversion of every
// value in each direction.
enum class TextEncoding { Utf16, Utf8 };

// Asks the driver, with a text of letters outside ASCII read and bound
// through the narrow C type, whether it passes UTF-8 unchanged. Only SQLite
// connections are asked; every other answers UTF-16.
TextEncoding ProbeTextEncoding(Connection& connection);

} // namespace qel

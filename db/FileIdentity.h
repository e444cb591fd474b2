#pragma once

#include <QString>

namespace qel {

// What makes a file the file it is, whatever path leads to it: the device
// and inode on POSIX systems, the volume serial number and file index on
// Windows. Two paths name the same file exactly when their identities are
// equal: hard links, bind mounts, symbolic links and letter case are all
// seen through. Empty when the file cannot be examined (it does not exist).
QString FileIdentity(const QString& path);

} // namespace qel

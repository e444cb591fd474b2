#include "QelBackupApp.h"

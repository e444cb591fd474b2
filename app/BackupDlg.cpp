#include "BackupDlg.h"

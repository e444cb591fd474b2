#include "DialogUnits.h"

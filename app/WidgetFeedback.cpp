#include "WidgetFeedback.h"

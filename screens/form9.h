#pragma once

#include "screens/screendeclaration.h"

/// "Record of engineer's works": SCHEDULE, each work described in a
/// word-processor document.
ScreenDeclaration form9Declaration();

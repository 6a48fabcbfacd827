#pragma once

#include "screens/screendeclaration.h"

/// " material to borrow a place": lendings and returns of MBBR, and the
/// stock update of the material lent or returned.
ScreenDeclaration form7Declaration();

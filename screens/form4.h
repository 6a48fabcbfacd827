#pragma once

#include "screens/screendeclaration.h"

/// "Customer basic data": the customers of CF, with their trade.
ScreenDeclaration form4Declaration();

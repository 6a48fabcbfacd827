#pragma once

#include "screens/screendeclaration.h"

/// "Data of suppliers ": the suppliers of material in SUPPLIER.
ScreenDeclaration form10Declaration();

#pragma once

#include "screens/screendeclaration.h"

/// "Mend maintenance record": the maintenance lists of MTR, with contract,
/// trade and engineer.
ScreenDeclaration form2Declaration();

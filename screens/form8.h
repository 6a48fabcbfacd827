#pragma once

#include "screens/screendeclaration.h"

/// "Employee's basic Data": the employees of EMPLOYEE with their pictures,
/// stepped through with move buttons.
ScreenDeclaration form8Declaration();

#pragma once

#include "screens/screendeclaration.h"

/// "Customer": the service calls of CSF, with customer, engineer and trade.
ScreenDeclaration form1Declaration();

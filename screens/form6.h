#pragma once

#include "screens/screendeclaration.h"

/// "Dada of material stock": the materials of MSF, with their supplier.
ScreenDeclaration form6Declaration();

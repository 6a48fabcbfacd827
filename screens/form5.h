#pragma once

#include "screens/screendeclaration.h"

/// "Dada of customer contace": the contracts of CC, with their documents.
ScreenDeclaration form5Declaration();

#pragma once

#include "screens/screendeclaration.h"

/// "Technique paper No.": the technical papers of TP, with customer and trade.
ScreenDeclaration form3Declaration();

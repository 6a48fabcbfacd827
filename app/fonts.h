#pragma once

/// Maps the screens' font families to the fonts this system ships.
void installFontSubstitutes();

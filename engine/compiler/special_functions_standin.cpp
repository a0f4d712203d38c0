// Stand-in for the installation of the special functions until their area lands: installs none,
// so a program that calls one is refused as calling an unknown function.
#include "engine/compiler/compiler_driver.h"

int install_special_functions(RSKCMPCON*) { return 0; }

// Expansion of configured paths: "!NAME" stands for the value of the environment variable NAME
// up to the next "/" or the end of the text.
#pragma once
#include "engine/tables/control_structure.h"

// Copies the text (negative length: NUL-terminated) into the path record with every "!NAME"
// replaced. 1 when a variable is not set or the result exceeds 1024 characters; else 0.
int expand_path(const char* text, int length, RSKPATHNAME* out);

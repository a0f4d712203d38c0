// Arrays: variables of data type ARRAY whose value is a vector, either made of risk-factor
// elements (a term structure, sorted by maturity) or laid on a time grid.
#pragma once
#include "engine/tables/control_structure.h"

// Appends an element name (length < 0: NUL-terminated) and checks the element. 0 or 1.
int rskarya(RSKCON* con, RSKVARIABLE* array, const char* element, int length);
// Builds the element and maturity vectors (elements sorted by maturity unless the role is VAR).
int rskaryb(RSKCON* con, RSKVARIABLE* array);
// Gives back the element names and frees the vectors; the element count becomes 0.
int rskaryc(RSKCON* con, RSKVARIABLE* array);
// Prints the array with its elements. 0.
int rskaryp(RSKCON* con, RSKVARIABLE* array);
// Fills the array's value vector before use: elements' values, or missing for a grid array.
int rskaryi(RSKCON* con, RSKVARIABLE* array);
// Copies the elements' current values into the array's value vector (grid arrays: nothing).
int rskaryl(RSKCON* con, RSKVARIABLE* array);
// Copies the array's values back into its elements (grid arrays: nothing).
int rskarys(RSKCON* con, RSKVARIABLE* array);
// Allocates and fills the first (which = 1) or second derivative vector. 0 or 1.
int rskaryd(RSKCON* con, RSKVARIABLE* array, int which);

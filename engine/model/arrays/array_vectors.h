// The vectors an array owns (elements, maturities, derivatives): each is allocated from the
// current pool with its count kept beside it, and goes back with exactly the size it was taken with.
#pragma once
#include "engine/tables/control_structure.h"

// Allocates the zeroed element vector of n pointers. 0, or 1 after 598/2797.
int rskary_allocate_elements(RSKCON* con, RSKVARIABLE* array, int n);
// Allocates the zeroed maturity vector of n doubles. 0, or 1 after 598/2797.
int rskary_allocate_maturities(RSKCON* con, RSKVARIABLE* array, int n);
// Allocates the first (which = 1) or second derivative vector of n doubles, freeing the old one.
// The vector, or null after 598/2797.
double* rskary_allocate_derivatives(RSKCON* con, RSKVARIABLE* array, int which, int n);
// Frees every vector of the array with the count it was allocated with.
void rskary_free_vectors(RSKCON* con, RSKVARIABLE* array);

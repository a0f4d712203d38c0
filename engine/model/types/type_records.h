// Helpers shared by the files of instrument types: the kind's name text, the chunk of the
// name-entry free list, and the release of resolved-variable links.
#pragma once
#include "engine/model/types/instrument_types.h"

constexpr int kRskTypeNameChunk = 100;
constexpr int kRskTypeLinkChunk = 1000;

// The text naming the instrument-type kind (at most 40 characters) and its length.
int rskkind_text(char* text);
// Gives a list of links back to the free list; with release, each link's variable loses a use.
void rsktype_give_links(RSKCON* con, RSKVARLINK*& head, RSKVARLINK*& tail, int32_t& count, int release);

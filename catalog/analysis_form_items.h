// Small helpers the analysis and project list forms share: appending text, numbers and name
// lists to a list, and reading optional items, flags and name lists back.
#pragma once
#include <cstdint>
#include <string_view>

#include "catalog/catalog_lists.h"
#include "engine/tables/control_structure.h"

struct RSKNAMECELL;

// The text of a name record; empty when it has none.
std::string_view rss_name_text(const RSKNAMEREC& name);
std::string_view rss_name_text(const RSKOBJNAME& name);
// A name record over a text (not copied).
RSKNAMEREC rss_name_record(std::string_view text);

// Appends a named character or number item; 0, or 1 after the list layer's message.
int rss_put_text(qor_list_id list, const char* name, std::string_view text);
int rss_put_number(qor_list_id list, const char* name, double value);
// Appends a sublist `name` holding one unnamed character item per cell of the chain, in order.
// With `only_when_any`, an empty chain writes nothing. 0, or 1 after the message.
int rss_put_names(RSKCON* con, qor_list_id list, const char* name, const RSKNAMECELL* head, bool only_when_any);

// Optional items: the text (empty when absent or not text) and the number (missing when
// absent or not a number).
std::string_view rss_optional_text(qor_list_id list, const char* name);
double rss_optional_number(qor_list_id list, const char* name);
// A flag: 1 when the number is present, not missing and not 0; else 0.
int rss_flag_of(double value);
// True when the optional item is present at all.
bool rss_has_item(qor_list_id list, const char* name);
// Words compared ignoring case over as many leading characters as the word has.
bool rss_word_is(std::string_view text, std::string_view word);

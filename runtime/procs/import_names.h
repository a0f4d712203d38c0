// Variable names for the columns of an imported file: header texts made into valid, unique
// names of at most 32 characters.
#pragma once
#include <string>
#include <vector>

namespace qor::runtime {

// One name per header text: blanks around it dropped, every run of characters other than
// letters, digits and '_' made one '_', a leading digit preceded by '_', an empty name made
// VARn (n the column's number), cut to 32 characters; a name already used (case ignored) gets
// the first free suffix _2, _3, ... within the 32 characters.
std::vector<std::string> import_variable_names(const std::vector<std::string>& headers);

}  // namespace qor::runtime

// The input sources a READ records in the counterparty and mitigation containers: one named
// after the instrument file it writes, standing for the container's source of the list it read.
#pragma once
#include "engine/tables/control_structure.h"
#include "procedure/operand_lists.h"

namespace zozu {

// For each loaded container that has a source of the list `source_list`: the input source
// `file` (replacing one of that name) over that source's data sets. 0, or 1 after 598/7746.
int record_input_sources(RSKCON* con, const OperandText& file, const OperandText& source_list);

}  // namespace zozu

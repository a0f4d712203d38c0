// The per-step host context of a module (allocated by xinit) and the module start-up routines:
// step context set-up and the function manager's start-up.
#pragma once
#include <cstdint>

struct step_context {
    void* statements;            // statement list anchor; the first node is the PROC statement
    void* current_node;          // node being parsed
    int16_t error_code;          // error code of the parse
    int operand_slot;            // current operand slot of the parser's semantic actions
    void* parse_hook;            // statement hook installed by the procedure module
    int log_line_size;
    int print_line_size;
    int message_line_size;
    void* print_file;            // the step's print file
    char output_line[256];       // output line buffer handed to the host
    uint8_t syntax_trace;        // DEBUG holds "SYN"
    uint8_t semantic_trace;      // DEBUG holds "SEM"
    int64_t range_names;         // names made by numbered name ranges in this step so far
};

// Set up this module's step context for the current step (idempotent within a step).
void xinit();
// This module's step context for the current step; null before xinit.
step_context* module_step_context();

// Start the host's function manager and open the named workspace; 0 on success.
int fminit(const void* a1, const void* a2, const void* a3, const void* a4, const void* a5,
           const void* a6, int a7, const void* a8, const void* a9, const void* a10);
// Register the host routines the engine needs with the function manager; 0 on success.
int fmgfun();

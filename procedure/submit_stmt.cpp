// SUBMIT: hands each quoted text to the host without running it, then a closing text that ends
// whatever the texts left open, and runs it all; the statement answers what the run answered.
#include <string>

#include "host/print.h"
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"

namespace zozu {

namespace {
constexpr int kTextsField = 1;
constexpr int kClosingTable = 598, kClosingNumber = 5900;
constexpr int kClosingCapacity = 512;
constexpr int kQueue = 0, kRun = 1;
constexpr int kNotesAndSource = 2;   // the option requests in force during the run
}  // namespace

int submit_stmt(RSKCON* con, statement_node* node) {
    void* area = con->submission_context;
    int result = 0;
    NameCursor texts(node, kTextsField);
    for (OperandText text; texts.next(&text);) {
        if (text.length == 0) continue;
        const std::string code(text.text, static_cast<size_t>(text.length));
        const int rc = engine_call<EngineSlot::zsubmit>(1, code.c_str(), -1, area, kQueue, 0, 0);
        if (rc != 0 && result == 0) result = rc;
    }
    char closing[kClosingCapacity];
    int length = 0;
    if (xpmtext(kClosingTable, kClosingNumber, closing, kClosingCapacity - 1, &length) != 0 || length < 0)
        length = 0;
    closing[length < kClosingCapacity ? length : kClosingCapacity - 1] = '\0';
    // The code that ran decides: a failing program fails the statement.
    const int ran = engine_call<EngineSlot::zsubmit>(1, static_cast<const char*>(closing), -1, area, kRun,
                                                     kNotesAndSource, 0);
    return ran != 0 ? ran : result;
}

}  // namespace zozu

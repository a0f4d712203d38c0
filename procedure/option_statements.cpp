// SETOPTIONS and CURRENCIES: apply run options to the environment's option record and mark
// currencies shown or hidden; both then store what they changed in the environment's catalog.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

// Value types of the run-option lists.
enum : int { kOptionReal = 1, kOptionInteger = 2, kOptionFlag = 3, kOptionText = 4 };

// Field numbers of CURRENCIES.
constexpr int kCurrencyKeepField = 1, kCurrencyDropField = 2;
constexpr int kCurrencyAllBit = 2, kCurrencyNoneBit = 3;

std::vector<std::string> names_of(const statement_node* node, int field) {
    std::vector<std::string> names;
    for_each_name(node, field, [&](const char* name, int length) { names.emplace_back(name, static_cast<size_t>(length)); });
    return names;
}

}  // namespace

int get_options(RSKCON* con, const statement_node* node, RSKOPTREC* record) {
    std::vector<std::string> names = names_of(node, kRunOptionsField);
    std::vector<std::string> texts = names_of(node, kRunOptionsField + 3);
    const double* types = nullptr;
    const double* numbers = nullptr;
    int type_count = field_numbers(node, kRunOptionsField + 1, &types);
    int number_count = field_numbers(node, kRunOptionsField + 2, &numbers);
    int next_number = 0;
    size_t next_text = 0;
    for (size_t i = 0; i < names.size() && static_cast<int>(i) < type_count; ++i) {
        std::string name = names[i];
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        int int_value = 0;
        double real_value = qor::make_missing();
        std::string text;
        switch (static_cast<int>(types[i])) {
        case kOptionReal:
            if (next_number < number_count) real_value = numbers[next_number++];
            break;
        case kOptionInteger:
            if (next_number < number_count) {
                double v = numbers[next_number++];
                int_value = std::isnan(v) ? 0 : static_cast<int>(v);
                real_value = v;
            }
            break;
        case kOptionFlag:
            // NOAUTOSAVE is AUTOSAVE turned off.
            int_value = 1;
            if (name.size() > 2 && name.compare(0, 2, "NO") == 0) {
                name.erase(0, 2);
                int_value = 0;
            }
            break;
        case kOptionText:
            if (next_text < texts.size()) text = texts[next_text++];
            break;
        default:
            xebug("get_options: invalid type value %g.", types[i]);
            continue;
        }
        int code = rskcdoc(con, name.c_str(), static_cast<int>(name.size()));
        if (code == 9) {
            xpmlog(670, 1152, static_cast<int>(name.size()), name.c_str());
            continue;
        }
        rskopts(con, code, record, int_value, real_value, text.c_str(), static_cast<int>(text.size()));
    }
    return 0;
}

// Problems of the input are reported and the statement succeeds; a store that fails is its
// result, since the settings would otherwise be lost without a word.
int setoptions_stmt(RSKCON* con, statement_node* node) {
    if (con->current_options == nullptr) {
        xebug("setoptions_stmt: no current option record.");
        return 1;
    }
    get_options(con, node, con->current_options);
    return rssopta(con);
}

int currencies_stmt(RSKCON* con, statement_node* node) {
    if (qor_option_bit(node, kCurrencyAllBit)) rskcurm(con, "", 2);
    if (qor_option_bit(node, kCurrencyNoneBit)) rskcurm(con, "", -2);
    std::vector<std::string> keep = names_of(node, kCurrencyKeepField);
    if (given_field(node, kCurrencyKeepField) != nullptr) {
        rskcurm(con, "", -2);
        for (const std::string& code : keep)
            if (rskcurm(con, code.c_str(), 1) != 0) xpslog("%2zThe currency %s is not known.", code.c_str());
    }
    for (const std::string& code : names_of(node, kCurrencyDropField))
        if (rskcurm(con, code.c_str(), -1) != 0) xpslog("%2zThe currency %s is not known.", code.c_str());
    return rsscuds(con);
}

}  // namespace zozu

// The ALLPRICE view over the instrument, value, analysis and state members of the prices, and
// the ALLCASHFLOW view that puts each price beside its instrument's cash flows.
#include <cstdio>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/run_block.h"
#include "engine/tables/output_records.h"

namespace {

constexpr uint32_t kRoleComputed = 204;

// The project's value format as "name", width and decimals (a width or decimals not given is
// left out).
struct ValueFormat {
    char text[48];
    int length;
};

ValueFormat value_format(RSKCON* con) {
    ValueFormat f{};
    const RSKRUNBLOCK* run = con->run_block;
    const RSKOPTREC* o = run != nullptr && run->run_options != nullptr ? run->run_options
                         : con->options != nullptr                   ? &con->options->current
                                                                     : nullptr;
    if (o == nullptr || o->fmtvalue.name_length <= 0) {
        f.length = std::snprintf(f.text, sizeof f.text, "BEST12.");
        return f;
    }
    const RSKFMTFIELD& v = o->fmtvalue;
    f.length = std::snprintf(f.text, sizeof f.text, "%.*s", static_cast<int>(v.name_length), v.name);
    if (v.width != 65535) f.length += std::snprintf(f.text + f.length, sizeof f.text - f.length, "%u", v.width);
    f.length += std::snprintf(f.text + f.length, sizeof f.text - f.length, ".");
    if (v.decimals != 65535 && v.decimals != 0)
        f.length += std::snprintf(f.text + f.length, sizeof f.text - f.length, "%u", v.decimals);
    return f;
}

// A computed variable of the run that ALLPRICE_V carries.
bool extra_column(const RSKVARIABLE* v) {
    if (v->kind != 1 && v->kind != 3 && v->kind != 7) return false;
    if (v->role != kRoleComputed || !v->output_switch || v->use_mask == 0) return false;
    if (v->exclusion1 != 0 || v->exclusion2 != 0 || v->exclusion3 != 0) return false;
    return v->value != nullptr;
}

}  // namespace

int gds_values_view_text(RSKCON* con, const RSKOUTOBJ* object, const char* view, int view_length,
                         RSKGDSTEXT* text) {
    RSKGDSSHAPE shape;
    rskgds_shape(con, &shape);
    const ValueFormat f = value_format(con);
    RSKRUNRESULTS* r = con->run_block != nullptr ? &con->run_block->result_sets : nullptr;
    const RSKSYSVARS* sys = con->system_variables;

    rskgds_line(text, "proc sql;\n\tcreate view %8v.%*s as", object->libref, view_length, view);
    rskgds_line(text, "select p.instnumber,");
    rskgds_line(text, "\tinstid, insttype, instsource,");
    rskgds_line(text, "\ts.statenumber,");
    rskgds_line(text, "\ta.analysisnumber, a.analysisname, a.analysispart,");
    if (shape.simulation_columns) rskgds_line(text, "\tsimulationcase,");
    if (shape.time_columns) rskgds_line(text, "\tsimulationtime, simulationreplication,");
    if (shape.names)
        rskgds_line(text, "\ta.name, a.name2,");
    else if (shape.name_only)
        rskgds_line(text, "\tname,");
    rskgds_line(text, "\t_date_,");
    if (shape.datetime) rskgds_line(text, "datetime,");
    if (shape.simulation_columns) rskgds_line(text, "\tsimulationmode, simulationcategory,");
    for (int i = 0; r != nullptr && i < r->class_var_count; ++i) {
        RSKVARIABLE* v = r->class_vars[i].variable;
        if (v == nullptr) continue;
        const bool designated = sys != nullptr && (v == sys->al_type || v == sys->netting_set_id);
        if (v->kind == 3 || designated) rskgds_line(text, "\t%v,", &v->name.name);
    }
    rskgds_line(text, "\tvalue,");
    rskgds_line(text,
                "\tvalue/(fx_rate*holding*(1-2*collateral)*(1-2*shortposition)*alposition) as ReturnedValue "
                "format=%*s,",
                f.length, f.text);
    if (shape.exposure) rskgds_line(text, "\tmax(value, 0.) as Exposure format=%*s,", f.length, f.text);
    rskgds_line(text, "\tholding, shortposition, alposition, currency,");
    rskgds_line(text, "\tvalue/fx_rate as NativeValue format=%*s,", f.length, f.text);
    rskgds_line(text, "\tfx_rate, collateral");
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!extra_column(v)) continue;
        if (v->data_type == RSKDTYPE_ARRAY) {
            for (int i = 1; i <= static_cast<int>(v->element_count); ++i) {
                char element[48];
                const int n = std::snprintf(element, sizeof element, "%.*s_%i",
                                            static_cast<int>(v->name.name.length), v->name.name.text, i);
                rskgds_line(text, "\t,%*v", n, element);
            }
        } else {
            rskgds_line(text, "\t,%v", &v->name.name);
        }
    }
    rskgds_line(text, "from %*s_p p , %*s_v v,", view_length, view, view_length, view);
    rskgds_line(text, "\t%*s_a a , %*s_s s", view_length, view, view_length, view);
    rskgds_line(text, "where p.instnumber = v.instnumber AND");
    for (int i = 0; r != nullptr && i < r->class_var_count; ++i)
        if (r->class_vars[i].variable != nullptr)
            r->class_vars[i].variable->class_flags &= static_cast<uint8_t>(~RSKVAROUT_CLASS);
    rskgds_line(text, "\ts.statenumber = v.statenumber AND");
    rskgds_line(text, "\ta.analysisnumber = s.analysisnumber AND");
    if (shape.join_names) {
        rskgds_line(text, "\ta.name = s.name AND");
        rskgds_line(text, "\ta.name2 = s.name2 AND");
    }
    rskgds_line(text, "\ta.analysispart = s.analysispart");
    rskgds_line(text, "order by instnumber, statenumber;");
    rskgds_line(text, "quit;");
    return text->failed ? 1 : 0;
}

int gds_cashflow_view_text(RSKCON*, const RSKOUTOBJ* object, const char* suffix, int suffix_length,
                           RSKGDSTEXT* text) {
    rskgds_line(text, "proc sql;\n\tcreate view %8v.ALLCASHFLOW%*s as", object->libref, suffix_length, suffix);
    rskgds_line(text, "select *");
    rskgds_line(text, "from ALLPRICE%*s p, CASHFLOW%*s c", suffix_length, suffix, suffix_length, suffix);
    rskgds_line(text, "where c.instnumber = p.instnumber AND");
    rskgds_line(text, "\tp.statenumber = c.statenumber");
    rskgds_line(text, "order by p.InstNumber, p.StateNumber, CFNumber;");
    rskgds_line(text, "quit;");
    return text->failed ? 1 : 0;
}

int create_values(RSKCON* con, RSKOUTOBJ* object, const char* view, int view_length) {
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_values_view_text(con, object, view, view_length, &text);
    return rskgds_submit(con, &text);
}

int create_all_cfs(RSKCON* con, RSKOUTOBJ* object, const char* suffix, int suffix_length) {
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_cashflow_view_text(con, object, suffix, suffix_length, &text);
    return rskgds_submit(con, &text);
}

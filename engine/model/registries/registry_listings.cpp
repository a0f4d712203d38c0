// Listings of the registries: the data types of each variable class with their lengths and
// formats, and the roles of each variable kind with their market attributes.
#include "engine/model/registries/code_registries.h"
#include "host/print.h"

namespace {

struct Listed {
    int registry;
    int heading;                     // message of table 598
};

void print_dtypes(const RSKCON* con, const Listed& t) {
    xpmout(598, t.heading);
    const auto* rows = static_cast<const RSKDTYPEROW*>(con->registries[t.registry].rows);
    int count = rskreg_all(con, t.registry);
    for (int i = 1; i < count; ++i) {
        const RSKDTYPEROW& r = rows[i];
        xps("%+6t%2i.  %*.10s  %*.16s", i, static_cast<int>(r.name_length), r.name,
            static_cast<int>(r.description_length), r.description);
        xps(" %mLength: default=%i, min=%i, max=%i.", static_cast<int>(r.default_length),
            static_cast<int>(r.min_length), static_cast<int>(r.max_length));
        if (r.host_type != ' ' && r.host_type != '\0') {
            const char letter[2] = {r.host_type, '\0'};
            xps(" Format: %*b(%*b,%1s)", static_cast<int>(sizeof r.default_format), r.default_format,
                static_cast<int>(sizeof r.family), r.family, letter);
        }
        xpsout("");
    }
}

void print_roles(const RSKCON* con, const Listed& t) {
    xpmout(598, t.heading);
    const auto* rows = static_cast<const RSKROLEROW*>(con->registries[t.registry].rows);
    int count = rskreg_all(con, t.registry);
    for (int i = 1; i < count; ++i) {
        const RSKROLEROW& r = rows[i];
        xps("%+6t%2i.  %m%*.15s", i, static_cast<int>(r.name_length), r.name);
        xps("  %*s ", static_cast<int>(r.description_length), r.description);
        if (con->echo != 0 && (r.interest_rate | r.fx | r.maturity | r.volatility) != 0) {
            xpm(598, 5503);
            if (r.interest_rate) xps(" IR");
            if (r.fx) xps(" FX");
            if (r.maturity) xps(" Mat");
            if (r.volatility) xps(" Vol");
            xpm(598, 5504);
        }
        xpsout("");
    }
}

}  // namespace

int rskcdpt(RSKCON* con) {
    const Listed tables[] = {
        {RSKREG_DT_SYSTEM, 41}, {RSKREG_DT_INSTRUMENT, 42}, {RSKREG_DT_CPTY, 31},
        {RSKREG_DT_MITIGATION, 31}, {RSKREG_DT_FACTOR, 43}, {RSKREG_DT_REFERENCE, 44},
    };
    for (const Listed& t : tables) print_dtypes(con, t);
    xpskip(1);
    return 0;
}

int rskcdpr(RSKCON* con) {
    const Listed tables[] = {
        {RSKREG_RL_SYSTEM, 46}, {RSKREG_RL_INSTRUMENT, 47}, {RSKREG_RL_CPTY, 32},
        {RSKREG_RL_MITIGATION, 32}, {RSKREG_RL_FACTOR, 48}, {RSKREG_RL_REFERENCE, 49},
    };
    for (const Listed& t : tables) print_roles(con, t);
    return 0;
}

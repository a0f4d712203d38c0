// The option fields: for every option code its place in the option record, its default and its
// set rule. The bounds here are those the setter applies (see docs/engine-options.md).
#include <cstddef>

#include "engine/model/options/option_fields.h"

#define AT(field) offsetof(RSKOPTREC, field)

namespace {

constexpr RSKOPTFIELD real(int code, size_t offset, double low, double high, double initial, const char* name) {
    return {code, RSKOPTF_DOUBLE, offset, RSKRULE_CLAMP, low, high, initial, name, 0};
}
constexpr RSKOPTFIELD integer(int code, size_t offset, int rule, double low, double high, double initial) {
    return {code, RSKOPTF_INT, offset, rule, low, high, initial, nullptr, 0};
}
constexpr RSKOPTFIELD small(int code, size_t offset, double low, double high, double initial) {
    return {code, RSKOPTF_FLAG, offset, RSKRULE_CLAMP, low, high, initial, nullptr, 0};
}
constexpr RSKOPTFIELD flag(int code, size_t offset, double initial, int rule = RSKRULE_FLAG) {
    return {code, RSKOPTF_FLAG, offset, rule, 0, 1, initial, nullptr, 0};
}
constexpr RSKOPTFIELD format(int code, size_t offset, const char* initial, int message) {
    return {code, RSKOPTF_FORMAT, offset, RSKRULE_FORMAT, 0, 0, 0, initial, message};
}
constexpr RSKOPTFIELD named(int code, int kind, size_t offset, int rule = RSKRULE_STORE) {
    return {code, kind, offset, rule, 0, 0, 0, nullptr, 0};
}

}  // namespace

const RSKOPTFIELD kRskOptFields[] = {
    real(101, AT(alpha), 0.0001, 0.9999, 0.05, "anal_alpha"),
    real(102, AT(epsilon), 1e-12, 1.0, 0.0001, "anal_epsilon"),
    real(103, AT(hlwbnd), 1e-15, 1.0, 0.000001, "anal_hlwbnd"),
    real(104, AT(bandwidth), 0.01, 10.0, 0.5, "anal_bandwidth"),
    real(114, AT(varoptdrop), 0.0, 1.0, 0.5, "anal_varoptdrop"),
    integer(105, AT(ndensity), RSKRULE_NDENSITY, 8, 1024, 32),
    small(116, AT(psdmethod), 1, 3, 3),
    small(106, AT(kernel), 1, 3, 1),
    small(107, AT(vardef), 1, 2, 2),
    small(108, AT(pctldef), 1, 5, 1),
    flag(109, AT(curconv), 1),
    // A bootstrap count fits 16 bits; 65535 is the largest that does.
    integer(110, AT(nboot), RSKRULE_CLAMP, 0, 65535, 0),
    // The event cut-off counts events: at least 1, as the registry says.
    integer(111, AT(evtcutoff), RSKRULE_CLAMP, 1, 50, 5),
    flag(112, AT(simadjust), 0),
    flag(115, AT(brutevaropt), 0),
    flag(201, AT(mddbs), 0),
    small(204, AT(mddbstyle), 1, 2, 1),
    small(205, AT(cube), 0, 2, 0),
    flag(202, AT(datasets), 1),
    flag(203, AT(runsummary), 0),
    flag(200, AT(outall), 0, RSKRULE_OUTALL),
    flag(335, AT(mitigation), 0),
    flag(210, AT(outerror), 1),
    flag(211, AT(instvals), 0),
    flag(228, AT(instcfs), 0),
    flag(212, AT(mktrates), 0),
    flag(213, AT(combined), 0),
    flag(214, AT(option214), 1),
    flag(215, AT(option215), 1),
    flag(217, AT(option217), 1),
    flag(218, AT(option218), 1, RSKRULE_READONLY),
    flag(216, AT(option216), 1),
    flag(219, AT(simstats), 1),
    flag(227, AT(evtstats), 0),
    flag(220, AT(simdens), 1),
    flag(221, AT(simrfim), 0),
    flag(222, AT(simrfstats), 0),
    flag(223, AT(simstates), 0),
    flag(224, AT(simvalues), 0),
    flag(235, AT(optsummary), 1),
    flag(236, AT(optvalues), 1),
    flag(268, AT(allstates), 0),
    flag(269, AT(allprice), 0),
    flag(272, AT(allcashflow), 0),
    flag(273, AT(compduration), 0),
    flag(270, AT(shocks), 0),
    flag(271, AT(modcov), 0),
    flag(226, AT(option226), 1),
    flag(231, AT(states), 0),
    flag(232, AT(values), 0),
    flag(233, AT(ags), 0),
    flag(250, AT(detailed), 0),
    flag(253, AT(posneg), 0),
    flag(251, AT(senstrans), 0),
    flag(254, AT(valuestats), 0),
    flag(206, AT(instarrays), 0),
    named(207, RSKOPTF_PATH, AT(archive), RSKRULE_ARCHIVE),
    format(241, AT(fmtvalue), "COMMA16.2", 1441),
    format(242, AT(fmtnumeric), "D10.3", 1442),
    format(243, AT(fmtpercent), "COMMA10.2", 1443),
    format(244, AT(fmtdate), "DATE9.", 1444),
    format(245, AT(fmtdatetime), "DATETIME18.", 1445),
    format(246, AT(fmttime), "TOD8.", 1446),
    format(247, AT(fmtcfnote), "D10.3", 1447),
    named(248, RSKOPTF_PATH, AT(formats), RSKRULE_UPCASE),
    named(285, RSKOPTF_PATH, AT(im_folder)),
    named(284, RSKOPTF_PATH, AT(cube_path)),
    named(281, RSKOPTF_NAME, AT(olap_schema)),
    named(282, RSKOPTF_NAME, AT(olap_host)),
    named(287, RSKOPTF_NAME, AT(cube_metalib)),
    named(288, RSKOPTF_LIBREF, AT(cube_metaref)),
    named(283, RSKOPTF_NAME, AT(auth_domain)),
    named(286, RSKOPTF_LIBREF, AT(cube_datalib)),
    named(289, RSKOPTF_NAME, AT(cube_name)),
    flag(301, AT(keeplib), 0),
    flag(302, AT(autosave), 0),
    flag(303, AT(autores), 0),
    flag(304, AT(search), 0),
    flag(305, AT(envcopy), 1),
    flag(307, AT(backsave), 1),
    // On, stored as 1 like every flag (a stored 255 still reads as on).
    flag(308, AT(precise), 1),
    flag(309, AT(optimize), 1),
    integer(321, AT(option321), RSKRULE_STORE, 0, 0, 0),
    integer(322, AT(option322), RSKRULE_STORE, 0, 0, 0),
    integer(326, AT(prgsnote), RSKRULE_STORE, 0, 0, 250),
    integer(350, AT(maxthreads), RSKRULE_CLAMP, 0, 256, 256),
    integer(331, AT(option331), RSKRULE_STORE, 0, 0, 0),
    integer(332, AT(option332), RSKRULE_STORE, 0, 0, 0),
    integer(333, AT(option333), RSKRULE_STORE, 0, 0, 0),
    integer(334, AT(option334), RSKRULE_STORE, 0, 0, 0),
};

const int kRskOptFieldCount = static_cast<int>(sizeof kRskOptFields / sizeof kRskOptFields[0]);

const RSKOPTFIELD* rskoptfield(int code) {
    if (code < 101 || code > 350) return nullptr;
    for (const RSKOPTFIELD& f : kRskOptFields)
        if (f.code == code) return &f;
    return nullptr;
}

int rskoptkind(int code) {
    const RSKOPTFIELD* f = rskoptfield(code);
    return f != nullptr ? f->kind : 0;
}

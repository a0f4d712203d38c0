// Engine options: the option record of fixed layout, the options block of the control
// structure (defaults, current record, standard percentiles), and get, set, copy and print.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/types/type_name_lists.h"

// A format option: the text as written and its parsed form.
struct RSKFMTFIELD {
    RSKOBJNAME text;                 // e.g. "COMMA16.2"
    char name[33];                   // format name, upper case, NUL-terminated
    int16_t name_length;
    uint16_t width;                  // 65535 when not written
    uint16_t decimals;               // 65535 when not written
    int32_t handle;                  // the host's format code
};

// One option record. Fields of options without a registry row (214 to 218, 226, 321, 322, 331 to
// 334) are kept so that stored records keep their shape. Name records point at their own
// buffers: copy records only with copy_options.
struct RSKOPTREC {
    double alpha;                    // 101
    double epsilon;                  // 102
    double hlwbnd;                   // 103
    double bandwidth;                // 104
    double varoptdrop;               // 114
    int32_t ndensity;                // 105
    uint8_t psdmethod;               // 116
    uint8_t kernel;                  // 106
    uint8_t vardef;                  // 107
    uint8_t pctldef;                 // 108
    uint8_t curconv;                 // 109
    int32_t nboot;                   // 110
    int32_t evtcutoff;               // 111
    uint8_t simadjust;               // 112
    uint8_t brutevaropt;             // 115
    uint8_t mddbs;                   // 201
    uint8_t mddbstyle;               // 204
    uint8_t cube;                    // 205
    uint8_t datasets;                // 202
    uint8_t runsummary;              // 203
    uint8_t outall;                  // 200
    uint8_t mitigation;              // 335
    uint8_t outerror;                // 210
    uint8_t instvals;                // 211
    uint8_t instcfs;                 // 228
    uint8_t mktrates;                // 212
    uint8_t combined;                // 213
    uint8_t option214;
    uint8_t option215;
    uint8_t option217;
    uint8_t option218;               // read only
    uint8_t option216;
    uint8_t simstats;                // 219
    uint8_t evtstats;                // 227
    uint8_t simdens;                 // 220
    uint8_t simrfim;                 // 221
    uint8_t simrfstats;              // 222
    uint8_t simstates;               // 223
    uint8_t simvalues;               // 224
    uint8_t optsummary;              // 235
    uint8_t optvalues;               // 236
    uint8_t allstates;               // 268
    uint8_t allprice;                // 269
    uint8_t allcashflow;             // 272
    uint8_t compduration;            // 273
    uint8_t shocks;                  // 270
    uint8_t modcov;                  // 271
    uint8_t option226;
    uint8_t states;                  // 231
    uint8_t values;                  // 232
    uint8_t ags;                     // 233
    uint8_t detailed;                // 250
    uint8_t posneg;                  // 253
    uint8_t senstrans;               // 251
    uint8_t valuestats;              // 254
    uint8_t instarrays;              // 206
    RSKPATHNAME archive;             // 207
    RSKFMTFIELD fmtvalue;            // 241
    RSKFMTFIELD fmtnumeric;          // 242
    RSKFMTFIELD fmtpercent;          // 243
    RSKFMTFIELD fmtdate;             // 244
    RSKFMTFIELD fmtdatetime;         // 245
    RSKFMTFIELD fmttime;             // 246
    RSKFMTFIELD fmtcfnote;           // 247
    RSKPATHNAME formats;             // 248
    RSKPATHNAME im_folder;           // 285
    RSKPATHNAME cube_path;           // 284
    RSKOBJNAME olap_schema;          // 281
    RSKOBJNAME olap_host;            // 282
    RSKOBJNAME cube_metalib;         // 287
    RSKLIBNAME cube_metaref;         // 288
    RSKOBJNAME auth_domain;          // 283
    RSKLIBNAME cube_datalib;         // 286
    RSKOBJNAME cube_name;            // 289
    uint8_t keeplib;                 // 301
    uint8_t autosave;                // 302
    uint8_t autores;                 // 303
    uint8_t search;                  // 304
    uint8_t envcopy;                 // 305
    uint8_t backsave;                // 307
    uint8_t precise;                 // 308
    uint8_t optimize;                // 309
    int32_t option321;
    int32_t option322;
    int32_t prgsnote;                // 326
    int32_t maxthreads;              // 350
    int32_t option331;
    int32_t option332;
    int32_t option333;
    int32_t option334;
};

constexpr int kRskPercentiles = 20;

// The options block of RSKCON.
struct RSKOPTIONS {
    RSKOPTREC defaults;
    RSKOPTREC current;               // what statements change and runs read
    RSKOPTREC spare;                 // a record-sized work area
    uint32_t reserved[2];
    double percentiles[kRskPercentiles];
    RSKTYPELIST type_names;          // report type names (rskgtyi at start-up, width 32)
};

// Fills the default record, copies it into the current record and writes the percentiles. 0.
int default_options(RSKCON* con);
// Copies an option record; the names of the copy point at its own buffers.
void copy_options(RSKOPTREC* to, const RSKOPTREC* from);

// Reads one option: integers and flags are the result and go to *int_out; doubles go to
// *value_out; texts give their name record in *text_out. 0 for a code without a field.
int rskoptg(RSKCON* con, int code, const RSKOPTREC* record, int* int_out, double* value_out,
            const RSKNAMEREC** text_out);
// Sets one option by its rule (bounds, flags, directories, formats). A negative text length
// means NUL-terminated. 0 when set; 1 when the value was refused or the code is unknown.
int rskopts(RSKCON* con, int code, RSKOPTREC* record, int int_value, double value, const char* text,
            int length);
// Prints the options of a group: 0 system, 1 analysis, 2 output, 3 all. 0.
int rskoptp(RSKCON* con, const RSKOPTREC* record, int group);
// Prints one option row of a registry with its value in the record. 0, or 1 without a field.
struct RSKOPTROW;
int print_option(RSKCON* con, const RSKOPTREC* record, const RSKOPTROW* row);
// Parses a format text into a format field; 598/message when it is not a valid format. 0 | 1.
int rskfmt(RSKCON* con, RSKFMTFIELD* field, const char* text, int length, int message);

// How an option is kept in the record.
enum : int {
    RSKOPTF_DOUBLE = 1, RSKOPTF_INT = 2, RSKOPTF_FLAG = 3, RSKOPTF_PATH = 4, RSKOPTF_NAME = 5,
    RSKOPTF_LIBREF = 6, RSKOPTF_FORMAT = 7,
};
// The storage kind of an option code, or 0 when the record has no field for it.
int rskoptkind(int code);

// Option bits and operand field numbers of the ZOZU statements: what the grammar fills and the
// statement handlers read. docs/zozu-statements.md lists the numbers of every statement.
#pragma once

namespace zozu {

// Bits on every node: the end bit on all statements, the special bit on SUBMIT, UNITTEST, DEBUG
// and the ten data-set statements.
constexpr int kBitEnd = 31;
constexpr int kBitSpecial = 60;

// PROC ZOZU options.
constexpr int kBitDebugS = 2;
constexpr int kBitDebugD = 3;
constexpr int kBitAuditTrail = 4;
constexpr int kBitRegMddb = 5;
constexpr int kBitNoSeqCheck = 6;

// Definition statements (analyses, projects, types, data descriptions, ...): the object's name,
// label and description.
constexpr int kFieldName = 1;
constexpr int kFieldLabel = 2;
constexpr int kFieldDesc = 3;

// ENVIRONMENT / ENV.
constexpr int kEnvFieldNew = 1;
constexpr int kEnvFieldPath = 2;
constexpr int kEnvFieldOpen = 4;
constexpr int kEnvFieldSaveAs = 6;
constexpr int kEnvFieldInherit = 7;
constexpr int kEnvFieldInclude = 8;
constexpr int kEnvFieldOutPath = 9;
constexpr int kEnvBitAutoSave = 2;
constexpr int kEnvBitNoAutoSave = 3;
constexpr int kEnvBitSample = 4;
constexpr int kEnvBitNoSample = 5;

// METHOD: name, kind word (1 INPUT .. 8 MITIGATION, 0 none), description, and the statements
// up to ENDMETHOD, one text each.
constexpr int kMethodFieldName = 1;
constexpr int kMethodFieldKind = 2;
constexpr int kMethodFieldDesc = 3;
constexpr int kMethodFieldBody = 4;

// PRINT: ALL prints every section.
constexpr int kPrintBitAll = 32;

// Data-set statements (READVARS ... WRITETYPES): the data set.
constexpr int kDataSetField = 1;

// RUNQORFILE: a file reference or a quoted path.
constexpr int kRunFileFieldRef = 1;
constexpr int kRunFileFieldPath = 2;

// REPORT: the source; any of the web fields makes a web report.
constexpr int kReportFieldSource = 3;
constexpr int kReportFirstWebField = 6;
constexpr int kReportLastWebField = 10;

// Run options (PROJECT, RUNPROJECT, SETOPTIONS): four lists from this field on (names, value
// types, numbers, texts).
constexpr int kRunOptionsField = 40;

// Object lists of DELETE, IMPORT and PRINT, in the order in which the handlers walk the kinds.
constexpr int kObjInstData = 10, kObjOutput = 11, kObjVariable = 12, kObjInstrument = 13,
              kObjPortfolio = 14, kObjProject = 15, kObjAnalysis = 16, kObjMarketData = 17,
              kObjCrossClass = 18, kObjRfTrans = 19, kObjFilter = 20, kObjSources = 21,
              kObjReport = 22, kObjTimeGrid = 23, kObjParameter = 24, kObjStatistics = 25,
              kObjModel = 26, kObjModelSpec = 27, kObjMethod = 28, kObjFx = 29,
              kObjEnvironment = 30;

// DECLARE: one group of ten fields per variable class, in the order the handler processes
// them (instrument, risk factor, reference, output, project, state, counterparty, mitigation).
constexpr int kDeclareFirstField = 10;
constexpr int kDeclareClasses = 8;
// STATISTICS: one group per statistic (MAX, MEAN, MIN, N, STD, SUM, WGT, WGTMEAN).
constexpr int kStatisticsFirstField = 10;

// Factor entries of SCENARIO, PLCURVE and PLSURFACE start here (see QOR_FACTOR_*).
constexpr int kFactorsField = 10;

}  // namespace zozu

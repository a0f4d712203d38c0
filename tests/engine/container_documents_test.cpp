// The counterparty and mitigation containers as XML documents: a document written by hand from
// the documented form is read into the control structure and written back byte for byte; a
// malformed document is refused with the parser's words; a second document adds to the container.
#include <cstring>
#include <string>

#include "common/hash/hash_table.h"
#include "engine/tables/counterparty_records.h"
#include "tests/engine/definitions_fixture.h"

namespace {

const std::string kCounterparties =
    "<cptycon><cptyvars><numcptyvars>2</numcptyvars>"
    "<variable><name>CPTYID</name><label><![CDATA[]]></label><type>1</type><role>1</role><offset>-1</offset>"
    "</variable>"
    "<variable><name>_PD_</name><label><![CDATA[Default \"probability\"]]></label><type>5</type><role>0</role>"
    "<offset>0</offset></variable></cptyvars>"
    "<cptytypes><cptytype name=\"BASE\" method=\"basescore\" numcptyvars=\"1\"><variables><name>_PD_</name>"
    "</variables></cptytype>"
    "<cptytype name=\"CORP\" method=\"corpscore\" model=\"M1\" function=\"F1\" super=\"BASE\" label=\"Corporates\" "
    "numcptyvars=\"2\"><variables><name>_PD_</name><name>CPTYID</name></variables></cptytype></cptytypes>"
    "<cptysysvars><name>CPTYID</name></cptysysvars>"
    "<datasets><dataset name=\"CD\" libname=\"WORK\" memname=\"cpty\" numcptyvars=\"2\" mapping_used=\"1\">"
    "<variables><name alias=\"ID\">CPTYID</name><name alias=\"_PD_\">_PD_</name></variables>"
    "<cptytype><name>CORP</name></cptytype></dataset></datasets>"
    "<sources><source><name>ALL</name><datasets><name>CD</name></datasets></source></sources>"
    "<inputsources><inputsource><name>IN1</name><sourcename>ALL</sourcename></inputsource></inputsources>"
    "<statelength>8</statelength></cptycon>";

const std::string kMitigations =
    "<mitcon><mitvars><nummitvars>1</nummitvars>"
    "<variable><name>_EXPOSURE_</name><label><![CDATA[]]></label><type>5</type><role>0</role><offset>0</offset>"
    "</variable></mitvars>"
    "<mittypes><mittype name=\"GUAR\" method=\"guarantee\" nummitvars=\"1\"><variables><name>_EXPOSURE_</name>"
    "</variables></mittype></mittypes><mitsysvars><name>_EXPOSURE_</name></mitsysvars><datasets></datasets>"
    "</mitcon>";

class ContainerDocuments : public DefinitionsTest {
protected:
    // Reads a document with the family's entries: the parse result; the status on failure.
    int read(bool counterparty, const std::string& document, std::string* status = nullptr) {
        auto init = counterparty ? engine_routine<EngineSlot::rskcptyxmlinit>() : engine_routine<EngineSlot::rskmitxmlinit>();
        auto parse = counterparty ? engine_routine<EngineSlot::rskcptyxmlparse>()
                                  : engine_routine<EngineSlot::rskmitxmlparse>();
        auto release = counterparty ? engine_routine<EngineSlot::rskcptyxmlfree>()
                                    : engine_routine<EngineSlot::rskmitxmlfree>();
        RSKXMLCTX* context = init(con);
        EXPECT_NE(context, nullptr);
        const int rc = parse(context, document.data(), static_cast<int64_t>(document.size()));
        if (status != nullptr) *status = reinterpret_cast<const RSKXMLHEAD*>(context)->status;
        release(context);
        return rc;
    }
    std::string write(bool counterparty) {
        auto init = counterparty ? engine_routine<EngineSlot::rskcptyxmlinit>() : engine_routine<EngineSlot::rskmitxmlinit>();
        auto build = counterparty ? engine_routine<EngineSlot::rskcptybuildxml>()
                                  : engine_routine<EngineSlot::rskmitbuildxml>();
        auto release = counterparty ? engine_routine<EngineSlot::rskcptyxmlfree>()
                                    : engine_routine<EngineSlot::rskmitxmlfree>();
        RSKXMLCTX* context = init(con);
        const char* document = build(context);
        release(context);
        return document != nullptr ? document : "(none)";
    }
};

TEST_F(ContainerDocuments, DocumentsReadBackAsWritten) {
    EXPECT_EQ(write(true), "(none)") << "no container, no document";
    ASSERT_EQ(read(true, kCounterparties), 0);
    EXPECT_EQ(write(true), kCounterparties);
    const RSKCPTYCON* c = con->cpty_container;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(con->cpty_container_state, RSKCON_CONTAINER_LOADED);
    EXPECT_EQ(c->statelength, 8) << "the element holds, whatever the variables add up to";
    const auto* corp = static_cast<const RSKCPTYTYPE*>(hash_query(c->types, "CORP")->value);
    EXPECT_EQ(std::string(corp->super->name), "BASE");
    EXPECT_EQ(std::string(corp->model->function), "F1");
    const auto* set = static_cast<const RSKCPTYDS*>(hash_query(c->datasets, "CD")->value);
    EXPECT_EQ(set->type, corp);
    EXPECT_EQ(std::string(static_cast<const RSKCPTYVAR*>(hash_query(set->columns, "CPTYID")->value)->alias), "ID");
    const auto* input = static_cast<const RSKCPTYINSRC*>(hash_query(c->input_sources, "IN1")->value);
    EXPECT_EQ(input->datasets, static_cast<const RSKCPTYSOURCE*>(hash_query(c->sources, "ALL")->value)->datasets);

    ASSERT_EQ(read(false, kMitigations), 0);
    EXPECT_EQ(write(false), kMitigations);
    EXPECT_EQ(con->mit_container->statelength, 0) << "a mitigation document carries no state length";
}

TEST_F(ContainerDocuments, MalformedDocumentsAreRefusedWithTheParsersWords) {
    std::string status;
    EXPECT_EQ(read(true, "<cptycon><cptyvars></cptycon>", &status), 1);
    EXPECT_NE(status.find("mismatched tag"), std::string::npos) << status;
    EXPECT_EQ(read(true, "", &status), 1);
    EXPECT_FALSE(status.empty());
}

// A second document adds to the container: a type of the same name is replaced, others stay.
TEST_F(ContainerDocuments, ASecondDocumentAddsToTheContainer) {
    ASSERT_EQ(read(true, kCounterparties), 0);
    ASSERT_EQ(read(true,
                   "<cptycon><cptytypes><cptytype name=\"BASE\" method=\"other\" numcptyvars=\"0\"><variables>"
                   "</variables></cptytype><cptytype name=\"NEW\" numcptyvars=\"0\"><variables></variables>"
                   "</cptytype></cptytypes><statelength>16</statelength></cptycon>"),
              0);
    const RSKCPTYCON* c = con->cpty_container;
    EXPECT_EQ(std::string(static_cast<const RSKCPTYTYPE*>(hash_query(c->types, "BASE")->value)->method), "other");
    EXPECT_NE(hash_query(c->types, "CORP"), nullptr);
    EXPECT_NE(hash_query(c->types, "NEW"), nullptr);
    EXPECT_EQ(c->statelength, 16);
}

}  // namespace

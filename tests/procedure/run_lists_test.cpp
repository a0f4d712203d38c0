// The list readers of the run statements over a started engine: which names reach the list, in
// which order, what a missing name reports, and what a list that cannot grow answers.
#include <cstring>
#include <string>
#include <vector>

#include "engine/model/names/name_records.h"
#include "procedure/run_lists.h"
#include "tests/procedure/run_statements_fixture.h"

namespace {

// A name-list operand as the grammar fills it: NUL-separated names.
struct NameField {
    explicit NameField(std::vector<std::string> names) {
        for (const std::string& n : names) bytes.append(n).push_back('\0');
        field.kind = QOR_OPERAND_NAMES;
        field.given = 1;
        field.used = static_cast<int32_t>(bytes.size());
        field.capacity = field.used;
        field.value = bytes.data();
    }
    std::string bytes;
    operand_field field{};
};

std::vector<std::string> names_of(const RSKNAMECELL* head) {
    std::vector<std::string> names;
    for (; head != nullptr; head = head->next) names.emplace_back(head->name.name.text, head->name.name.length);
    return names;
}

RSKNAMEREC key(const char* text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(std::strlen(text)), const_cast<char*>(text)};
}

int refuse_cell(RSKCON*, RSKNAMECELL**, RSKNAMECELL**, const char*, int) { return 1; }

class RunLists : public RunStatementsTest {
protected:
    // One transformation set, one market data source, one filter and three methods.
    void define_objects() {
        RSKCATOBJ* object = nullptr;
        RSKNAMEREC set = key("shift");
        ASSERT_EQ(engine_call<EngineSlot::rskprsd>(con_, &object, &set, nullptr, nullptr), 0);
        object = nullptr;
        RSKNAMEREC source = key("mkt");
        ASSERT_EQ(engine_call<EngineSlot::rskidsd>(con_, &object, &source, 2u, nullptr, nullptr, nullptr, nullptr), 0);
        object = nullptr;
        RSKNAMEREC filter = key("big");
        ASSERT_EQ(engine_call<EngineSlot::rskwhrd>(con_, &object, &filter, nullptr, nullptr), 0);
        object = nullptr;
        ASSERT_EQ(run("METHOD pm KIND=PROJECT; x = 1; ENDMETHOD;"
                      "METHOD pv KIND=POSTVAR; y = 1; ENDMETHOD;"
                      "METHOD pp KIND=POSTPRICE; z = 1; ENDMETHOD;"),
                  (std::vector<int>{0, 0, 0}))
            << log_;
        log_.clear();
    }
    template <EngineSlot S, typename... Args>
    static int engine_call(Args... args) {
        return engine_routine<S>()(args...);
    }
    RSKNAMECELL* head_ = nullptr;
    RSKNAMECELL* tail_ = nullptr;
};

// Each reader keeps the names it finds, in order, and reports the others with its message.
TEST_F(RunLists, FoundNamesKeptMissingReported) {
    define_objects();
    struct Case {
        const char* reader;
        std::vector<std::string> given;
        std::vector<std::string> kept;
        const char* message;     // of the missing name
    } cases[] = {
        {"rftrans", {"shift", "nope", "SHIFT"}, {"shift", "SHIFT"}, "670/1135"},
        {"filters", {"nope", "big"}, {"big"}, "670/1136"},
        {"idslist", {"mkt", "nope"}, {"mkt"}, "670/1023"},
        {"prmlist", {"pm", "nope"}, {"pm"}, "670/1169"},
    };
    for (const Case& c : cases) {
        log_.clear();
        NameField field(c.given);
        const std::string reader = c.reader;
        qor_print_set_log_file(log_path_.c_str());
        qor_print_set_msgids(true);
        int rc = reader == "rftrans"   ? zozu::get_rftrans(con_, &field.field, &head_, &tail_)
                 : reader == "filters" ? zozu::get_filters(con_, &field.field, &head_, &tail_)
                 : reader == "idslist" ? zozu::get_idslist(con_, &field.field, &head_, &tail_, "RUNPROJECT")
                                       : zozu::get_prmlist(con_, &field.field, &head_, &tail_, "PRICE", 0);
        xpoflsh(0);
        qor_print_set_log_file(nullptr);
        std::ifstream in(log_path_);
        std::stringstream text;
        text << in.rdbuf();
        log_ = text.str();
        EXPECT_EQ(rc, 0) << c.reader;
        EXPECT_EQ(names_of(head_), c.kept) << c.reader;
        EXPECT_NE(log_.find(c.message), std::string::npos) << c.reader << "\n" << log_;
        EXPECT_NE(log_.find("nope"), std::string::npos) << c.reader << "\n" << log_;
        zozu::free_name_list(con_, &head_, &tail_);
        EXPECT_EQ(head_, nullptr);
        EXPECT_EQ(tail_, nullptr);
    }
}

// The method lists look every name up as a method: the list word and the statement word are in
// the message; a field that was not given is an empty list.
TEST_F(RunLists, MethodListsAndAbsentField) {
    define_objects();
    NameField methods({"pv", "pp", "ghost"});
    qor_print_set_log_file(log_path_.c_str());
    qor_print_set_msgids(true);
    EXPECT_EQ(zozu::get_postvarlist(con_, &methods.field, &head_, &tail_, "PROJECT"), 0);
    xpoflsh(0);
    qor_print_set_log_file(nullptr);
    std::ifstream in(log_path_);
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(names_of(head_), (std::vector<std::string>{"pv", "pp"}));
    EXPECT_NE(log.find("670/1169"), std::string::npos) << log;
    EXPECT_NE(log.find("PostVaR"), std::string::npos) << log;
    EXPECT_NE(log.find("PROJECT"), std::string::npos) << log;
    zozu::free_name_list(con_, &head_, &tail_);

    operand_field absent{};
    EXPECT_EQ(zozu::get_postprclist(con_, &absent, &head_, &tail_, "PROJECT"), 0);
    EXPECT_EQ(zozu::get_filters(con_, nullptr, &head_, &tail_), 0);
    EXPECT_EQ(head_, nullptr);
}

// A list that cannot take a name answers 99 and stops at that name.
TEST_F(RunLists, AppendFailureAnswers99) {
    define_objects();
    put<EngineSlot::rsklsta>(&refuse_cell);
    NameField field({"big", "big"});
    EXPECT_EQ(zozu::get_filters(con_, &field.field, &head_, &tail_), zozu::kListAppendFailed);
    EXPECT_EQ(head_, nullptr);
}

}  // namespace

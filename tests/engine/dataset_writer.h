// Writes small data sets for engine tests: numeric and character columns, one row per
// observation, into a library the test has assigned.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/missing.h"

struct TestColumn {
    std::string name;
    bool character;
    int length;
};

// A row holds one text per column; numeric columns read it with strtod ("." is missing).
// 0, or the host's failure code.
inline int write_test_dataset(const char* libref, const char* member, const std::vector<TestColumn>& columns,
                              const std::vector<std::vector<std::string>>& rows) {
    qor_open_request open{};
    std::memset(open.libref, ' ', sizeof open.libref);
    std::memcpy(open.libref, libref, std::strlen(libref));
    open.member.length = static_cast<int16_t>(std::strlen(member));
    std::memcpy(open.member.text, member, std::strlen(member));
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_OUTPUT;
    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &open);
    if (rc != 0) return rc;
    std::vector<double> numbers(columns.size());
    std::vector<std::string> texts(columns.size());
    qor_putlist* put = nullptr;
    rc = xvputi(ds, static_cast<int>(columns.size()), &put);
    for (size_t c = 0; c < columns.size() && rc == 0; ++c) {
        qor_var_desc desc;
        xvnamei(&desc);
        std::strcpy(desc.name, columns[c].name.c_str());
        desc.name_length = static_cast<int16_t>(columns[c].name.size());
        desc.type = static_cast<int16_t>(columns[c].character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
        desc.length = columns[c].character ? columns[c].length : 8;
        texts[c].assign(static_cast<size_t>(desc.length), ' ');
        rc = columns[c].character ? xvputd(put, &desc, texts[c].data(), desc.length, nullptr)
                                  : xvputd(put, &desc, &numbers[c], 8, nullptr);
    }
    if (rc == 0) rc = xvpute(put);
    qor_obs_request request{};
    request.dataset = ds;
    for (const auto& row : rows) {
        for (size_t c = 0; c < columns.size() && rc == 0; ++c) {
            if (columns[c].character) {
                texts[c].assign(texts[c].size(), ' ');
                texts[c].replace(0, std::min(row[c].size(), texts[c].size()), row[c].substr(0, texts[c].size()));
            } else {
                numbers[c] = row[c] == "." ? qor::missing() : std::strtod(row[c].c_str(), nullptr);
            }
        }
        if (rc == 0) rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&request);
    }
    xvputt(put);
    if (rc != 0) {
        xoclose(ds, 1);
        return rc;
    }
    return xoclose(ds, 0);
}

// Names for the cases of parameterised suites, so that CTest's list reads as
// sentences and never shows a case's bytes.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace zf_test {

// "white space around" -> "WhiteSpaceAround": each word capitalised, anything
// but letters and digits dropped, as GoogleTest's names must be.
inline std::string case_name(const std::string& words) {
    std::string name;
    bool word_start = true;
    for (const char c : words) {
        const auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte)) {
            word_start = true;
            continue;
        }
        name += word_start ? static_cast<char>(std::toupper(byte)) : c;
        word_start = false;
    }
    return name.empty() ? "Unnamed" : name;
}

// Names each case by its `name` member, for INSTANTIATE_TEST_SUITE_P.
struct by_case_name {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return case_name(info.param.name);
    }
};

}  // namespace zf_test

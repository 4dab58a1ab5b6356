// The companion's words: which catalogue the desktop's environment picks, the
// catalogues as compiled for shipping, their plural forms, and a catalogue
// file that lies.
#include "companion/companion_words.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "companion/message_catalogue.h"
#include "companion/plural_rule.h"
#include "companion/status_line.h"
#include "tests/support/case_names.h"

namespace {

std::map<std::string, std::string> environment_now;

const char* fake_getenv(const char* name) {
    const auto found = environment_now.find(name);
    return found == environment_now.end() ? nullptr : found->second.c_str();
}

struct environment_case {
    std::string name;
    std::map<std::string, std::string> variables;
    std::vector<std::string> languages;
};

void PrintTo(const environment_case& c, std::ostream* out) { *out << c.name; }

class DesktopLanguages : public testing::TestWithParam<environment_case> {};

TEST_P(DesktopLanguages, FollowGettextsOrder) {
    environment_now = GetParam().variables;
    EXPECT_EQ(desktop_languages(fake_getenv), GetParam().languages);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DesktopLanguages,
    testing::Values(environment_case{"lang only", {{"LANG", "de_DE.UTF-8"}}, {"de_DE", "de"}},
                    environment_case{"messages over lang",
                                     {{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "pt_BR.UTF-8"}},
                                     {"pt_BR", "pt"}},
                    environment_case{"lc all over both",
                                     {{"LC_ALL", "ru_RU.UTF-8"}, {"LC_MESSAGES", "pl_PL.UTF-8"}},
                                     {"ru_RU", "ru"}},
                    environment_case{"language list first",
                                     {{"LANG", "fr_FR.UTF-8"}, {"LANGUAGE", "ja:zh_CN"}},
                                     {"ja", "zh_CN", "zh", "fr_FR", "fr"}},
                    environment_case{
                        "c locale ignores the list", {{"LANG", "C"}, {"LANGUAGE", "de"}}, {}},
                    environment_case{"nothing set", {}, {}},
                    environment_case{"modifier", {{"LANG", "ca_ES@valencia"}}, {"ca_ES", "ca"}},
                    environment_case{"no path in a name", {{"LANG", "../../etc/x"}}, {}}),
    zf_test::by_case_name());

std::optional<message_catalogue> shipped(const std::string& language) {
    return read_message_catalogue(catalogue_path(ZF_COMPANION_PATH, language));
}

struct line_case {
    std::string language;
    double cpu_time;
    std::string line;
};

void PrintTo(const line_case& c, std::ostream* out) { *out << c.language; }

class ShippedCatalogues : public testing::TestWithParam<line_case> {};

TEST_P(ShippedCatalogues, GiveTheLineInTheirLanguageWithItsPluralForms) {
    companion_words words;
    words.catalogue = shipped(GetParam().language);
    ASSERT_TRUE(words.catalogue) << catalogue_path(ZF_COMPANION_PATH, GetParam().language);
    words.decimal_mark = ",";
    task_state state;
    state.fraction_done = 0.4567;
    state.cpu_time = GetParam().cpu_time;
    state.suspended = true;
    EXPECT_EQ(status_line_text(state, words), GetParam().line);
}

// Plural forms: Russian and Polish have three, and 2, 5, 21, 22 and 25 fall
// into different ones; Chinese and Japanese one.
INSTANTIATE_TEST_SUITE_P(
    Languages, ShippedCatalogues,
    testing::Values(
        line_case{"de", 3725,
                  "45,7 % erledigt  1 Stunde 2 Minuten 5 Sekunden Rechenzeit  pausiert"},
        line_case{"fr", 61, "45,7 % effectués  1 minute 1 seconde de temps processeur  suspendue"},
        line_case{"es", 7322,
                  "45,7 % completado  2 horas 2 minutos 2 segundos de tiempo de "
                  "procesador  suspendida"},
        line_case{"pt_BR", 0,
                  "45,7% concluído  0 minuto 0 segundo de tempo de processador  "
                  "suspensa"},
        line_case{"ru", 21 * 3600 + 22 * 60 + 25,
                  "выполнено 45,7 %  21 час 22 минуты 25 секунд процессорного времени  "
                  "приостановлено"},
        line_case{"pl", 22 * 3600 + 5 * 60 + 1,
                  "ukończono 45,7%  22 godziny 5 minut 1 sekunda czasu procesora  wstrzymane"},
        line_case{"zh_CN", 3725, "已完成 45,7%  处理器时间 1 小时 2 分钟 5 秒  已暂停"},
        line_case{"ja", 3725, "45,7% 完了  プロセッサ時間 1 時間 2 分 5 秒  一時停止中"}),
    [](const testing::TestParamInfo<line_case>& info) { return info.param.language; });

TEST(EnglishWords, AreTheFallbackForAnyMissingCatalogue) {
    companion_words words;
    words.catalogue = shipped("xx");
    EXPECT_FALSE(words.catalogue);
    task_state state;
    state.user_name = "Ada";
    state.fraction_done = 0.4567;
    state.cpu_time = 3601;
    EXPECT_EQ(status_line_text(state, words),
              "\u2068Ada\u2069  45.7% done  1 hour 0 minutes 1 second processor time  running");
    EXPECT_EQ(waiting_for_the_task(words), "waiting for the task");
}

struct plural_case {
    std::string header;
    std::vector<std::pair<unsigned long, int>> forms;  // -1: no form
};

TEST(PluralRules, EvaluateGettextsExpressionsAndRefuseBrokenOnes) {
    const std::vector<plural_case> cases = {
        {"Plural-Forms: nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && "
         "(n%100<10 || n%100>=20) ? 1 : 2);\n",
         {{1, 0}, {2, 1}, {5, 2}, {11, 2}, {12, 2}, {21, 0}, {22, 1}, {111, 2}, {1004, 1}}},
        {"Plural-Forms: nplurals=2; plural=(n > 1);\n", {{0, 0}, {1, 0}, {2, 1}}},
        {"Plural-Forms: nplurals=1; plural=0;\n", {{0, 0}, {7, 0}}},
        {"Plural-Forms: nplurals=2; plural=!(n != 1) ? 0 : 1;\n", {{1, 0}, {3, 1}}},
        // Forms past nplurals, division by zero: no form, so English.
        {"Plural-Forms: nplurals=2; plural=n;\n", {{1, 1}, {5, -1}}},
        {"Plural-Forms: nplurals=2; plural=(n % (n - 2)) == 0;\n", {{3, 1}, {2, -1}}},
    };
    for (const plural_case& c : cases) {
        const std::optional<plural_rule> rule = plural_rule_from_header(c.header);
        ASSERT_TRUE(rule) << c.header;
        for (const auto& [n, form] : c.forms) {
            const std::optional<unsigned> got = plural_form(*rule, n);
            EXPECT_EQ(got ? static_cast<int>(*got) : -1, form) << c.header << " n=" << n;
        }
    }
    for (const char* broken :
         {"Plural-Forms: nplurals=2; plural=(n > 1;\n", "Plural-Forms: nplurals=2; plural=n ? 1;\n",
          "Plural-Forms: nplurals=x; plural=0;\n", "Language: de\n"}) {
        EXPECT_FALSE(plural_rule_from_header(broken)) << broken;
    }
    const std::string deep = "Plural-Forms: nplurals=2; plural=" + std::string(100000, '(') + "n" +
                             std::string(100000, ')') + ";\n";
    EXPECT_FALSE(plural_rule_from_header(deep));
}

TEST(MessageCatalogueFile, EveryCutOrBentCopyIsRefusedOrBounded) {
    std::optional<message_catalogue> good = shipped("ru");
    ASSERT_TRUE(good);
    // Read whole again as bytes, then cut at every length and bend each byte
    // of the header and tables: nothing may read past the end.
    FILE* file = std::fopen(catalogue_path(ZF_COMPANION_PATH, "ru").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(file);
    for (std::size_t length = 0; length < bytes.size(); ++length)
        parse_message_catalogue(bytes.substr(0, length));
    for (std::size_t at = 0; at < 28 + 16 * good->messages.size() + 16 && at < bytes.size(); ++at) {
        std::string bent = bytes;
        bent[at] = static_cast<char>(0xff);
        parse_message_catalogue(bent);
    }
    EXPECT_TRUE(parse_message_catalogue(bytes));
}

TEST(FillIn, ReachesNoFurtherThanItsValues) {
    EXPECT_EQ(fill_in("%s of %s", {"a", "b"}), "a of b");
    EXPECT_EQ(fill_in("%2$s before %1$s", {"a", "b"}), "b before a");
    EXPECT_EQ(fill_in("%s %s %3$s %d %n %", {"a"}), "a %s %3$s %d %n %");
    EXPECT_EQ(fill_in("100%%", {}), "100%");
}

}  // namespace

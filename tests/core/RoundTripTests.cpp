// Load, save and load again: the same keys and, key by key, the same values,
// over the corpus of real files and over generated ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "RegGenerator.h"
#include "TestUtil.h"
#include "document/RegParser.h"

using namespace testutil;
namespace fs = std::filesystem;

namespace {

// Files the loader refuses, each with the reason. A refused file that is not
// listed here, or a listed file that loads, fails the test.
const std::map<std::string, const char*> kRefused = {
    {"real/alexakulov_putty_solarized_dark.reg", "LF line ends: no CR after the header"},
    {"real/atlas_disable_auto_driver_install_utf8bom.reg", "UTF-8 byte-order mark before the header; LF line ends"},
    {"real/atlas_terminals_minimal.reg", "LF line ends"},
    {"real/atsushisuemitsu_install_utf16_double_encoded.reg", "UTF-16 encoded twice: the header reads W\\0i\\0n\\0..."},
    {"real/atsushisuemitsu_install_utf16_lf_japanese.reg", "UTF-16 with LF line ends"},
    {"real/backser0827_takeown_gbk_ansi_fullwidth_spaces.reg", "full-width spaces after the header word"},
    {"real/benbenhuo_fontlink_regedit4_utf8_cjk_names_indented.reg", "LF line ends"},
    {"real/benbenhuo_zh_fontsubstitutes_regedit4.reg", "LF line ends"},
    {"real/brendan8c_open_cmd_utf8_nobom_cyrillic.reg", "LF line ends"},
    {"real/djdallmann_gamingminimalnosvcs_utf8bom_crlf.reg", "UTF-8 byte-order mark before the header"},
    {"real/ionuttbara_disable_mitigation_hexb.reg", "LF line ends"},
    {"real/ionuttbara_remove_securitycomp_utf8bom.reg", "UTF-8 byte-order mark before the header; LF line ends"},
    {"real/makisekurisu_settings_regedit4_hex2_ansi.reg", "LF line ends"},
    {"real/maxkoehler_reset_exe_assoc_utf8bom.reg", "UTF-8 byte-order mark before the header; LF line ends"},
    {"real/microsoft_credprov_unregister_delkey.reg", "LF line ends"},
    {"real/microsoft_functiondiscovery_install.reg", "LF line ends"},
    {"real/microsoft_l2secext.reg", "LF line ends"},
    {"real/microsoft_perfgen_regedit4_spaces_ctrlz.reg", "LF line ends"},
    {"real/microsoft_registerprovider_regedit4.reg", "LF line ends"},
    {"real/microsoft_sideshow_pictures_hex2_hex7.reg", "LF line ends"},
    {"real/microsoft_sserver_win31_regedit.reg", "Windows 3.1 \"REGEDIT\" header; LF line ends"},
    {"real/microsoft_wmp_debugon_regedit4.reg", "LF line ends"},
    {"real/raphire_edge_autostartup_hex3_unindented_cont.reg", "LF line ends"},
    {"real/royna2544_wince_registry_regedit4_285k.reg", "LF line ends"},
    {"real/servo_windows10_system_hexb.reg", "LF line ends"},
    {"real/servo_windows2019_software_utf8_nobom.reg", "LF line ends"},
    {"real/shanghua2014_fonts_cn_regedit4_trailing_spaces.reg", "LF line ends"},
    {"real/w4rh4wk_lower_ram_usage_bad_dword.reg", "LF line ends"},
    {"real/wine_regedit_tests_orig_regedit4.reg", "LF line ends"},
    {"real/x2es_bt_dualboot_chntpw_export_noheader.reg", "no header line at all"},
    {"real/zouhuigang_context_menu_repeated_header.reg", "LF line ends"},
    {"crlf/atlas_disable_auto_driver_install_utf8bom.reg", "UTF-8 byte-order mark before the header"},
    {"crlf/atsushisuemitsu_install_utf16_double_encoded.reg", "UTF-16 encoded twice"},
    {"crlf/ionuttbara_remove_securitycomp_utf8bom.reg", "UTF-8 byte-order mark before the header"},
    {"crlf/maxkoehler_reset_exe_assoc_utf8bom.reg", "UTF-8 byte-order mark before the header"},
    {"crlf/microsoft_sserver_win31_regedit.reg", "Windows 3.1 \"REGEDIT\" header"},
};

// Every key's path and its values (name, kind, display), in document order.
std::vector<std::string> Snapshot(const RegDocument& doc, bool compareCharData) {
    std::vector<std::string> lines;
    ForEachKey(doc, [&](KeyNode* k) {
        std::string line = k->Path() + " =>";
        ValueList values;
        k->CollectValues(values);
        for (auto& v : values) {
            line += " [" + v->GetName() + "|" + v->GetTypeName();
            bool chars = v->GetType() == ValueType::ExpandString || v->GetType() == ValueType::MultiString;
            if (compareCharData || !chars) line += "|" + v->GetDisplayText();
            line += "]";
        }
        lines.push_back(line);
    });
    return lines;
}

bool Load(RegDocument& doc, const char* bytes, size_t size, ReadError& error) {
    RegText text;
    if (!DecodeRegBytes(bytes, size, text, error)) return false;
    doc.unicode = text.unicode;
    doc.abort = 0;
    return doc.ParseText(std::move(text.text), nullptr, text.length, true, false);
}

// Returns an empty string when the round trip keeps everything, else the first difference.
std::string RoundTrip(const std::string& bytes) {
    RegDocument doc;
    ReadError error;
    if (!Load(doc, bytes.data(), bytes.size(), error)) return std::string("not loaded: ") + ReadErrorText(error);
    RegDialect dialect = doc.dialect;
    bool unicode = doc.unicode;
    RegDialect other = dialect == kRegedit4 ? kRegedit5 : kRegedit4;
    struct Target {
        RegDialect dialect;
        bool unicode;
    } targets[] = {{dialect, unicode}, {dialect, !unicode}, {other, other == kRegedit5}, {other, other == kRegedit4}};
    std::vector<std::string> before = Snapshot(doc, true);
    for (const Target& t : targets) {
        MemorySink out;
        if (!WriteDocument(doc, out, t.unicode, t.dialect)) return "write failed";
        RegDocument again;
        if (!Load(again, out.Data(), out.Size(), error)) return std::string("saved file not loaded: ") + ReadErrorText(error);
        if (again.dialect != t.dialect || again.unicode != t.unicode) return "dialect or encoding not kept";
        std::vector<std::string> after = Snapshot(again, true);
        for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
            std::string a = i < before.size() ? before[i] : "(none)";
            std::string b = i < after.size() ? after[i] : "(none)";
            if (a != b)
                return "dialect " + std::to_string(t.dialect) + (t.unicode ? " utf16" : " ansi") + ", key " +
                       std::to_string(i) + ":\n  before: " + a + "\n  after:  " + b;
        }
    }
    return std::string();
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(RoundTrip, EveryCorpusFileKeepsItsKeysAndValuesOrIsListedAsRefused) {
    fs::path corpus = QUILLON_CORPUS_DIR;
    ASSERT_TRUE(fs::is_directory(corpus / "real")) << corpus.string();
    size_t loaded = 0, refused = 0;
    for (const char* folder : {"real", "crlf"}) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(corpus / folder))
            if (entry.path().extension() == ".reg") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::string id = std::string(folder) + "/" + file.filename().string();
            std::string bytes = ReadFile(file);
            auto listed = kRefused.find(id);
            RegDocument doc;
            ReadError error;
            bool ok = Load(doc, bytes.data(), bytes.size(), error);
            if (listed != kRefused.end()) {
                EXPECT_FALSE(ok) << id << " is listed as refused (" << listed->second << ") but loads";
                if (!ok) {
                    EXPECT_EQ(error, ReadError::Header) << id;
                }
                ++refused;
                continue;
            }
            EXPECT_TRUE(ok) << id << " is refused: " << ReadErrorText(error);
            if (!ok) continue;
            ++loaded;
            EXPECT_EQ(RoundTrip(bytes), "") << id;
        }
    }
    EXPECT_EQ(refused, kRefused.size());
    EXPECT_GT(loaded, 30u);
}

TEST(RoundTrip, GeneratedFilesInBothDialectsAndEncodings) {
    struct Case {
        RegDialect dialect;
        bool unicode;
    } cases[] = {{kRegedit5, true}, {kRegedit5, false}, {kRegedit4, false}, {kRegedit4, true}};
    uint64_t seed = 7;
    for (const Case& c : cases) {
        GeneratorOptions options;
        options.seed = seed++;
        options.targetBytes = 600 * 1024;
        options.dialect = c.dialect;
        options.unicode = c.unicode;
        MemorySink out;
        GeneratorStats stats;
        ASSERT_TRUE(GenerateRegFile(out, options, &stats));
        EXPECT_GT(stats.keys, 1000u);
        std::string bytes(out.Data(), out.Size());
        EXPECT_EQ(RoundTrip(bytes), "") << "dialect " << int(c.dialect) << (c.unicode ? " utf16" : " ansi");
    }
}

}  // namespace

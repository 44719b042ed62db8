// The part file: what each line kind reads as, the check it implies, the refusals with their line, the
// file that cannot be read, arbitrary bytes, and the test parts' single faults.

#include "device/part_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <utility>

using namespace tarnwell;

namespace {

part_description parse(const std::string& text) {
    std::istringstream in(text);
    return parsePart(in, "dut");
}

// The message of the E that `f` throws, or that it threw none.
template <class E, class F>
std::string thrown(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "nothing thrown";
}

std::string checksText(const part_description& part) {
    const check_set c = checksOf(part);
    return std::string(c.static_pins ? "static " : "") + (c.buttons ? "button " : "") + (c.touch ? "touch" : "");
}

TEST(PartFile, ReadsEveryLineKindAndWritesTheSamePartBack) {
    const std::string text =
        "# a comment, then a blank line\n"
        "\n"
        "firmware 2.0x0A.255\r\n"
        "  pair 1 anode 0x02 cathode 1.80 -0.02   # trailing comment\n"
        "pair 127 bidir 0 bidir +2.54V -2.56\n"
        "pair 9 66 10 common 0.020 -0.000\n"  // a code without a name
        "button 12 14 on\n"
        "touch 0 off\n"
        "check touch static\n";
    const std::string written =
        "firmware 2.10.255\n"
        "check static touch\n"
        "pair 1 anode 2 cathode 1.80 -0.02\n"
        "pair 127 bidir 0 bidir 2.54 -2.56\n"
        "pair 9 66 10 common 0.02 0.00\n"
        "button 12 14 on\n"
        "touch 0 off\n";
    const part_description part = parse(text);
    EXPECT_EQ(partText(part), written);
    EXPECT_EQ(partText(parse(written)), written);
    EXPECT_EQ(partText(part_description{}), "firmware 1.4.2\n");
}

TEST(PartFile, ACheckMeasuresWhatItsLineSaysOrElseWhatThePartLists) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"pair 1 anode 2 cathode 1.80 -0.02\n", "static "},
        {"button 12 14 on\ntouch 0 on\n", "button touch"},
        {"pair 1 anode 2 cathode 1.80 -0.02\nbutton 12 14 on\ntouch 0 on\n", "static button touch"},
        {"check button\npair 1 anode 2 cathode 1.80 -0.02\ntouch 0 on\n", "button "},
        {"check static\n", "static "},  // a part with nothing connected
        {"check touch button static\n", "static button touch"}};
    for (const auto& [text, checks] : cases)
        EXPECT_EQ(checksText(parse(text)), checks) << text;
}

TEST(PartFile, RefusesABadLineWithItsNumberAndTheReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"firmware 1.4.2\n# two lines before\npin 1 2\n", "dut:3: unknown item 'pin' (firmware, check, pair, button or touch)"},
        {"firmware 1.4\n", "dut:1: a firmware version is MAJOR.MINOR.PATCH, not '1.4'"},
        {"firmware 1.4.256\n", "dut:1: a version number must be a number from 0 to 255, not '256'"},
        {"pair 1 anode 2 cathode 1.80\n", "dut:1: expected 'pair PIN TYPE PIN TYPE VOLTS VOLTS'"},
        {"pair 128 anode 2 cathode 1.8 0\n", "dut:1: a pin must be a number from 0 to 127, not '128'"},
        {"pair -1 anode 2 cathode 1.8 0\n", "dut:1: a pin must be a number from 0 to 127, not '-1'"},
        {"pair 1 anode 2 cathode 2.56 0\n", "dut:1: a voltage drop must be in volts from -2.56 to 2.54, not '2.56'"},
        {"pair 1 anode 2 cathode 1.8 -2.58\n", "dut:1: a voltage drop must be in volts from -2.56 to 2.54, not '-2.58'"},
        {"pair 1 anode 2 cathode 1,8 0\n", "dut:1: a voltage drop must be in volts from -2.56 to 2.54, not '1,8'"},
        // Between two of the board's steps: never moved to one of them without a word.
        {"pair 1 anode 2 cathode 1.81 0\n",
         "dut:1: a voltage drop is a whole number of the board's 0.02 V steps (1.80 or 1.82), not '1.81'"},
        {"\npair 1 anode 2 cathode 1.80 -0.009\n",
         "dut:2: a voltage drop is a whole number of the board's 0.02 V steps (-0.02 or 0.00), not '-0.009'"},
        {"pair 1 anode 2 led 1.8 0\n", "dut:1: unknown pin type 'led' (nc, anode, cathode, bidir, shortcut, common, "
                                       "button_off, button_on, touch_off, touch_on or a code from 0 to 255)"},
        {"pair 1 256 2 cathode 1.8 0\n", "dut:1: a pin type code must be a number from 0 to 255, not '256'"},
        {std::string("pair 1\0 anode 2 cathode 1.8 0\n", 30), "dut:1: a pin must be a number from 0 to 127, not '1\\x00'"},
        {"button 12 14\n", "dut:1: expected 'button PIN COMMON on|off'"},
        {"touch 3 of\n", "dut:1: expected 'on' or 'off', not 'of'"},
        {"check\n", "dut:1: expected 'check' and one or more of static, button, touch"},
        {"check static static\n", "dut:1: 'static' twice in the check line"},
        {"check static buttons\n", "dut:1: unknown measure 'buttons' (static, button or touch)"},
        {"check static\n\ncheck touch\n", "dut:3: a second check line (a part has one at most)"},
        // A repeat would never be matched: the board reports each pair, button and pad once.
        {"pair 1 anode 2 cathode 1.8 0\npair 1 anode 3 cathode 1.8 0\npair 1 anode 2 cathode 1.8 0\n",
         "dut:3: pair 1-2 is listed twice"},
        {"pair 1 anode 2 cathode 1.8 0\npair 2 cathode 1 anode 0 1.8\n", "dut:2: pair 2-1 is listed twice"},
        {"button 12 14 on\nbutton 13 14 on\nbutton 14 12 off\n", "dut:3: button 14 (common 12) is listed twice"},
        {"touch 3 on\ntouch 4 on\ntouch 3 off\n", "dut:3: touch pad 3 is listed twice"},
        {"firmware 1.4.2\n# another board\nfirmware 2.0.0\n", "dut:3: a second firmware line (a part has one)"},
        {std::string(300, 'x') + "\n", "dut:1: unknown item 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' (firmware, "
                                       "check, pair, button or touch)"}};
    for (const auto& [text, message] : cases)
        EXPECT_EQ(thrown<bad_part_file>([&] { parse(text); }), message);
    std::string many;
    for (int i = 0; i < 256; ++i)
        many += "pair 1 anode 2 cathode 1.80 -0.02\n";
    EXPECT_THROW(parse(many), bad_part_file);
}

TEST(PartFile, AFileThatCannotBeReadGivesTheSystemsReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/dut.device", "/nonexistent/dut.device: No such file or directory"},
        {testing::TempDir(), testing::TempDir() + ": Is a directory"},
        {"/dev/zero", "/dev/zero: larger than 1 MiB, too large for a part file"}};
    for (const auto& [path, message] : cases)
        EXPECT_EQ(thrown<unreadable_part_file>([&] { readPartFile(path); }), message);
}

// Whatever the bytes, the parser gives a part or a bad_part_file naming a line: no other exception,
// no crash, no endless message.
TEST(PartFile, AnyBytesGiveAPartOrTheFileError) {
    const std::string pieces[] = {"firmware", "check", "pair", "button", "touch", "static", "on", "off", "anode",
                                  "0x", "-", "1.80", "2.54", "127", "255", " ", " ", "\n", "#", ".", "\r",
                                  std::string(1, '\0'), "\t", "V", "1e308", "nan", "0x1p3"};
    std::mt19937 random(12);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i)
            text += random() % 3 ? pieces[random() % std::size(pieces)] : std::string(1, static_cast<char>(random()));
        try {
            parse(text);
        } catch (const bad_part_file& e) {
            EXPECT_EQ(std::string(e.what()).rfind("dut:" + std::to_string(e.line) + ": ", 0), 0u) << e.what();
            EXPECT_LT(std::string(e.what()).size(), 300u);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what() << " for " << testing::PrintToString(text);
        }
    }
}

// Each faulty part is the good part with one line changed, added or taken away.
TEST(TestParts, EachFaultyPartDiffersFromTheGoodPartInOneLine) {
    const auto lines = [](const std::string& file) {
        std::multiset<std::string> out;
        std::istringstream in(partText(readPartFile(RX48P_TEST_PARTS "/" + file)));
        for (std::string line; std::getline(in, line);)
            out.insert(line);
        return out;
    };
    const auto minus = [](const std::multiset<std::string>& a, const std::multiset<std::string>& b) {
        std::multiset<std::string> out = a;
        for (const std::string& line : b)
            if (const auto it = out.find(line); it != out.end())
                out.erase(it);
        return out;
    };
    const std::multiset<std::string> good = lines("good.device");
    EXPECT_EQ(good.count("check static button touch"), 1u);
    struct fault {
        const char* file;
        std::multiset<std::string> gone;
        std::multiset<std::string> added;
    };
    const fault faults[] = {
        {"missing-pair.device", {"pair 5 bidir 6 bidir 1.96 1.98"}, {}},
        {"swapped-type.device", {"pair 3 anode 4 cathode 2.10 -0.02"}, {"pair 3 cathode 4 anode 2.10 -0.02"}},
        {"drop-out.device", {"pair 1 anode 2 cathode 1.80 -0.02"}, {"pair 1 anode 2 cathode 2.00 -0.02"}},
        {"extra-pair.device", {}, {"pair 9 shortcut 10 shortcut 0.00 0.00"}},
        {"button-wrong.device", {"button 13 14 off"}, {"button 13 14 on"}},
        {"touch-wrong.device", {"touch 17 off"}, {"touch 17 on"}}};
    for (const fault& f : faults) {
        const std::multiset<std::string> faulty = lines(f.file);
        EXPECT_EQ(minus(good, faulty), f.gone) << f.file;
        EXPECT_EQ(minus(faulty, good), f.added) << f.file;
    }
}

}  // namespace

// The message codecs of the card: the GSM alphabet, the SMS-DELIVER PDUs it builds
// (checked against python3-gammu's decoder), the SMS-SUBMIT decoder, and the splitting
// of command lines.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "vcard/AtCommandLine.h"
#include "vcard/DeliverPduBuilder.h"
#include "modem/GsmAlphabet.h"
#include "vcard/HexText.h"
#include "vcard/SubmitPduDecoder.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {
namespace {

SmsTimeStamp FixedTime() {
    SmsTimeStamp stamp;
    stamp.year = 2026;
    stamp.month = 12;
    stamp.day = 8;
    stamp.hour = 9;
    stamp.minute = 30;
    stamp.second = 5;
    stamp.zoneQuarters = 32;
    return stamp;
}

std::string Hex(const std::vector<std::uint8_t>& octets) {
    return HexText::Encode(octets);
}

TEST(GsmAlphabet, PacksTheTextbookExample) {
    const auto septets = GsmAlphabet::ToSeptets(U"hello world");
    ASSERT_TRUE(septets);
    EXPECT_EQ("E8329BFD06DDDF723619", Hex(GsmAlphabet::Pack(*septets, 0)));
    const auto unpacked =
        GsmAlphabet::Unpack(GsmAlphabet::Pack(*septets, 1).data(), 10, septets->size(), 1);
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(*septets, *unpacked);
    EXPECT_FALSE(GsmAlphabet::Unpack(GsmAlphabet::Pack(*septets, 0).data(), 9, 11, 0));
}

TEST(GsmAlphabet, MapsTheDefaultAndExtensionTables) {
    struct Case {
        const char* name;
        std::u32string text;
        std::string septets;  // empty: no GSM form
    };
    const Case cases[] = {
        {"at sign is zero", U"@", std::string(1, '\0')},
        {"pound and euro", U"£€", std::string("\x01\x1b\x65", 3)},
        {"brackets escape", U"[]{}", "\x1b\x3c\x1b\x3e\x1b\x28\x1b\x29"},
        {"greek capitals", U"ΔΩ", "\x10\x15"},
        {"Chinese has none", U"你", ""},
        {"backquote has none", U"`", ""},
    };
    for (const Case& c : cases) {
        const auto septets = GsmAlphabet::ToSeptets(c.text);
        if (c.septets.empty()) {
            EXPECT_FALSE(septets) << c.name;
            continue;
        }
        ASSERT_TRUE(septets) << c.name;
        EXPECT_EQ(c.septets, *septets) << c.name;
        EXPECT_EQ(c.text, GsmAlphabet::FromSeptets(*septets)) << c.name;
    }
}

TEST(UnicodeText, RepairsMalformedUtf8AndKeepsSurrogatePairs) {
    EXPECT_EQ(U"a\uFFFDb", UnicodeText::FromUtf8("a\xC3"
                                                 "b"));
    EXPECT_EQ(U"\uFFFD\uFFFD", UnicodeText::FromUtf8("\xC0\xAF"));  // overlong '/'
    const std::u32string smile = U"\U0001F600";
    EXPECT_EQ(u"\xD83D\xDE00", UnicodeText::ToUtf16(smile));
    EXPECT_EQ(smile, UnicodeText::FromUtf16(UnicodeText::ToUtf16(smile)));
    EXPECT_EQ("\xF0\x9F\x98\x80", UnicodeText::ToUtf8(smile));
}

TEST(DeliverPduBuilder, BuildsSingleMessagesByteForByte) {
    const auto parts =
        DeliverPduBuilder::Build("+8613912345678", "Hi", FixedTime(), "+8613800000500", 0);
    ASSERT_EQ(1u, parts.size());
    // SCA, first octet 04, OA, PID 00, DCS 00, time stamp 26-12-08 09:30:05 +08:00, UDL 2.
    EXPECT_EQ("0891683108000005F0040D91683119325476F800006221809003502302C834", Hex(parts[0].pdu));
    EXPECT_EQ(22, parts[0].tpduLength);
    EXPECT_EQ("26/12/08,09:30:05+32", parts[0].timeStamp);
    EXPECT_FALSE(parts[0].hasHeader);
}

TEST(DeliverPduBuilder, SplitsWhereARealNetworkWould) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::size_t> partLengths;  // characters per part
        int dataCoding;
    };
    const std::string euro = "\xE2\x82\xAC";
    const std::string ni = "\xE4\xBD\xA0";
    std::string escapeAtBoundary = std::string(152, 'a') + euro + std::string(8, 'b');
    std::string chinese70;
    std::string chinese71;
    for (int i = 0; i < 70; ++i) {
        chinese70 += ni;
    }
    chinese71 = chinese70 + ni;
    std::string emojiAtBoundary;
    for (int i = 0; i < 66; ++i) {
        emojiAtBoundary += ni;
    }
    emojiAtBoundary += "\xF0\x9F\x98\x80" + ni + ni + ni + ni + ni;
    const Case cases[] = {
        {"160 septets fit one message", std::string(160, 'x'), {160}, 0},
        {"161 septets need two", std::string(161, 'x'), {153, 8}, 0},
        {"an escape pair is not split", escapeAtBoundary, {152, 9}, 0},
        {"70 UCS2 characters fit one", chinese70, {70}, 8},
        {"71 need two of 67 and 4", chinese71, {67, 4}, 8},
        {"a surrogate pair is not split", emojiAtBoundary, {66, 6}, 8},
        {"empty text", "", {0}, 0},
    };
    for (const Case& c : cases) {
        const auto parts = DeliverPduBuilder::Build("10086", c.text, FixedTime(), "", 7);
        ASSERT_EQ(c.partLengths.size(), parts.size()) << c.name;
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(c.partLengths[i], UnicodeText::FromUtf8(parts[i].text).size())
                << c.name << " part " << i;
            EXPECT_EQ(c.dataCoding, parts[i].dataCoding) << c.name;
            EXPECT_EQ(parts.size() > 1, parts[i].hasHeader) << c.name;
            EXPECT_LE(parts[i].userData.size(), 140u) << c.name;
            joined += parts[i].text;
        }
        EXPECT_EQ(c.text, joined) << c.name;
    }
}

// Runs the PDUs through python3-gammu; the decoded lines, or nothing when it is missing.
std::optional<std::vector<std::string>> DecodeWithGammu(const std::vector<std::string>& pdus) {
    std::string python;
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        const std::string probe = std::string(candidate) + " -c 'import gammu' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) {
        return std::nullopt;
    }
    char path[] = "/tmp/vcard-pdus-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    {
        std::ofstream out(path);
        for (const auto& pdu : pdus) {
            out << pdu << "\n";
        }
    }
    const std::string command =
        "PYTHONIOENCODING=utf-8 " + python + " " VELTRO_VCARD_TEST_DIR "/decode_pdus.py < " + path;
    std::vector<std::string> lines;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::string all;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
            all.append(buffer, n);
        }
        ::pclose(pipe);
        std::istringstream in(all);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
    }
    std::remove(path);
    return lines;
}

TEST(DeliverPduBuilder, AnIndependentDecoderReadsWhatTheCardBuilds) {
    struct Case {
        const char* name;
        const char* number;
        std::string text;
    };
    const Case cases[] = {
        {"7-bit national", "13912345678", "Meet at 5, OK?"},
        {"7-bit with extension characters", "+8613912345678", "Price: 5€ [promo] {x}|~^\\"},
        {"UCS2 international", "+8613912345678", "你好，世界！余额不足。"},
        {"UCS2 beyond the BMP", "10086", "ok \xF0\x9F\x98\x80"},
        {"alphanumeric sender", "CMCC", "Your bill"},
        {"line breaks", "10086", "line 1\nline 2"},
        {"concatenated 7-bit", "10086", std::string(170, 'z')},
        {"concatenated UCS2", "10086", std::string(80 * 1, 'x') + "中"},
    };
    std::vector<std::string> pdus;
    std::vector<std::string> expected;
    int reference = 40;
    for (const Case& c : cases) {
        const auto parts =
            DeliverPduBuilder::Build(c.number, c.text, FixedTime(), "+8613800000500", reference++);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            pdus.push_back(Hex(parts[i].pdu));
            std::string text = parts[i].text;
            for (std::size_t at = text.find('\n'); at != std::string::npos;
                 at = text.find('\n', at)) {
                text.replace(at, 1, "\\n");
            }
            const std::string part =
                parts.size() > 1 ? std::to_string(i + 1) + "/" + std::to_string(parts.size())
                                 : "0/0";
            const char* coding =
                parts[i].dataCoding == 8 ? "Unicode_No_Compression" : "Default_No_Compression";
            expected.push_back(std::string("Deliver\t") + c.number + "\t" + coding + "\t" + part +
                               "\t+8613800000500\t" + text);
        }
    }
    const auto decoded = DecodeWithGammu(pdus);
    if (!decoded) {
        GTEST_SKIP() << "python3-gammu is not installed";
    }
    ASSERT_EQ(expected.size(), decoded->size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], (*decoded)[i]) << pdus[i];
    }
}

TEST(SubmitPduDecoder, ReadsSubmissionsAndRefusesBrokenOnes) {
    std::string full = "0011010D91683119325476F80008018C";
    std::string fullText;
    for (int i = 0; i < 70; ++i) {
        full += "0041";
        fullText += "A";
    }
    std::string over = "0011010D91683119325476F80008018E" + std::string(284, '0');
    struct Case {
        const char* name;
        const char* hex;
        int length;
        bool valid;
        const char* number;
        const char* text;
        bool header;
    };
    const Case cases[] = {
        {"UCS2, relative validity", "0011010D91683119325476F8000801044F60597D", 19, true,
         "+8613912345678", "你好", false},
        {"7-bit, no validity", "0001000B813119325476F8000004C8329BFD", 17, true, "13912345678",
         "Hell", false},
        {"7-bit, absolute validity", "0019000B813119325476F800006221809003502304C8329BFD", 24, true,
         "13912345678", "Hell", false},
        {"7-bit behind a concatenation header", "0041000B813119325476F800000A050003010201906536",
         22, true, "13912345678", "Hel", true},
        {"TPDU shorter than announced", "0011010D91683119325476F8000801044F60597D", 20, false, "",
         "", false},
        {"user data cut short", "0011010D91683119325476F8000801044F60", 17, false, "", "", false},
        {"odd UCS2 length", "0011010D91683119325476F8000801034F6059", 18, false, "", "", false},
        {"address runs past the end", "0011010D916831", 6, false, "", "", false},
        {"deliver instead of submit", "0004010D91683119325476F8000801044F60597D", 19, false, "", "",
         false},
        {"header longer than the data", "0051000B813119325476F800080104094F6059", 18, false, "", "",
         false},
        {"140 octets of UCS2 fit", full.c_str(), 155, true, "+8613912345678", fullText.c_str(),
         false},
        // What a sender gets by wrapping the length of a longer text: the network refuses.
        {"more than 140 octets", over.c_str(), 157, false, "", "", false},
        {"not hex", "zz", 1, false, "", "", false},
        {"empty", "", 0, false, "", "", false},
    };
    for (const Case& c : cases) {
        const auto submit = SubmitPduDecoder::Decode(c.hex, c.length);
        ASSERT_EQ(c.valid, submit.has_value()) << c.name;
        if (submit) {
            EXPECT_EQ(c.number, submit->number) << c.name;
            EXPECT_EQ(c.text, submit->text) << c.name;
            EXPECT_EQ(c.header, submit->hasHeader) << c.name;
        }
    }
}

TEST(AtCommandLine, SplitsLikeAV250Modem) {
    struct Case {
        const char* name;
        const char* body;
        std::vector<std::string> commands;  // name[form]argument; empty: unreadable
    };
    auto render = [](const AtCommand& c) {
        static constexpr const char* kForms[] = {"", "=", "?", "=?"};
        return c.name + kForms[static_cast<int>(c.form)] + c.argument;
    };
    const Case cases[] = {
        {"empty line", "", {}},
        {"basic run together", "E0V1Q0", {"E0", "V1", "Q0"}},
        {"extended chain", "+CMGF=1;+CNMI?", {"+CMGF=1", "+CNMI?"}},
        {"mixed", "E0+CMEE=1;&W", {"E0", "+CMEE=1", "&W"}},
        {"S register", "S0=4S7?", {"S0=4", "S7?"}},
        {"quotes keep case and semicolons", "+CMGL=\"rec;Unread\"", {"+CMGL=\"rec;Unread\""}},
        {"spaces outside quotes vanish", "+ cmgs = \"1 2\"", {"+CMGS=\"1 2\""}},
        {"dial takes the rest", "D*99***1#;+CGMI", {"D*99***1#;+CGMI"}},
        {"test form", "+CGDCONT=?", {"+CGDCONT=?"}},
        {"vendor prefix", "$CSQ=1,8", {"$CSQ=1,8"}},
        {"S register without value", "S0", {}},
        {"huge S register", "S99999999999=1", {}},
        {"stray character", "#", {}},
        {"bare prefix", "+", {}},
    };
    for (const Case& c : cases) {
        const auto commands = AtCommandLine::Split(c.body);
        const bool unreadable = c.commands.empty() && std::string(c.body) != "";
        ASSERT_EQ(!unreadable, commands.has_value()) << c.name;
        if (!commands) {
            continue;
        }
        std::vector<std::string> rendered;
        for (const auto& command : *commands) {
            rendered.push_back(render(command));
        }
        EXPECT_EQ(c.commands, rendered) << c.name;
    }
}

}  // namespace
}  // namespace veltro::vcard

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "CapturedAnswers.h"
#include "modem/ModemDeviceClass.h"
#include "modem/StatusParsers.h"

namespace veltro {
namespace {

using test::CapturedAnswer;
using test::FindCapturedAnswer;
using test::LoadCapturedAnswers;

struct FieldCase {
    const char* name;
    const char* text;
    bool ok;
    int value;
};

std::string CaseName(const ::testing::TestParamInfo<FieldCase>& info) {
    return info.param.name;
}

class RegistrationTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(RegistrationTest, ReadsStatusAfterFirstComma) {
    const FieldCase& c = GetParam();
    const ParsedField field = StatusParsers::PacketRegistration(c.text);
    EXPECT_EQ(c.ok, field.ok);
    if (c.ok) {
        EXPECT_EQ(c.value, field.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RegistrationTest,
    ::testing::Values(
        FieldCase{"registered", "\r\n+CGREG: 0,1\r\n\r\nOK\r\n", true, 1},
        FieldCase{"roaming", "\r\n+CGREG: 0,5\r\n\r\nOK\r\n", true, 5},
        FieldCase{"searching", "\r\n+CGREG: 2,2,\"\",\"\"\r\n\r\nOK\r\n", true, 2},
        FieldCase{"echoed", "AT+CGREG?\r\r\n+CGREG: 1,1\r\n\r\nOK\r\n", true, 1},
        FieldCase{"afterStaleText", "RING\r\n\r\nOK\r\n+CGREG: 0,3\r\nOK\r\n", true, 3},
        FieldCase{"firstLineWins", "+CGREG: 0,1\r\n+CGREG: 0,5\r\n", true, 1},
        FieldCase{"spaceBeforeStatus", "+CGREG: 2, 1\r\n", true, 1},
        FieldCase{"negativeIsNoStatus", "+CGREG: ,\n\r\r-1\r\r\n", true, 0},
        FieldCase{"noComma", "\r\n+CGREG: 0\r\n\r\nOK\r\n", false, 0},
        FieldCase{"noLineEnd", "+CGREG: 0,1", false, 0},
        FieldCase{"noPrefix", "\r\n+CREG: 0,1\r\n\r\nOK\r\n", false, 0},
        FieldCase{"noSpaceAfterColon", "+CGREG:0,1\r\n", false, 0},
        FieldCase{"empty", "", false, 0},
        FieldCase{"overflowingStatus", "+CGREG: 0,99999999999999999999\r\n", false, 0},
        FieldCase{"largestInt", "+CGREG: 0,2147483647\r\n", true, INT_MAX}),
    CaseName);

class SignalTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(SignalTest, ReadsValueBeforeComma) {
    const FieldCase& c = GetParam();
    const ParsedField field = StatusParsers::SignalValue(c.text);
    EXPECT_EQ(c.ok, field.ok);
    if (c.ok) {
        EXPECT_EQ(c.value, field.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SignalTest,
    ::testing::Values(FieldCase{"card", "\r\n$CSQ: 20,99\r\n+CSQ: 20,99\r\n\r\nOK\r\n", true, 20},
                      FieldCase{"noSignal", "$CSQ: 99,99\r\nOK\r\n", true, 99},
                      FieldCase{"fiveCharacters", "$CSQ: 12345,0\r\nOK\r\n", true, 12345},
                      FieldCase{"sixCharacters", "$CSQ: 123456,0\r\nOK\r\n", false, 0},
                      FieldCase{"paddedFive", "$CSQ:   100,0\r\nOK\r\n", true, 100},
                      FieldCase{"onlyStandardLine", "\r\n+CSQ: 20,99\r\n\r\nOK\r\n", false, 0},
                      FieldCase{"noComma", "$CSQ: 20\r\nOK\r\n", false, 0},
                      FieldCase{"commaOnNextLine", "$CSQ: 20\r\nOK\r\n+X: 1,2", false, 0},
                      FieldCase{"emptyValue", "$CSQ: ,99\r\n", true, 0}),
    CaseName);

TEST(StatusParsersTest, SearchStartsBeyondMaskedAnswer) {
    // The engine masks what a read consumed; the next read must find the next answer,
    // not the one it already read.
    std::string buffer = "$CSQ: 20,99\r\nOK\r\n$CSQ: 25,99\r\nOK\r\n";
    const ParsedField first = StatusParsers::SignalValue(buffer);
    ASSERT_TRUE(first.ok);
    buffer.replace(0, first.consumed, first.consumed, '0');
    const ParsedField second = StatusParsers::SignalValue(buffer);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(25, second.value);
}

TEST(StatusParsersTest, SimReadyAnywhereInAnswer) {
    EXPECT_TRUE(StatusParsers::SimReady("READY\r\n"));
    EXPECT_TRUE(StatusParsers::SimReady("\r\n+CPIN: READY\r\n\r\nOK\r\n"));
    EXPECT_FALSE(StatusParsers::SimReady("\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n"));
    EXPECT_FALSE(StatusParsers::SimReady("ready"));
    EXPECT_FALSE(StatusParsers::SimReady(""));
}

// Captured answers of real modems, by source.
TEST(CapturedAnswersTest, SimStateOfEverySample) {
    const auto samples = LoadCapturedAnswers("cpin.txt");
    ASSERT_GE(samples.size(), 6u);
    int ready = 0;
    for (const CapturedAnswer& sample : samples) {
        SCOPED_TRACE(sample.source);
        const bool expected = sample.received.find("+CPIN: READY") != std::string::npos;
        EXPECT_EQ(expected, StatusParsers::SimReady(sample.received));
        ready += expected ? 1 : 0;
    }
    EXPECT_EQ(2, ready);
    // RING and +CLIP arrive between the command and its answer.
    EXPECT_TRUE(
        StatusParsers::SimReady(FindCapturedAnswer("cpin.txt", "smsd-cancel-call.c").received));
}

TEST(CapturedAnswersTest, RegistrationOfRealModems) {
    struct Expected {
        const char* source;
        bool ok;
        int value;
    };
    const Expected cases[] = {
        {"test_cgreg2_f3607gw_solicited", true, 1},
        {"test_cgreg2_x220_unsolicited", true, 1},        // spaces between the fields
        {"test_creg_cgreg_multi_unsolicited", false, 0},  // status-only report
        {"sierra312u.dump", false, 0},                    // +CREG is never read
        {"at-creg/empty.dump", false, 0},
    };
    for (const Expected& e : cases) {
        const CapturedAnswer sample = FindCapturedAnswer("creg_cgreg.txt", e.source);
        SCOPED_TRACE(sample.source);
        const ParsedField field = StatusParsers::PacketRegistration(sample.received);
        EXPECT_EQ(e.ok, field.ok);
        if (e.ok) {
            EXPECT_EQ(e.value, field.value);
        }
    }
    for (const CapturedAnswer& sample : LoadCapturedAnswers("creg_cgreg.txt")) {
        if (sample.received.find("+CGREG: ") == std::string::npos) {
            SCOPED_TRACE(sample.source);
            EXPECT_FALSE(StatusParsers::PacketRegistration(sample.received).ok);
        }
    }
}

TEST(CapturedAnswersTest, StandardSignalAnswersCarryNoVendorValue) {
    const auto samples = LoadCapturedAnswers("csq.txt");
    ASSERT_FALSE(samples.empty());
    for (const CapturedAnswer& sample : samples) {
        SCOPED_TRACE(sample.source);
        EXPECT_FALSE(StatusParsers::SignalValue(sample.received).ok);
    }
}

TEST(CapturedAnswersTest, ErrorAnswersSatisfyNothing) {
    const auto samples = LoadCapturedAnswers("errors.txt");
    ASSERT_FALSE(samples.empty());
    for (const CapturedAnswer& sample : samples) {
        SCOPED_TRACE(sample.source);
        EXPECT_FALSE(StatusParsers::SimReady(sample.received));
        EXPECT_FALSE(StatusParsers::PacketRegistration(sample.received).ok);
        EXPECT_FALSE(StatusParsers::SignalValue(sample.received).ok);
    }
}

TEST(CapturedAnswersTest, ManufacturerWithLeadingSpace) {
    const CapturedAnswer sample = FindCapturedAnswer("cgmi_echo.txt", "WavecomMultiband900E1800");
    EXPECT_TRUE(StatusParsers::HasManufacturer(sample.received, "WAVECOM MODEM"));
    EXPECT_FALSE(StatusParsers::HasManufacturer(sample.received, "BenQ"));
    EXPECT_FALSE(StatusParsers::HasManufacturer(sample.received, ""));
}

// Bounded random input: every parser over buffers of exactly the text's size (so that
// ASan sees any read beyond them), built from the tokens the parsers look for.
std::string RandomText(std::mt19937& random, const std::vector<std::string>& tokens) {
    std::uniform_int_distribution<int> pieces(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, tokens.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    const int count = pieces(random);
    for (int i = 0; i < count; ++i) {
        if (random() % 4 == 0) {
            text += static_cast<char>(byte(random));
        } else {
            text += tokens[pick(random)];
        }
    }
    return text;
}

TEST(StatusParsersFuzzTest, RandomAnswersStayInBounds) {
    const std::vector<std::string> tokens = {
        "+CGREG: ",   "$CSQ: ",      ",",  "\r\n",    "\r",   "\n",   "READY",
        "OK",         " ",           "-",  "+",       "0",    "7",    "99",
        "2147483648", "99999999999", "\"", "+CPIN: ", "BenQ", "$CSQ:"};
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomText(random, tokens);
        const auto exact = std::make_unique<char[]>(text.size() + 1);
        std::copy(text.begin(), text.end(), exact.get());
        const std::string_view view(exact.get(), text.size());
        const ParsedField registration = StatusParsers::PacketRegistration(view);
        const ParsedField signal = StatusParsers::SignalValue(view);
        ASSERT_LE(registration.consumed, view.size());
        ASSERT_LE(signal.consumed, view.size());
        StatusParsers::SimReady(view);
        StatusParsers::HasManufacturer(view, "BenQ");
    }
}

TEST(StatusParsersFuzzTest, LeadingIntegerAgreesWithStrtol) {
    const std::vector<std::string> tokens = {" ", "-",  "+",          "0",          "1",  "9", "42",
                                             "x", "\t", "2147483647", "2147483648", "\r", ","};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomText(random, tokens);
        errno = 0;
        const long long reference = std::strtoll(text.c_str(), nullptr, 10);
        const bool fits = errno == 0 && reference >= INT_MIN && reference <= INT_MAX;
        int value = -12345;
        const bool ok = StatusParsers::LeadingInteger(text, &value);
        ASSERT_EQ(fits, ok) << '"' << text << '"';
        if (ok) {
            ASSERT_EQ(reference, value) << '"' << text << '"';
        }
    }
}

TEST(DeviceTableFuzzTest, RandomTablesNeverBreakTheReader) {
    const std::vector<std::string> tokens = {
        "[0000]",       "[0009]",     "[0010]", "[",  "]", "\n", "\r\n",
        "FriendlyName", "AttachedTo", "=",      "\"", ";", "#",  " ",
        "VeltroGSM",    "ttyUSB0",    "[000",   "\t"};
    std::mt19937 random(99);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomText(random, tokens);
        const auto exact = std::make_unique<char[]>(text.size() + 1);
        std::copy(text.begin(), text.end(), exact.get());
        const ModemDeviceClass table =
            ModemDeviceClass::FromTableText(std::string_view(exact.get(), text.size()));
        for (int index = -1; index <= ModemDeviceClass::kInstanceCount; ++index) {
            const auto device = table.Instance(index);
            if (index < 0 || index >= ModemDeviceClass::kInstanceCount) {
                ASSERT_FALSE(device.has_value());
            }
        }
    }
}

}  // namespace
}  // namespace veltro

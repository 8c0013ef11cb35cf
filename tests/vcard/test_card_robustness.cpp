// Whatever a client sends, the card neither crashes nor stops answering; whatever
// arrives as a PDU or a command line, the parsers refuse it cleanly.

#include <gtest/gtest.h>

#include <random>

#include "vcard/AtCommandLine.h"
#include "vcard/CardModem.h"
#include "vcard/SubmitPduDecoder.h"

namespace veltro::vcard {
namespace {

// Printable-heavy noise with the characters that switch the card's modes mixed in.
std::string Noise(std::mt19937& random, std::size_t size) {
    static const std::string kSpecial = std::string("AT+CMGS=;\"?\r\n\x1a\x1b\x08", 17) + "D*99#";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned pick = random() % 10;
        out += pick < 4   ? kSpecial[random() % kSpecial.size()]
               : pick < 8 ? static_cast<char>(' ' + random() % 95)
                          : static_cast<char>(random() % 256);
    }
    return out;
}

TEST(CardRobustness, KeepsAnsweringAfterNoise) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        CardOptions options;
        options.smsCapacity = 3;
        CardModem modem(options);
        std::uint64_t now = 1000;
        modem.AddMessage("10086", "stored", now);
        for (int burst = 0; burst < 20; ++burst) {
            modem.Receive(Noise(random, 1 + random() % 80), 115200, now);
            now += random() % 300;
            modem.Advance(now);
            modem.TakeOutput(now);
        }
        // Leave whatever mode the noise left: cancel a message body, escape a data line
        // with its guard times, end a call.
        modem.Receive("\x1b", 115200, now);
        now += 2000;
        modem.Advance(now);
        modem.Receive("+++", 115200, now);
        now += 2000;
        modem.Advance(now);
        modem.SetAnswerDelay(0);
        modem.Receive("\rATH\rATE0V1Q0\r", 115200, now);
        modem.TakeOutput(now);
        modem.Receive("AT\r", 115200, now);
        std::string answer;
        for (const auto& output : modem.TakeOutput(now)) {
            answer += output.bytes;
        }
        EXPECT_EQ("\r\nOK\r\n", answer) << "round " << round;
    }
}

TEST(CardRobustness, ParsersRefuseNoiseCleanly) {
    std::mt19937 random(7);
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < 20000; ++i) {
        std::string hex;
        const std::size_t octets = random() % 40;
        for (std::size_t k = 0; k < octets * 2; ++k) {
            hex += kHex[random() % 16];
        }
        const auto submit = SubmitPduDecoder::Decode(hex, static_cast<int>(random() % 45));
        if (submit) {
            EXPECT_LE(submit->number.size(), 40u);
        }
        AtCommandLine::Split(Noise(random, random() % 40));
    }
}

}  // namespace
}  // namespace veltro::vcard

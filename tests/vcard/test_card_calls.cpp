// Voice calls and the packet data line. Timing is checked on the card's logic in virtual
// time; the data line also through a real pty, where the client closing the port ends it.

#include <gtest/gtest.h>

#include <thread>

#include "CardClient.h"
#include "vcard/CardModem.h"
#include "vcard/VirtualCard.h"

namespace veltro::vcard {
namespace {

// The card's logic on a virtual clock: the test says what time it is.
class VirtualTimeCard {
public:
    explicit VirtualTimeCard(CardOptions options = {}) : modem_(std::move(options)) {
        Command("ATE0");
    }
    std::string Command(const std::string& line) {
        modem_.Receive(line + "\r", 115200, now_);
        return Output();
    }
    void SendRaw(const std::string& bytes) { modem_.Receive(bytes, 115200, now_); }
    // Moves the clock on and returns what the card said meanwhile.
    std::string Wait(std::uint64_t ms) {
        now_ += ms;
        modem_.Advance(now_);
        return Output();
    }
    CardModem& Modem() { return modem_; }
    std::uint64_t Now() const { return now_; }

private:
    std::string Output() {
        std::string out;
        for (const auto& output : modem_.TakeOutput(now_)) {
            out += output.bytes;
        }
        return out;
    }
    CardModem modem_;
    std::uint64_t now_ = 1000;
};

TEST(CardCalls, DialAnswersOkOrNoCarrier) {
    CardOptions options;
    options.busyNumbers = {"10000"};
    struct Case {
        const char* name;
        const char* line;
        const char* answer;
        bool inCall;
    };
    const Case cases[] = {
        {"voice call", "ATD13800138000;", "\r\nOK\r\n", true},
        {"busy number", "ATD10000;", "\r\nNO CARRIER\r\n", false},
        {"data to a phone number", "ATD13800138000", "\r\nNO CARRIER\r\n", false},
        {"empty number", "ATD;", "\r\nERROR\r\n", false},
        {"tone dialling prefix", "ATDT13800138000;", "\r\nOK\r\n", true},
    };
    for (const Case& c : cases) {
        VirtualTimeCard card(options);
        EXPECT_EQ(c.answer, card.Command(c.line)) << c.name;
        EXPECT_EQ(c.inCall, card.Modem().InCall()) << c.name;
    }
    options.registration = 0;
    VirtualTimeCard unregistered(options);
    EXPECT_EQ("\r\nNO CARRIER\r\n", unregistered.Command("ATD13800138000;"));
}

TEST(CardCalls, OkComesWhenTheFarEndPicksUp) {
    CardOptions options;
    options.dialAnswerMs = 3000;
    VirtualTimeCard card(options);
    EXPECT_EQ("", card.Command("ATD13800138000;"));
    EXPECT_EQ("", card.Wait(2999));
    EXPECT_EQ("\r\nOK\r\n", card.Wait(1));
    EXPECT_TRUE(card.Modem().InCall());
    EXPECT_EQ("\r\nOK\r\n", card.Command("AT+VTS=5"));
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATH0"));
    EXPECT_FALSE(card.Modem().InCall());

    // Hanging up before the far end answers: no late OK.
    EXPECT_EQ("", card.Command("ATD13800138000;"));
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATH0"));
    EXPECT_EQ("", card.Wait(5000));
}

TEST(CardCalls, BusyNumberEndsInItsResultAtOnceOrAfterTheDelay) {
    struct Case {
        const char* name;
        const char* result;
        std::uint32_t afterMs;
        const char* verbose;
        const char* numeric;
    };
    const Case cases[] = {
        {"busy at once", "BUSY", 0, "\r\nBUSY\r\n", "7\r"},
        {"busy after the network tried", "BUSY", 1500, "\r\nBUSY\r\n", "7\r"},
        {"no answer", "NO ANSWER", 2000, "\r\nNO ANSWER\r\n", "8\r"},
    };
    for (const Case& c : cases) {
        CardOptions options;
        options.busyNumbers = {"10000"};
        options.busyResult = c.result;
        options.busyAfterMs = c.afterMs;
        options.dialAnswerMs = 500;  // other numbers: not the busy number's delay
        VirtualTimeCard card(options);
        const std::string early = card.Command("ATD10000;");
        if (c.afterMs > 0) {
            EXPECT_EQ("", early + card.Wait(c.afterMs - 1)) << c.name;
            EXPECT_FALSE(card.Modem().InCall()) << c.name;
            EXPECT_EQ(c.verbose, card.Wait(1)) << c.name;
        } else {
            EXPECT_EQ(c.verbose, early) << c.name;
        }
        EXPECT_FALSE(card.Modem().InCall()) << c.name;
        // The line is free again; ATV0 gives the numeric code.
        ASSERT_EQ("0\r", card.Command("ATV0")) << c.name;
        const std::string dialled = card.Command("ATD10000;");
        EXPECT_EQ(c.numeric, dialled + card.Wait(c.afterMs)) << c.name;
    }
    // Hanging up while the network still tries: no late result.
    CardOptions options;
    options.busyNumbers = {"10000"};
    options.busyResult = "BUSY";
    options.busyAfterMs = 1000;
    VirtualTimeCard card(options);
    EXPECT_EQ("", card.Command("ATD10000;"));
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATH"));
    EXPECT_EQ("", card.Wait(5000));
}

TEST(CardCalls, IncomingCallRingsWithCallerIdUntilAnswered) {
    CardOptions options;
    options.ringIntervalMs = 3000;
    VirtualTimeCard card(options);
    ASSERT_EQ("\r\nOK\r\n", card.Command("AT+CLIP=1"));
    card.Modem().IncomingCall("+8613912345678", card.Now());
    const std::string ring = "\r\nRING\r\n\r\n+CLIP: \"+8613912345678\",145\r\n";
    EXPECT_EQ(ring, card.Wait(0));
    EXPECT_EQ("", card.Wait(2999));
    EXPECT_EQ(ring, card.Wait(1));
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATA"));
    EXPECT_TRUE(card.Modem().InCall());
    EXPECT_EQ("", card.Wait(10000));
    card.Modem().RemoteHangUp(card.Now());
    EXPECT_EQ("\r\nNO CARRIER\r\n", card.Wait(0));
    EXPECT_FALSE(card.Modem().InCall());
    // Nothing to answer any more.
    EXPECT_EQ("\r\nNO CARRIER\r\n", card.Command("ATA"));
}

TEST(CardCalls, CallerIdFollowsClipAndTheNumberType) {
    struct Case {
        const char* name;
        bool clip;
        const char* number;
        const char* ring;
    };
    const Case cases[] = {
        {"caller id off", false, "13800138000", "\r\nRING\r\n"},
        {"national number", true, "13800138000", "\r\nRING\r\n\r\n+CLIP: \"13800138000\",129\r\n"},
        {"withheld", true, "", "\r\nRING\r\n\r\n+CLIP: \"\",128,,,,1\r\n"},
    };
    for (const Case& c : cases) {
        VirtualTimeCard card;
        ASSERT_EQ("\r\nOK\r\n", card.Command(c.clip ? "AT+CLIP=1" : "AT+CLIP=0"));
        card.Modem().IncomingCall(c.number, card.Now());
        EXPECT_EQ(c.ring, card.Wait(0)) << c.name;
    }
}

TEST(CardCalls, CallerGivesUpAfterTheLastRing) {
    CardOptions options;
    options.ringIntervalMs = 1000;
    options.ringsBeforeGiveUp = 3;
    VirtualTimeCard card(options);
    card.Modem().IncomingCall("13800138000", card.Now());
    std::string heard = card.Wait(0) + card.Wait(1000) + card.Wait(1000);
    EXPECT_EQ("\r\nRING\r\n\r\nRING\r\n\r\nRING\r\n", heard);
    EXPECT_EQ("\r\nNO CARRIER\r\n", card.Wait(1000));
    EXPECT_EQ("", card.Wait(5000));
}

TEST(CardCalls, HangingUpARingingCallRejectsIt) {
    VirtualTimeCard card;
    card.Modem().IncomingCall("13800138000", card.Now());
    card.Wait(0);
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATH0"));
    EXPECT_EQ("", card.Wait(10000));
    // A second call while one is up finds the line busy.
    ASSERT_EQ("\r\nOK\r\n", card.Command("ATD13800138000;"));
    card.Modem().IncomingCall("13900000000", card.Now());
    EXPECT_EQ("", card.Wait(5000));
}

TEST(CardCalls, TonesAreRecordedAndNeedACall) {
    VirtualTimeCard card;
    ASSERT_EQ("\r\nOK\r\n", card.Command("AT+CMEE=1"));
    EXPECT_EQ("\r\n+CME ERROR: 3\r\n", card.Command("AT+VTS=1"));
    ASSERT_EQ("\r\nOK\r\n", card.Command("ATD13800138000;"));
    for (const char* tone : {"AT+VTS=#", "AT+VTS=*", "AT+VTS=9", "AT+VTS=\"0\""}) {
        EXPECT_EQ("\r\nOK\r\n", card.Command(tone)) << tone;
    }
    EXPECT_EQ("\r\nERROR\r\n", card.Command("AT+VTS=X"));
    EXPECT_EQ("\r\nERROR\r\n", card.Command("AT+VTS=12"));
    EXPECT_EQ("1#*90", card.Modem().Tones());
}

TEST(CardCalls, DataLineRunsUntilTheEscapeWithItsGuardTime) {
    CardOptions options;
    options.escapeGuardMs = 1000;
    options.dataBytesPerSecond = 4000;
    options.dataChunkMs = 100;
    VirtualTimeCard card(options);
    EXPECT_EQ("\r\nCONNECT\r\n", card.Command("ATD*99***1#"));
    EXPECT_TRUE(card.Modem().InDataMode());
    const std::string downlink = card.Wait(1000);
    EXPECT_EQ(4000u, downlink.size());
    EXPECT_EQ(std::string::npos, downlink.find("NO CARRIER"));
    EXPECT_EQ(std::string::npos, downlink.find("OK"));

    // Uplink is swallowed; "+++" right after data is data too.
    card.SendRaw("ATH0\r+++");
    EXPECT_EQ(4400u, card.Wait(1100).size());
    EXPECT_TRUE(card.Modem().InDataMode());
    EXPECT_EQ(8u, card.Modem().DataBytesReceived());

    // Silence, "+++", silence: back in command mode.
    card.Wait(1000);
    card.SendRaw("+++");
    card.Wait(999);
    EXPECT_TRUE(card.Modem().InDataMode());
    const std::string end = card.Wait(1);
    EXPECT_EQ("\r\nNO CARRIER\r\n", end.substr(end.size() - 14));
    EXPECT_FALSE(card.Modem().InDataMode());
    EXPECT_EQ("", card.Wait(1000));
    EXPECT_EQ("\r\nOK\r\n", card.Command("ATH0"));
}

TEST(CardCalls, DataNeedsServiceAndSeveralDialStringsWork) {
    struct Case {
        const char* name;
        int registration;
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"context 1", 1, "ATD*99***1#", "\r\nCONNECT\r\n"},
        {"default context", 1, "ATD*99#", "\r\nCONNECT\r\n"},
        {"roaming", 5, "ATDT*99***1#", "\r\nCONNECT\r\n"},
        {"not registered", 0, "ATD*99***1#", "\r\nNO CARRIER\r\n"},
        {"searching", 2, "ATD*99***1#", "\r\nNO CARRIER\r\n"},
    };
    for (const Case& c : cases) {
        CardOptions options;
        options.registration = c.registration;
        VirtualTimeCard card(options);
        EXPECT_EQ(c.answer, card.Command(c.line)) << c.name;
    }
}

TEST(CardCalls, RemoteEndOfTheDataSession) {
    VirtualTimeCard card;
    ASSERT_EQ("\r\nCONNECT\r\n", card.Command("ATD*99***1#"));
    card.Wait(300);
    card.Modem().RemoteHangUp(card.Now());
    EXPECT_EQ("\r\nNO CARRIER\r\n", card.Wait(0));
    EXPECT_EQ("\r\nOK\r\n", card.Command("AT"));
}

TEST(CardDataLine, ClosingThePortEndsTheSession) {
    CardOptions options;
    options.dataBytesPerSecond = 8000;
    VirtualCard card(options);
    ASSERT_TRUE(card.Start());
    {
        test::CardClient client(card.DevicePath());
        ASSERT_EQ("ATD*99***1#\r\r\nCONNECT\r\n", client.Command("ATD*99***1#"));
        // 800-byte chunks every 100 ms; a loaded machine may shift a chunk either way.
        const std::string downlink = client.ReadFor(350);
        EXPECT_GE(downlink.size(), 800u);
        EXPECT_LE(downlink.size(), 6400u);
        client.Send(std::string(500, '\x7e'));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(500u, card.DataBytesReceived());
        EXPECT_TRUE(card.InDataMode());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(card.InDataMode());
    test::CardClient again(card.DevicePath());
    EXPECT_EQ("AT\r\r\nOK\r\n", again.Command("AT"));  // no stale data, no NO CARRIER
}

TEST(CardDataLine, AClientThatDoesNotReadLosesDataButNotTheCard) {
    CardOptions options;
    options.dataBytesPerSecond = 40000;  // ten times what the pty can hold in a second
    options.escapeGuardMs = 200;
    VirtualCard card(options);
    ASSERT_TRUE(card.Start());
    test::CardClient client(card.DevicePath());
    ASSERT_EQ("ATE0\r\r\nOK\r\n", client.Command("ATE0"));
    ASSERT_EQ("\r\nCONNECT\r\n", client.Command("ATD*99***1#"));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(card.InDataMode());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    client.ReadFor(250);  // drain, and the guard time before the escape
    client.Send("+++");
    const std::string rest = client.ReadUntil("\r\nNO CARRIER\r\n", 2000);
    EXPECT_NE(std::string::npos, rest.find("\r\nNO CARRIER\r\n"));
    EXPECT_EQ("\r\nOK\r\n", client.Command("AT"));
}

}  // namespace
}  // namespace veltro::vcard

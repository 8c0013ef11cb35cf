// The SIM message store and message submission, through a real pty in both modes.

#include <gtest/gtest.h>

#include "CardClient.h"
#include "vcard/VirtualCard.h"

namespace veltro::vcard {
namespace {

using test::CardClient;

class CardMessages : public ::testing::Test {
protected:
    void SetUp() override { Start({}); }
    void Start(CardOptions options) {
        client_.reset();
        card_ = std::make_unique<VirtualCard>(std::move(options));
        ASSERT_TRUE(card_->Start());
        client_ = std::make_unique<CardClient>(card_->DevicePath());
        ASSERT_EQ("ATE0\r\r\nOK\r\n", client_->Command("ATE0"));
    }
    std::string Stamp(int index) const { return card_->StoredMessages()[index].timeStamp; }

    std::unique_ptr<VirtualCard> card_;
    std::unique_ptr<CardClient> client_;
};

TEST_F(CardMessages, TextModeListsByStatusAndReadingMarksRead) {
    ASSERT_EQ(1, card_->AddMessage("+8613912345678", "Hello there"));
    ASSERT_EQ(2, card_->AddMessage("10086", "你好"));
    const std::string first =
        "+CMGL: 1,\"REC UNREAD\",\"+8613912345678\",,\"" + Stamp(0) + "\"\r\nHello there";
    const std::string second =
        "+CMGL: 2,\"REC UNREAD\",\"10086\",,\"" + Stamp(1) + "\"\r\n4F60597D";

    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+CMGL=\"REC READ\""));
    // Listing unread messages turns them into read ones (3GPP TS 27.005 3.4.2).
    EXPECT_EQ("\r\n" + first + "\r\n" + second + "\r\n\r\nOK\r\n",
              client_->Command("AT+CMGL=\"REC UNREAD\""));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+CMGL=\"REC UNREAD\""));
    std::string all = client_->Command("AT+CMGL=\"ALL\"");
    EXPECT_NE(std::string::npos, all.find("+CMGL: 1,\"REC READ\",\"+8613912345678\",,\""));
    EXPECT_NE(std::string::npos, all.find("+CMGL: 2,\"REC READ\",\"10086\""));

    ASSERT_EQ(3, card_->AddMessage("13800000000", "Third"));
    EXPECT_EQ(
        "\r\n+CMGR: \"REC UNREAD\",\"13800000000\",,\"" + Stamp(2) + "\"\r\nThird\r\n\r\nOK\r\n",
        client_->Command("AT+CMGR=3"));
    EXPECT_NE(std::string::npos, client_->Command("AT+CMGR=3").find("\"REC READ\""));
    // A number in the PDU-mode form is no text-mode status.
    EXPECT_EQ("\r\n+CMS ERROR: 305\r\n", client_->Command("AT+CMGL=4"));
}

TEST_F(CardMessages, PduModeShowsTheDeliverPdusItBuilt) {
    ASSERT_EQ(1, card_->AddMessage("+8613912345678", "Hi"));
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=0"));
    const std::string answer = client_->Command("AT+CMGR=1");
    // "+CMGR: <stat>,,<length>" then SC address 8613800000500, first octet 04 (deliver,
    // no more messages), OA 13 digits international, PID 00, DCS 00, 7 octets of time
    // stamp, UDL 2, "Hi" packed.
    ASSERT_EQ(0u, answer.find("\r\n+CMGR: 0,,22\r\n0891683108000005F0040D91683119325476F80000"))
        << answer;
    EXPECT_EQ("02C834\r\n\r\nOK\r\n", answer.substr(answer.size() - 14));
    EXPECT_EQ(std::string::npos, client_->Command("AT+CMGL=0").find("+CMGL:"));
    EXPECT_NE(std::string::npos, client_->Command("AT+CMGL=1").find("+CMGL: 1,1,,22\r\n0891"));
    EXPECT_EQ("\r\n+CMS ERROR: 304\r\n", client_->Command("AT+CMGL=\"ALL\""));
}

TEST_F(CardMessages, ReadsTheWayTheProgramReads) {
    // PDU mode first to see whether a header is there, then text mode for the fields.
    ASSERT_EQ(1, card_->AddMessage("+8613912345678", "欢迎使用"));
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    EXPECT_NE(std::string::npos, client_->Command("AT+CMGL=\"REC UNREAD\"").find("+CMGL: 1,"));
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=0"));
    const std::string pdu = client_->Command("AT+CMGR=1");
    EXPECT_NE(std::string::npos, pdu.find("\r\n+CMGR: 1,,")) << pdu;
    EXPECT_NE(std::string::npos, pdu.find("\r\n0891683108000005F004")) << pdu;
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    EXPECT_EQ("\r\n+CMGR: \"REC READ\",\"+8613912345678\",,\"" + Stamp(0) +
                  "\"\r\n6B228FCE4F7F7528\r\n\r\nOK\r\n",
              client_->Command("AT+CMGR=1"));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+CMGD=1"));
    EXPECT_EQ("\r\n+CMS ERROR: 321\r\n", client_->Command("AT+CMGR=1"));
}

TEST_F(CardMessages, LongTextsBecomeConcatenatedParts) {
    const std::string text(200, 'a');
    ASSERT_EQ(1, card_->AddMessage("10086", text));
    const auto stored = card_->StoredMessages();
    ASSERT_EQ(2u, stored.size());
    EXPECT_TRUE(stored[0].hasHeader);
    EXPECT_EQ(153u, stored[0].text.size());
    EXPECT_EQ(47u, stored[1].text.size());
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=0"));
    // First octet 44: deliver with a user-data header; UDL 160 septets (7 + 153).
    const std::string answer = client_->Command("AT+CMGR=1");
    EXPECT_NE(std::string::npos, answer.find("0891683108000005F044")) << answer;
    EXPECT_NE(std::string::npos, answer.find("A0050003000201")) << answer;
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    // Behind a header the text-mode body is the user data in hex.
    EXPECT_NE(std::string::npos, client_->Command("AT+CMGR=2").find("\r\n050003000202"));
}

TEST_F(CardMessages, DeletingAndAFullSim) {
    CardOptions options;
    options.smsCapacity = 3;
    Start(options);
    struct Case {
        const char* name;
        const char* line;
        const char* answer;
    };
    EXPECT_EQ(1, card_->AddMessage("1", "a"));
    EXPECT_EQ(2, card_->AddMessage("2", "b"));
    EXPECT_EQ(-1, card_->AddMessage("3", std::string(170, 'c')));  // two parts, one slot
    EXPECT_EQ(3, card_->AddMessage("3", "c"));
    EXPECT_EQ(-1, card_->AddMessage("4", "d"));
    const Case cases[] = {
        {"storage counts", "AT+CPMS?", "\r\n+CPMS: \"SM\",3,3,\"SM\",3,3,\"SM\",3,3\r\n\r\nOK\r\n"},
        {"only the SIM", "AT+CPMS=\"ME\"", "\r\n+CMS ERROR: 302\r\n"},
        {"select the SIM", "AT+CPMS=\"SM\",\"SM\"", "\r\n+CPMS: 3,3,3,3,3,3\r\n\r\nOK\r\n"},
        {"delete one", "AT+CMGD=2", "\r\nOK\r\n"},
        {"an empty slot", "AT+CMGD=2", "\r\nOK\r\n"},
        {"beyond the SIM", "AT+CMGD=4", "\r\n+CMS ERROR: 321\r\n"},
        {"index zero", "AT+CMGD=0", "\r\n+CMS ERROR: 321\r\n"},
        {"no index", "AT+CMGD=", "\r\n+CMS ERROR: 321\r\n"},
        {"bad flag", "AT+CMGD=1,9", "\r\n+CMS ERROR: 303\r\n"},
        {"read one", "AT+CMGR=1", nullptr},
        {"delete all read", "AT+CMGD=1,1", "\r\nOK\r\n"},
        {"left", "AT+CPMS?", "\r\n+CPMS: \"SM\",1,3,\"SM\",1,3,\"SM\",1,3\r\n\r\nOK\r\n"},
        {"delete all", "AT+CMGD=1,4", "\r\nOK\r\n"},
        {"empty", "AT+CMGL=4", "\r\nOK\r\n"},
    };
    for (const Case& c : cases) {
        const std::string answer = client_->Command(c.line);
        if (c.answer != nullptr) {
            EXPECT_EQ(c.answer, answer) << c.name;
        }
    }
    EXPECT_EQ(1, card_->AddMessage("5", "e"));  // the lowest free slot again
}

TEST_F(CardMessages, SendsInTextMode) {
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    EXPECT_EQ("\r\n> ", client_->Command("AT+CMGS=\"10086\""));
    // The program sends Ctrl-Z, LF CR LF and a CR after the body; the tail is no command.
    client_->Send("CXYE\x1a\n\r\n\r");
    EXPECT_EQ("\r\n+CMGS: 0\r\n\r\nOK\r\n", client_->ReadAnswer());
    EXPECT_EQ("", client_->ReadFor(100));
    EXPECT_EQ("\r\n> ", client_->Command("AT+CMGS=\"10086\""));
    client_->Send("two\rlines\x1a");
    // A CR inside the text asks for the next line with a fresh prompt.
    EXPECT_EQ("\r\n> \r\n+CMGS: 1\r\n\r\nOK\r\n", client_->ReadUntil("OK\r\n"));

    const auto sent = card_->SentMessages();
    ASSERT_EQ(2u, sent.size());
    EXPECT_FALSE(sent[0].pduMode);
    EXPECT_EQ("10086", sent[0].number);
    EXPECT_EQ("CXYE", sent[0].text);
    EXPECT_EQ("CXYE", sent[0].raw);
    EXPECT_EQ("two\rlines", sent[1].text);
    EXPECT_EQ(1, sent[1].reference);
    EXPECT_EQ("\r\n+CMS ERROR: 305\r\n", client_->Command("AT+CMGS=10086"));
}

TEST_F(CardMessages, SendsAndDecodesPdus) {
    struct Case {
        const char* name;
        int length;
        const char* pdu;
        const char* answer;
        const char* number;
        const char* text;
    };
    // The form the program builds: no SC address, first octet 11, relative validity,
    // 13-digit international number, UCS2.
    const Case cases[] = {
        {"UCS2 to a mobile", 19, "0011010D91683119325476F8000801044F60597D", "+CMGS: 0",
         "+8613912345678", "你好"},
        {"7-bit with SC address", 18, "07916831080000F511000B813119325476F80000A704C8329BFD",
         "+CMGS: 1", "13912345678", "Hell"},
        {"length does not match", 20, "0011010D91683119325476F8000801044F60597D", "+CMS ERROR: 304",
         "", ""},
        {"user data longer than announced", 19, "0011010D91683119325476F8000801024F60597D",
         "+CMS ERROR: 304", "", ""},
        {"not hex", 19, "0011010D91683119325476F8000801044F60597G", "+CMS ERROR: 304", "", ""},
        {"a deliver, not a submit", 19, "0004010D91683119325476F8000801044F60597D",
         "+CMS ERROR: 304", "", ""},
    };
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=0"));
    std::size_t accepted = 0;
    for (const Case& c : cases) {
        ASSERT_EQ("\r\n> ", client_->Command("AT+CMGS=" + std::to_string(c.length))) << c.name;
        client_->Send(std::string(c.pdu) + "\x1a");
        EXPECT_EQ(std::string("\r\n") + c.answer + "\r\n" +
                      (c.answer[1] == 'C' && c.answer[2] == 'M' && c.answer[3] == 'G' ? "\r\nOK\r\n"
                                                                                      : ""),
                  client_->ReadAnswer())
            << c.name;
        if (std::string(c.answer).rfind("+CMGS", 0) == 0) {
            const auto sent = card_->SentMessages();
            ASSERT_EQ(++accepted, sent.size()) << c.name;
            EXPECT_TRUE(sent.back().pduMode);
            EXPECT_EQ(c.number, sent.back().number) << c.name;
            EXPECT_EQ(c.text, sent.back().text) << c.name;
            EXPECT_EQ(c.pdu, sent.back().raw) << c.name;
        }
    }
    EXPECT_EQ(1, card_->SentMessages()[0].tpReference);
    EXPECT_EQ(8, card_->SentMessages()[0].dataCoding);
}

TEST_F(CardMessages, EscapeCancelsASubmission) {
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    ASSERT_EQ("\r\n> ", client_->Command("AT+CMGS=\"10086\""));
    client_->Send("never mind\x1b");
    EXPECT_EQ("\r\nOK\r\n", client_->ReadAnswer());
    EXPECT_TRUE(card_->SentMessages().empty());
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT"));
}

TEST_F(CardMessages, MessageCommandsNeedAUsableSim) {
    struct Case {
        const char* name;
        SimState sim;
        int registration;
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"list without SIM", SimState::Absent, 1, "AT+CMGL", "\r\n+CMS ERROR: 310\r\n"},
        {"read behind PIN", SimState::PinLocked, 1, "AT+CMGR=1", "\r\n+CMS ERROR: 311\r\n"},
        {"mode switch works anyway", SimState::Absent, 1, "AT+CMGF=1", "\r\nOK\r\n"},
    };
    for (const Case& c : cases) {
        CardOptions options;
        options.sim = c.sim;
        options.registration = c.registration;
        Start(options);
        EXPECT_EQ(c.answer, client_->Command(c.line)) << c.name;
    }
    CardOptions options;
    options.registration = 0;
    Start(options);
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    ASSERT_EQ("\r\n> ", client_->Command("AT+CMGS=\"10086\""));
    client_->Send("x\x1a");
    EXPECT_EQ("\r\n+CMS ERROR: 331\r\n", client_->ReadAnswer());  // no network service
}

TEST_F(CardMessages, NewMessageIndicationsFollowCnmi) {
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CNMI=0,1,0,0,0"));
    card_->AddMessage("10086", "buffered in the TA, not shown");
    EXPECT_EQ("", client_->ReadFor(100));
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CNMI=2,1,0,0,0"));
    card_->AddMessage("10086", "shown");
    EXPECT_EQ("\r\n+CMTI: \"SM\",2\r\n", client_->ReadUntil("\",2\r\n"));
}

TEST_F(CardMessages, UcsCharacterSetShowsNumbersAndTextInHex) {
    card_->AddMessage("10086", "Hi");
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CSCS=\"UCS2\""));
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMGF=1"));
    EXPECT_NE(std::string::npos,
              client_->Command("AT+CMGR=1")
                  .find("\"00310030003000380036\",,\"" + Stamp(0) + "\"\r\n00480069\r\n"));
    ASSERT_EQ("\r\n> ", client_->Command("AT+CMGS=\"0031\""));
    client_->Send("4F60\x1a");
    client_->ReadAnswer();
    ASSERT_EQ(1u, card_->SentMessages().size());
    EXPECT_EQ("1", card_->SentMessages()[0].number);
    EXPECT_EQ("你", card_->SentMessages()[0].text);
}

}  // namespace
}  // namespace veltro::vcard

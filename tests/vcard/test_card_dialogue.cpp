// The card's command dialogue through a real pty: framing, echo, the baud rule, status
// answers, faults, and the port being closed and opened again.

#include <gtest/gtest.h>

#include <thread>

#include "CardClient.h"
#include "vcard/VirtualCard.h"

namespace veltro::vcard {
namespace {

using test::CardClient;

class CardDialogue : public ::testing::Test {
protected:
    void StartCard(CardOptions options = {}) {
        card_ = std::make_unique<VirtualCard>(std::move(options));
        ASSERT_TRUE(card_->Start());
        client_ = std::make_unique<CardClient>(card_->DevicePath(), card_->BaudRate());
        ASSERT_TRUE(client_->IsOpen());
    }
    // Echo off, so that answers are compared without the command in front.
    void Quiet() { ASSERT_EQ("ATE0\r\r\nOK\r\n", client_->Command("ATE0")); }

    std::unique_ptr<VirtualCard> card_;
    std::unique_ptr<CardClient> client_;
};

TEST_F(CardDialogue, EchoesUntilAte0AndFramesAnswersWithCrLf) {
    StartCard();
    EXPECT_EQ("AT+CGMI\r\r\nWAVECOM MODEM (VeltroGSM card)\r\n\r\nOK\r\n",
              client_->Command("AT+CGMI"));
    EXPECT_EQ("ATE0\r\r\nOK\r\n", client_->Command("ATE0"));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT"));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT+NOSUCH"));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT#?"));
    // Lower case, spaces, and noise before "AT" are a modem's everyday input.
    EXPECT_EQ("\r\nOK\r\n", client_->Command("\n\nat + cmgf = 1"));
    EXPECT_EQ("\r\n+CMGF: 1\r\n\r\nOK\r\n", client_->Command("AT+CMGF?"));
    // Several commands on one line; the first failure ends the line with ERROR.
    EXPECT_EQ("\r\n+CMEE: 1\r\n\r\nOK\r\n", client_->Command("AT+CMEE=1;+CMEE?"));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("ATE0+NOSUCH;+CGMI"));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("ATE1"));
    EXPECT_EQ("ATV0\r0\r", client_->Command("ATV0", 300));
    client_->ReadFor(50);
    const auto lines = card_->ReceivedLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ("AT+CGMI", lines[0]);
    EXPECT_EQ("at + cmgf = 1", lines[5]);
}

TEST_F(CardDialogue, AnswersEveryCommandTheProgramSendsAtStartUp) {
    StartCard();
    Quiet();
    struct Case {
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"AT+CGDCONT=1,\"IP\",\"CMNET\"", "\r\nOK\r\n"},
        {"AT+CGDCONT=2,\"IP\",\"CMWAP\"", "\r\nOK\r\n"},
        {"AT+CGDCONT?",
         "\r\n+CGDCONT: 1,\"IP\",\"CMNET\"\r\n\r\n+CGDCONT: 2,\"IP\",\"CMWAP\"\r\n"
         "\r\nOK\r\n"},
        {"AT+CNMI=0,1,0,0,0", "\r\nOK\r\n"},
        {"AT+CMGF=0", "\r\nOK\r\n"},
        {"AT+CLIP=1", "\r\nOK\r\n"},
        {"ATS0=0", "\r\nOK\r\n"},
        {"ATS0?", "\r\n000\r\n\r\nOK\r\n"},
        {"AT$CSQ=0", "\r\nOK\r\n"},
        {"AT+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n"},
        {"AT+CGATT=1", "\r\nOK\r\n"},
        {"AT+CGREG?", "\r\n+CGREG: 0,1\r\n\r\nOK\r\n"},
        {"AT+CSQ", "\r\n$CSQ: 20,99\r\n\r\n+CSQ: 20,99\r\n\r\nOK\r\n"},
        {"AT&W", "\r\nOK\r\n"},
        {"AT+CGDCONT=9,\"IP\",\"X\"", "\r\nERROR\r\n"},
        {"AT+CNMI=7", "\r\n+CMS ERROR: 303\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.answer, client_->Command(c.line)) << c.line;
    }
}

TEST_F(CardDialogue, SimAndRegistrationStatesShowInTheirAnswers) {
    struct Case {
        const char* name;
        SimState sim;
        int registration;
        const char* cpin;
        const char* cgreg;
        const char* cgatt;
    };
    const Case cases[] = {
        {"home", SimState::Ready, 1, "\r\n+CPIN: READY\r\n\r\nOK\r\n",
         "\r\n+CGREG: 0,1\r\n\r\nOK\r\n", "\r\nOK\r\n"},
        {"roaming", SimState::Ready, 5, "\r\n+CPIN: READY\r\n\r\nOK\r\n",
         "\r\n+CGREG: 0,5\r\n\r\nOK\r\n", "\r\nOK\r\n"},
        {"denied", SimState::Ready, 3, "\r\n+CPIN: READY\r\n\r\nOK\r\n",
         "\r\n+CGREG: 0,3\r\n\r\nOK\r\n", "\r\n+CME ERROR: 30\r\n"},
        {"no SIM", SimState::Absent, 1, "\r\n+CME ERROR: 10\r\n", "\r\n+CGREG: 0,0\r\n\r\nOK\r\n",
         "\r\n+CME ERROR: 10\r\n"},
        {"PIN", SimState::PinLocked, 1, "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n",
         "\r\n+CGREG: 0,0\r\n\r\nOK\r\n", "\r\n+CME ERROR: 11\r\n"},
    };
    for (const Case& c : cases) {
        CardOptions options;
        options.sim = c.sim;
        options.registration = c.registration;
        StartCard(options);
        Quiet();
        ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CMEE=1"));
        EXPECT_EQ(c.cpin, client_->Command("AT+CPIN?")) << c.name;
        EXPECT_EQ(c.cgreg, client_->Command("AT+CGREG?")) << c.name;
        EXPECT_EQ(c.cgatt, client_->Command("AT+CGATT=1")) << c.name;
    }
}

TEST_F(CardDialogue, PinUnlocksALockedSim) {
    CardOptions options;
    options.sim = SimState::PinLocked;
    StartCard(options);
    Quiet();
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT+CPIN=\"0000\""));
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+CPIN=\"1234\""));
    EXPECT_EQ("\r\n+CPIN: READY\r\n\r\nOK\r\n", client_->Command("AT+CPIN?"));
}

TEST_F(CardDialogue, RegistrationAndSignalChangesReachTheClient) {
    StartCard();
    Quiet();
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+CGREG=1"));
    card_->SetRegistration(5);
    EXPECT_EQ("\r\n+CGREG: 5\r\n", client_->ReadUntil("\r\n+CGREG: 5\r\n"));
    card_->SetSignal(150);
    // Out of the 27.007 range: "+CSQ" says not known, the vendor line keeps the value.
    EXPECT_EQ("\r\n$CSQ: 150,99\r\n\r\n+CSQ: 99,99\r\n\r\nOK\r\n", client_->Command("AT+CSQ"));
}

TEST_F(CardDialogue, PeriodicSignalReportsRunUntilSwitchedOff) {
    CardOptions options;
    options.signalReportUnitMs = 20;  // "AT$CSQ=1,8" then reports every 160 ms
    StartCard(options);
    Quiet();
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT$CSQ=1,8"));
    const std::string reports = client_->ReadFor(600);
    EXPECT_NE(std::string::npos, reports.find("\r\n$CSQ: 20,99\r\n\r\n$CSQ: 20,99\r\n")) << reports;
    client_->Send("AT$CSQ=0\r");
    client_->ReadUntil("\r\nOK\r\n");  // a report may still come before it
    EXPECT_EQ("", client_->ReadFor(400));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT$CSQ=2,8"));
}

// ---- the baud rule --------------------------------------------------------------------

TEST_F(CardDialogue, AnswersOnlyAtItsOwnRate) {
    CardOptions options;
    options.baudRate = 4800;
    StartCard(options);
    struct Probe {
        std::uint32_t rate;
        bool answers;
    };
    // The probe table the program walks.
    const Probe probes[] = {{115200, false}, {9600, false},  {4800, true},
                            {19200, false},  {38400, false}, {57600, false}};
    for (const Probe& probe : probes) {
        client_->SetRate(probe.rate);
        const std::string answer = client_->Command("AT+CGMI", probe.answers ? 2000 : 250);
        EXPECT_EQ(probe.answers, answer.find("WAVECOM MODEM") != std::string::npos)
            << probe.rate << ": " << answer;
    }
}

TEST_F(CardDialogue, IprMovesTheRateAfterItsOkAndAtAndWKeepsIt) {
    CardOptions options;
    options.baudRate = 4800;
    StartCard(options);
    client_->SetRate(4800);
    Quiet();
    EXPECT_EQ("\r\n+IPR: 4800\r\n\r\nOK\r\n", client_->Command("AT+IPR?"));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT+IPR=12345"));
    // The OK of the change still comes at the old rate.
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+IPR=115200"));
    EXPECT_EQ("", client_->Command("AT", 250));
    client_->SetRate(115200);
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT&W"));
    EXPECT_EQ(115200u, card_->BaudRate());

    // A power cycle comes back at the stored rate.
    card_->Unplug();
    ASSERT_TRUE(card_->Start());
    CardClient again(card_->DevicePath(), 115200);
    EXPECT_NE(std::string::npos, again.Command("AT+CGMI").find("OK"));
}

TEST_F(CardDialogue, IprWithoutAtAndWIsLostAtPowerCycle) {
    CardOptions options;
    options.baudRate = 9600;
    StartCard(options);
    client_->SetRate(9600);
    Quiet();
    ASSERT_EQ("\r\nOK\r\n", client_->Command("AT+IPR=115200"));
    card_->Unplug();
    ASSERT_TRUE(card_->Start());
    EXPECT_EQ(9600u, card_->BaudRate());
}

// ---- the port's life -------------------------------------------------------------------

TEST_F(CardDialogue, SurvivesTheClientClosingAndReopeningThePort) {
    StartCard();
    Quiet();
    for (int round = 0; round < 3; ++round) {
        client_->Close();
        // Output while nobody listens is lost, not kept for the next client.
        card_->IncomingCall("13800138000");
        card_->RemoteHangUp();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        client_ = std::make_unique<CardClient>(card_->DevicePath());
        ASSERT_TRUE(client_->IsOpen());
        EXPECT_EQ("\r\nOK\r\n", client_->Command("AT")) << "round " << round;
    }
}

TEST_F(CardDialogue, UnplugClosesThePty) {
    StartCard();
    Quiet();
    const std::string path = card_->DevicePath();
    card_->Unplug();
    EXPECT_FALSE(card_->Running());
    // The client's end is hung up: reads end at once.
    EXPECT_EQ("", client_->ReadFor(200));
    client_->Close();
    ASSERT_TRUE(card_->Start());
    CardClient fresh(card_->DevicePath());
    EXPECT_EQ("AT\r\r\nOK\r\n", fresh.Command("AT"));  // power cycle: echo is back on
}

// ---- faults ------------------------------------------------------------------------------

TEST_F(CardDialogue, FaultsOnDemand) {
    StartCard();
    Quiet();
    card_->SetFault("AT+CNMI", CardFault::NoAnswer);
    card_->SetFault("at+cpin", CardFault::Error, 2);
    EXPECT_EQ("", client_->Command("AT+CNMI=0,1,0,0,0", 300));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT+CPIN?"));
    EXPECT_EQ("\r\nERROR\r\n", client_->Command("AT+CPIN?"));
    EXPECT_EQ("\r\n+CPIN: READY\r\n\r\nOK\r\n", client_->Command("AT+CPIN?"));
    card_->ClearFaults();
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT+CNMI=0,1,0,0,0"));

    card_->SetAnswerDelay(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(280));
    card_->SetAnswerDelay(0);

    card_->SetDeadLine(true);
    EXPECT_EQ("", client_->Command("AT", 300));
    card_->SetDeadLine(false);
    EXPECT_EQ("\r\nOK\r\n", client_->Command("AT"));
}

}  // namespace
}  // namespace veltro::vcard

// The engine's operations against a modem that answers anything: the receive buffer,
// its bounds and masks, the awaits and the parsers as the operations combine them.
// Input: one byte choosing the operation, one byte of read size, then the answers to
// the successive command lines, separated by the byte 0xFF.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "FuzzLine.h"
#include "modem/ModemEngine.h"

using veltro::ModemEngine;
using veltro::fuzz::FuzzLine;

namespace {

// The longest any single operation may keep its caller: the listing's 16 s collection
// with its quiet reads, and a PDU send's pauses and awaits with the hang-up after them.
constexpr std::uint64_t kLongestOperationMs = 40000;
// The listing with a read and a delete of each of 50 listed messages.
constexpr std::uint64_t kLongestCycleMs = 40000 + 50 * 12000;

void RunOperation(int operation, ModemEngine& engine) {
    switch (operation) {
        case 0:
            engine.CheckSimReady();
            break;
        case 1: {
            int status = -1;
            if (engine.GetPacketRegistration(&status)) {
                FUZZ_CHECK(status >= 0);
            }
            break;
        }
        case 2: {
            int value = -1;
            engine.ReadSignalQuality(&value);
            break;
        }
        case 3: {
            std::array<ModemEngine::MessageIndexSlot, 50> slots{};
            int count = -1;
            engine.ListMessages(slots, &count, true);
            FUZZ_CHECK(count >= 0 && count <= 50);
            // The inbox's cycle: read and delete every listed index.
            for (int i = 0; i < count; ++i) {
                const auto& slot = slots[static_cast<std::size_t>(i)];
                FUZZ_CHECK(std::memchr(slot.data(), '\0', slot.size()) != nullptr);
                veltro::ReceivedMessage message;
                engine.ReadMessage(slot.data(), &message);
                engine.DeleteMessage(slot.data());
            }
            break;
        }
        case 4: {
            veltro::ReceivedMessage message;
            engine.ReadMessage("1", &message);
            break;
        }
        case 5: {
            std::uint32_t count = 0;
            engine.Dial("13800138000");
            engine.DrainInput(&count);
            std::string number;
            if (engine.IsRinging() && engine.GetCallerNumber(&number)) {
                FUZZ_CHECK(number.size() <= 3 * 50);
            }
            break;
        }
        case 6:
            engine.SendShortMessage("hello", "10086");
            break;
        case 7:
            engine.SendShortMessage("\xE4\xBD\xA0\xE5\xA5\xBD", "13800138000");
            break;
        case 8:
            engine.DeleteMessage("3");
            engine.Answer();
            engine.HangUp();
            break;
        default:
            engine.Initialize("fuzz0");
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    auto script = std::make_shared<FuzzLine::Script>();
    script->readSize = data[1];
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    while (!rest.empty()) {
        const auto end = rest.find('\xFF');
        script->answers.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    veltro::test::ManualClock clock;
    ModemEngine engine(clock,
                       [&](std::string_view) { return std::make_unique<FuzzLine>(clock, script); });
    engine.Reset();
    const int operation = data[0] % 10;
    if (operation != 9) {
        FUZZ_CHECK(engine.OpenPort("fuzz0"));
    }
    const std::uint64_t start = clock.NowMs();
    RunOperation(operation, engine);
    const std::uint64_t took = clock.NowMs() - start;
    FUZZ_CHECK(took <= kLongestOperationMs || (operation == 3 && took <= kLongestCycleMs) ||
               (operation == 9 && took <= 4 * kLongestOperationMs));
    FUZZ_CHECK(engine.ResponseLength() < ModemEngine::kResponseSize);
    // An index or a number read from the modem goes back in a command line; whatever the
    // modem said, those lines stay one command each.
    for (const std::string& line : script->lines) {
        FUZZ_CHECK(line.rfind("AT+CMGR=", 0) != 0 || line.size() <= 8 + 9);
        FUZZ_CHECK(line.rfind("AT+CMGD=", 0) != 0 || line.size() <= 8 + 9);
    }
    return 0;
}

#include "vcard/CardConsole.h"

#include <sstream>

namespace veltro::vcard {
namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::optional<int> Integer(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (!AllDigits(digits) || digits.size() > 9) {
        return std::nullopt;
    }
    return negative ? -std::stoi(digits) : std::stoi(digits);
}

}  // namespace

bool CardConsole::ParseMessage(const std::string& line, std::string& number, std::string& text) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return false;
    }
    const auto split = line.find_first_of(" \t", start);
    if (split == std::string::npos) {
        return false;
    }
    number = line.substr(start, split - start);
    text.clear();
    const std::string body = line.substr(split + 1);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\\' && i + 1 < body.size() && body[i + 1] == 'n') {
            text += '\n';
            ++i;
        } else {
            text += body[i];
        }
    }
    return true;
}

std::string CardConsole::Execute(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    std::string arg;
    in >> arg;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ') {
        rest.erase(0, 1);
    }

    if (verb.empty()) {
        return {};
    }
    if (verb == "quit" || verb == "exit") {
        quit_ = true;
        return "bye";
    }
    if (verb == "call" && !arg.empty()) {
        card_.IncomingCall(arg);
        return "ringing: " + arg;
    }
    if (verb == "hangup") {
        card_.RemoteHangUp();
        return "hung up";
    }
    if (verb == "sms") {
        std::string number;
        std::string text;
        const std::string after = line.substr(line.find("sms") + 3);
        if (!ParseMessage(after, number, text)) {
            return "error: sms <number> <text>";
        }
        const int index = card_.AddMessage(number, text);
        return index < 0 ? "error: SIM full" : "stored at " + std::to_string(index);
    }
    if (verb == "signal" || verb == "reg") {
        const auto value = Integer(arg);
        if (!value) {
            return "error: " + verb + " <number>";
        }
        if (verb == "signal") {
            card_.SetSignal(*value);
        } else {
            card_.SetRegistration(*value);
        }
        return verb + " " + std::to_string(*value);
    }
    if (verb == "sim") {
        if (arg == "ready") {
            card_.SetSim(SimState::Ready);
        } else if (arg == "absent") {
            card_.SetSim(SimState::Absent);
        } else if (arg == "locked") {
            card_.SetSim(SimState::PinLocked);
        } else if (arg == "puk") {
            card_.SetSim(SimState::PukLocked);
        } else {
            return "error: sim ready|absent|locked|puk";
        }
        return "sim " + arg;
    }
    if (verb == "fault") {
        if (arg == "clear") {
            card_.ClearFaults();
            return "faults cleared";
        }
        std::istringstream words(rest);
        std::string prefix;
        std::string times;
        words >> prefix >> times;
        const auto count = times.empty() ? std::optional<int>(-1) : Integer(times);
        if ((arg != "error" && arg != "noanswer") || prefix.empty() || !count) {
            return "error: fault error|noanswer <line prefix> [times] | fault clear";
        }
        card_.SetFault(prefix, arg == "error" ? CardFault::Error : CardFault::NoAnswer, *count);
        return "fault " + arg + " on " + prefix;
    }
    if (verb == "delay" && AllDigits(arg) && arg.size() < 7) {
        card_.SetAnswerDelay(static_cast<std::uint32_t>(std::stoul(arg)));
        return "delay " + arg + " ms";
    }
    if (verb == "dead" && (arg == "on" || arg == "off")) {
        card_.SetDeadLine(arg == "on");
        return "dead " + arg;
    }
    if (verb == "unplug") {
        card_.Unplug();
        return "unplugged";
    }
    if (verb == "plug") {
        return card_.Start() ? "pty: " + card_.DevicePath() : "error: no pty";
    }
    if (verb == "lines") {
        std::string out;
        for (const auto& received : card_.ReceivedLines()) {
            out += (out.empty() ? "" : "\n") + received;
        }
        return out;
    }
    if (verb == "sent") {
        std::string out;
        for (const auto& sent : card_.SentMessages()) {
            out += (out.empty() ? "" : "\n") + std::string("to ") + sent.number + ": " + sent.text;
        }
        return out;
    }
    if (verb == "stored") {
        std::string out;
        for (const auto& stored : card_.StoredMessages()) {
            static constexpr const char* kNames[] = {"unread", "read", "unsent", "sent"};
            out += (out.empty() ? "" : "\n") +
                   std::string(kNames[static_cast<int>(stored.status)]) + " from " + stored.number +
                   ": " + stored.text;
        }
        return out;
    }
    return "error: unknown command (call, hangup, sms, signal, reg, sim, fault, delay, dead, "
           "unplug, plug, lines, sent, stored, quit)";
}

}  // namespace veltro::vcard

#include "vcard/CardModem.h"

namespace veltro::vcard {
namespace {

const char* CmeText(int code) {
    switch (code) {
        case 3:
            return "operation not allowed";
        case 4:
            return "operation not supported";
        case 10:
            return "SIM not inserted";
        case 11:
            return "SIM PIN required";
        case 16:
            return "incorrect password";
        case 30:
            return "no network service";
        default:
            return "unknown";
    }
}

}  // namespace

std::vector<CardModem::Output> CardModem::TakeOutput(std::uint64_t nowMs) {
    std::vector<Output> due;
    for (auto it = outbox_.begin(); it != outbox_.end();) {
        if (it->dueMs <= nowMs) {
            due.push_back(std::move(*it));
            it = outbox_.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

void CardModem::Emit(std::string bytes, std::uint64_t dueMs, bool lossy) {
    if (bytes.empty() || dead_) {
        return;
    }
    outbox_.push_back({dueMs, rate_, std::move(bytes), lossy});
}

void CardModem::Unsolicited(const std::string& text, std::uint64_t nowMs) {
    if (mode_ != Mode::Data) {
        Emit(Info(text), nowMs);
    }
}

std::string CardModem::Info(const std::string& text) const {
    return profile_.verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

std::string CardModem::ResultCode(const char* verbose, int numeric) const {
    if (profile_.quiet) {
        return {};
    }
    return profile_.verbose ? std::string("\r\n") + verbose + "\r\n"
                            : std::to_string(numeric) + "\r";
}

std::string CardModem::Final(const Reply& reply) const {
    switch (reply.kind) {
        case Reply::Kind::Ok:
            return ResultCode("OK", 0);
        case Reply::Kind::Error:
            return ResultCode("ERROR", 4);
        case Reply::Kind::Cme:
            if (cmee_ == 0) {
                return ResultCode("ERROR", 4);
            }
            return profile_.quiet ? std::string()
                                  : Info("+CME ERROR: " + (cmee_ == 1 ? std::to_string(reply.code)
                                                                      : CmeText(reply.code)));
        case Reply::Kind::Cms:
            return profile_.quiet ? std::string()
                                  : Info("+CMS ERROR: " + std::to_string(reply.code));
        case Reply::Kind::Code:
            return ResultCode(reply.text.c_str(), reply.code);
        case Reply::Kind::Later:
            return {};
    }
    return {};
}
}  // namespace veltro::vcard

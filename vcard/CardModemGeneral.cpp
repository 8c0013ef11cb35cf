#include <algorithm>
#include <cstdio>

#include "vcard/AtText.h"
#include "vcard/CardModem.h"

namespace veltro::vcard {

CardModem::Reply CardModem::ExecuteBasic(const AtCommand& command) {
    const std::string& name = command.name;
    const std::string& arg = command.argument;
    auto flag = [&](bool& target) {
        if (arg.empty() || arg == "0") {
            target = false;
        } else if (arg == "1") {
            target = true;
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    };
    if (name == "E") {
        return flag(profile_.echo);
    }
    if (name == "V") {
        return flag(profile_.verbose);
    }
    if (name == "Q") {
        return flag(profile_.quiet);
    }
    if (name == "Z") {
        profile_ = storedProfile_;
        return Reply::Ok();
    }
    if (name == "&F") {
        profile_ = Profile{};
        return Reply::Ok();
    }
    if (name == "&W") {
        storedProfile_ = profile_;
        storedRate_ = pendingRate_.value_or(rate_);
        return Reply::Ok();
    }
    if (name == "I") {
        if (arg.empty() || arg == "0") {
            answer_ += Info(options_.model);
        } else if (arg == "3") {
            answer_ += Info(options_.revision);
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name[0] == 'S' && name.size() > 1) {
        const int reg = std::stoi(name.substr(1));
        if (reg >= 13) {
            return Reply::Error();
        }
        if (command.form == AtCommand::Form::Read) {
            char text[8];
            std::snprintf(text, sizeof(text), "%03d", profile_.sRegisters[reg]);
            answer_ += Info(text);
            return Reply::Ok();
        }
        const auto value = AtText::Number(command.argument);
        if (!value || *value > 255) {
            return Reply::Error();
        }
        profile_.sRegisters[reg] = *value;
        return Reply::Ok();
    }
    if (name == "X" || name == "L" || name == "M" || name == "&C" || name == "&D" || name == "&K" ||
        name == "&S" || name == "&V" || name == "P" || name == "T") {
        return Reply::Ok();
    }
    return Reply::Error();
}

CardModem::Reply CardModem::SimError() const {
    return Reply::Cme(sim_ == SimState::Absent ? 10 : sim_ == SimState::PukLocked ? 12 : 11);
}

int CardModem::RegistrationStatus() const {
    return sim_ == SimState::Ready && attached_ ? registration_ : 0;
}

std::string CardModem::SignalLine(const char* prefix) const {
    const bool csq27007 = prefix[0] == '+';
    const int value = csq27007 && (signal_ < 0 || signal_ > 31) ? 99 : signal_;
    return prefix + std::to_string(value) + ",99";
}

CardModem::Reply CardModem::ExecuteStatus(const AtCommand& command) {
    const std::string& name = command.name;
    const auto form = command.form;
    const bool test = form == AtCommand::Form::Test;
    auto identity = [&](const std::string& text) {
        if (!test) {
            answer_ += Info(text);
        }
        return Reply::Ok();
    };
    if (name == "+CGMI" || name == "+GMI") {
        return identity(options_.manufacturer);
    }
    if (name == "+CGMM" || name == "+GMM") {
        return identity(options_.model);
    }
    if (name == "+CGMR" || name == "+GMR") {
        return identity(options_.revision);
    }
    if (name == "+CGSN" || name == "+GSN") {
        return identity(options_.imei);
    }
    if (name == "+GCAP") {
        return identity("+GCAP: +CGSM,+DS");
    }
    if (name == "+CIMI") {
        if (sim_ != SimState::Ready) {
            return SimError();
        }
        return identity(options_.imsi);
    }
    if (name == "+CSQ") {
        if (test) {
            answer_ += Info("+CSQ: (0-31,99),(0-7,99)");
        } else if (form == AtCommand::Form::Action) {
            // This card's vendor line comes first, then the 27.007 one.
            if (!options_.generic) {
                answer_ += Info(SignalLine("$CSQ: "));
            }
            answer_ += Info(SignalLine("+CSQ: "));
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name == "$CSQ" && !options_.generic) {
        if (test) {
            answer_ += Info("$CSQ: (0,1),(1-255)");
            return Reply::Ok();
        }
        if (form != AtCommand::Form::Set) {
            answer_ += Info(SignalLine("$CSQ: "));
            return Reply::Ok();
        }
        const std::string& arg = command.argument;
        if (arg == "0") {
            signalReportPeriod_ = 0;
            return Reply::Ok();
        }
        const auto comma = arg.find(',');
        const auto period = comma == std::string::npos ? std::optional<int>(1)
                                                       : AtText::Number(arg.substr(comma + 1));
        if (arg.substr(0, comma) != "1" || !period || *period < 1 || *period > 255) {
            return Reply::Error();
        }
        signalReportPeriod_ = *period;
        nextSignalReportMs_ = 0;  // armed by the next Advance
        return Reply::Ok();
    }
    if (name == "+CGREG" || name == "+CREG") {
        int& mode = name == "+CGREG" ? cgregMode_ : cregMode_;
        if (test) {
            answer_ += Info(name + ": (0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info(name + ": " + std::to_string(mode) + "," +
                            std::to_string(RegistrationStatus()));
        } else {
            const auto value = AtText::Number(command.argument);
            if (!value || *value > 2) {
                return Reply::Error();
            }
            mode = *value;
        }
        return Reply::Ok();
    }
    if (name == "+CGATT") {
        if (test) {
            answer_ += Info("+CGATT: (0,1)");
            return Reply::Ok();
        }
        if (form == AtCommand::Form::Read) {
            answer_ += Info(std::string("+CGATT: ") +
                            (RegistrationStatus() == 1 || RegistrationStatus() == 5 ? "1" : "0"));
            return Reply::Ok();
        }
        if (command.argument == "0") {
            attached_ = false;
            return Reply::Ok();
        }
        if (command.argument != "1") {
            return Reply::Error();
        }
        if (sim_ != SimState::Ready) {
            return SimError();
        }
        if (registration_ == 0 || registration_ == 3 || registration_ == 4) {
            return Reply::Cme(30);
        }
        attached_ = true;
        return Reply::Ok();
    }
    if (name == "+CGDCONT") {
        if (test) {
            answer_ += Info("+CGDCONT: (1-3),\"IP\",,,(0,1),(0,1)");
            return Reply::Ok();
        }
        if (form == AtCommand::Form::Read) {
            for (const auto& [cid, definition] : contexts_) {
                answer_ += Info("+CGDCONT: " + std::to_string(cid) + "," + definition);
            }
            return Reply::Ok();
        }
        const std::string& arg = command.argument;
        const auto comma = arg.find(',');
        const auto cid = AtText::Number(arg.substr(0, comma));
        if (!cid || *cid < 1 || *cid > 3) {
            return Reply::Error();
        }
        if (comma == std::string::npos) {
            contexts_.erase(*cid);
            return Reply::Ok();
        }
        const std::string definition = arg.substr(comma + 1);
        const std::string type = AtText::Upper(definition.substr(0, definition.find(',')));
        if (type != "\"IP\"" && type != "\"PPP\"") {
            return Reply::Error();
        }
        contexts_[*cid] = definition;
        return Reply::Ok();
    }
    if (name == "+CMEE") {
        if (test) {
            answer_ += Info("+CMEE: (0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+CMEE: " + std::to_string(cmee_));
        } else {
            const auto value = AtText::Number(command.argument.empty() ? "0" : command.argument);
            if (!value || *value > 2) {
                return Reply::Error();
            }
            cmee_ = *value;
        }
        return Reply::Ok();
    }
    if (name == "+IPR") {
        static constexpr std::uint32_t kRates[] = {300,  600,   1200,  2400,  4800,
                                                   9600, 19200, 38400, 57600, 115200};
        if (test) {
            answer_ += Info("+IPR: (),(300,600,1200,2400,4800,9600,19200,38400,57600,115200)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+IPR: " + std::to_string(rate_));
        } else {
            const auto value = AtText::Number(command.argument);
            if (!value || std::find(std::begin(kRates), std::end(kRates),
                                    static_cast<std::uint32_t>(*value)) == std::end(kRates)) {
                return Reply::Error();
            }
            // The OK still goes out at the old rate; the new one applies after it.
            pendingRate_ = static_cast<std::uint32_t>(*value);
        }
        return Reply::Ok();
    }
    if (name == "+CSCS") {
        static const std::pair<const char*, Charset> kSets[] = {{"\"GSM\"", Charset::Gsm},
                                                                {"\"IRA\"", Charset::Ira},
                                                                {"\"UCS2\"", Charset::Ucs2},
                                                                {"\"8859-1\"", Charset::Latin1}};
        if (test) {
            answer_ += Info("+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"8859-1\")");
            return Reply::Ok();
        }
        for (const auto& [text, set] : kSets) {
            if (form == AtCommand::Form::Read && set == charset_) {
                answer_ += Info(std::string("+CSCS: ") + text);
                return Reply::Ok();
            }
            if (form == AtCommand::Form::Set && AtText::Upper(command.argument) == text) {
                charset_ = set;
                return Reply::Ok();
            }
        }
        return Reply::Error();
    }
    if (name == "+CFUN") {
        if (test) {
            answer_ += Info("+CFUN: (0,1),(0,1)");
        } else if (form == AtCommand::Form::Read) {
            answer_ += Info("+CFUN: 1");
        }
        return Reply::Ok();
    }
    if (name == "+COPS") {
        const int status = RegistrationStatus();
        if (test) {
            answer_ += Info("+COPS: (2,\"" + options_.operatorName + "\",,),,(0-4),(0-2)");
        } else if (form == AtCommand::Form::Read) {
            answer_ +=
                Info(status == 1 || status == 5 ? "+COPS: 0,0,\"" + options_.operatorName + "\""
                                                : std::string("+COPS: 0"));
        }
        return Reply::Ok();
    }
    return Reply::Error();
}
}  // namespace veltro::vcard

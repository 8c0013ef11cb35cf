#include <algorithm>

#include "vcard/CardModem.h"

namespace veltro::vcard {

std::optional<CardModem::Reply> CardModem::SmsReady() const {
    if (sim_ == SimState::Absent) {
        return Reply::Cms(310);
    }
    if (sim_ == SimState::PinLocked || sim_ == SimState::PukLocked) {
        return Reply::Cms(311);
    }
    return std::nullopt;
}

CardModem::Reply CardModem::ExecuteSms(const AtCommand& command) {
    const std::string& name = command.name;
    const bool test = command.form == AtCommand::Form::Test;
    const bool read = command.form == AtCommand::Form::Read;
    if (name == "+CMGF") {
        if (test) {
            answer_ += Info("+CMGF: (0,1)");
        } else if (read) {
            answer_ += Info(std::string("+CMGF: ") + (textMode_ ? "1" : "0"));
        } else if (command.argument == "0" || command.argument == "1" || command.argument.empty()) {
            textMode_ = command.argument == "1";
        } else {
            return Reply::Error();
        }
        return Reply::Ok();
    }
    if (name == "+CNMI") {
        if (test) {
            answer_ += Info("+CNMI: (0-2),(0-3),(0-3),(0,1),(0,1)");
        } else if (read) {
            answer_ += Info("+CNMI: " + std::to_string(cnmiMode_) + "," + std::to_string(cnmiMt_) +
                            ",0,0,0");
        } else {
            std::vector<int> values;
            std::string field;
            const std::string arg = command.argument + ",";
            for (char c : arg) {
                if (c != ',') {
                    field += c;
                    continue;
                }
                if (field.empty()) {
                    values.push_back(0);
                } else if (field.size() == 1 && field[0] >= '0' && field[0] <= '3') {
                    values.push_back(field[0] - '0');
                } else {
                    return Reply::Cms(303);
                }
                field.clear();
            }
            if (values.size() > 5 || values[0] > 2) {
                return Reply::Cms(303);
            }
            cnmiMode_ = values[0];
            cnmiMt_ = values.size() > 1 ? values[1] : 0;
        }
        return Reply::Ok();
    }
    if (name == "+CSCA") {
        if (read) {
            answer_ += Info("+CSCA: \"" + options_.serviceCentre + "\"," +
                            (options_.serviceCentre.rfind('+', 0) == 0 ? "145" : "129"));
        } else if (command.form == AtCommand::Form::Set) {
            std::string number = command.argument.substr(0, command.argument.find(','));
            number.erase(std::remove(number.begin(), number.end(), '"'), number.end());
            if (number.empty()) {
                return Reply::Cms(304);
            }
            options_.serviceCentre = number;
        }
        return Reply::Ok();
    }
    if (name == "+CSMS") {
        if (test) {
            answer_ += Info("+CSMS: (0)");
        } else {
            answer_ += Info(read ? "+CSMS: 0,1,1,1" : "+CSMS: 1,1,1");
        }
        return Reply::Ok();
    }
    if (name == "+CSDH" || name == "+CSCB") {
        return Reply::Ok();
    }
    if (const auto refused = SmsReady(); refused && !test) {
        return *refused;
    }
    if (name == "+CPMS") {
        return MessageStorage(command);
    }
    if (name == "+CMGL") {
        return ListMessages(command);
    }
    if (name == "+CMGR") {
        return ReadMessage(command);
    }
    if (name == "+CMGD") {
        return DeleteMessage(command);
    }
    if (name == "+CMGS") {
        return StartSubmit(command);
    }
    return Reply::Error();
}

CardModem::Reply CardModem::MessageStorage(const AtCommand& command) {
    const std::string used = std::to_string(store_.Used());
    const std::string total = std::to_string(store_.Capacity());
    const std::string counts = used + "," + total;
    switch (command.form) {
        case AtCommand::Form::Test:
            answer_ += Info("+CPMS: (\"SM\"),(\"SM\"),(\"SM\")");
            return Reply::Ok();
        case AtCommand::Form::Read:
            answer_ += Info("+CPMS: \"SM\"," + counts + ",\"SM\"," + counts + ",\"SM\"," + counts);
            return Reply::Ok();
        default:
            break;
    }
    std::string arg = command.argument;
    std::size_t start = 0;
    int memories = 0;
    while (start <= arg.size()) {
        const std::size_t comma = arg.find(',', start);
        const std::string memory = arg.substr(start, comma - start);
        if (memory != "\"SM\"" && memory != "\"sm\"") {
            return Reply::Cms(302);
        }
        ++memories;
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (memories > 3) {
        return Reply::Cms(302);
    }
    answer_ += Info("+CPMS: " + counts + "," + counts + "," + counts);
    return Reply::Ok();
}

}  // namespace veltro::vcard

#pragma once

#include <string>

namespace veltro::vcard {

// One command of an AT command line, after the line has been split (ITU-T V.250).
struct AtCommand {
    enum class Form {
        Action,  // "E0", "+CGMI", "D*99***1#"
        Set,     // "+CMGF=1", "S0=0"
        Read,    // "+CPIN?", "S0?"
        Test,    // "+CMGF=?"
    };
    std::string name;  // upper case: "E", "S0", "&W", "D", "+CMGF", "$CSQ"
    Form form = Form::Action;
    std::string argument;  // the number of a basic command, the text after "=", the dial string
};

}  // namespace veltro::vcard

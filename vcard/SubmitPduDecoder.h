#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltro::vcard {

// Takes apart an SMS-SUBMIT PDU as a TE hands it to AT+CMGS in PDU mode (3GPP TS 27.005
// 3.5.1, TS 23.040 9.2.2.2): the service-centre field, then the TPDU whose octet count
// was announced in the command.
class SubmitPduDecoder {
public:
    struct Submit {
        int reference = 0;       // TP-MR
        std::string number;      // TP-DA, "+" in front when international
        int dataCoding = 0;      // TP-DCS
        bool hasHeader = false;  // TP-UDHI
        std::string text;        // TP-UD without its header, UTF-8
    };

    // Nothing when the text is no hex, the TPDU is not tpduLength octets long, it is no
    // SMS-SUBMIT, or a field runs past its end.
    static std::optional<Submit> Decode(std::string_view hex, int tpduLength);
};

}  // namespace veltro::vcard

// Prints the SMS-SUBMIT PDU the builder makes for each NUMBER TEXT pair on the command
// line (TEXT in UTF-8), one line each: the PDU in hexadecimal and its "AT+CMGS=" length.
// decode_pdus.py checks them with an independent decoder.
#include <cstdio>

#include "modem/MessageReference.h"
#include "modem/SmsPduBuilder.h"
#include "modem/Utf16Text.h"

int main(int argc, char** argv) {
    veltro::MessageReference reference;
    for (int i = 1; i + 1 < argc; i += 2) {
        const auto text = veltro::Utf16Text::FromUtf8(argv[i + 1]);
        const auto pdu =
            text ? veltro::SmsPduBuilder::Build(argv[i], *text, reference) : std::nullopt;
        if (pdu) {
            std::printf("%s %d\n", pdu->hex.c_str(), pdu->tpduLength);
        } else {
            std::printf("refused\n");
        }
    }
    return 0;
}

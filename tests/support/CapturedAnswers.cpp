#include "CapturedAnswers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace veltro::test {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Undoes the escapes of ">" and "<" lines: \r \n \t \xNN \\.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char code = text[++i];
        if (code == 'r') {
            out += '\r';
        } else if (code == 'n') {
            out += '\n';
        } else if (code == 't') {
            out += '\t';
        } else if (code == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += code;
        }
    }
    return out;
}

void Finish(CapturedAnswer& sample, std::vector<CapturedAnswer>& samples) {
    if (sample.source.empty()) {
        return;
    }
    if (sample.framing == "stripped") {
        sample.received = "\r\n" + sample.received + "\r\n";
    }
    samples.push_back(sample);
    sample = CapturedAnswer{};
}

}  // namespace

std::vector<CapturedAnswer> LoadCapturedAnswers(const std::string& fileName) {
    std::vector<CapturedAnswer> samples;
    std::ifstream in(std::string(VELTRO_CAPTURED_ANSWERS) + "/" + fileName);
    std::string line;
    CapturedAnswer sample;
    while (std::getline(in, line)) {
        if (line.empty()) {
            Finish(sample, samples);
            continue;
        }
        const std::string rest = line.size() > 2 ? line.substr(2) : std::string();
        if (line.rfind("# ", 0) == 0) {
            const auto colon = rest.find(": ");
            const std::string key = rest.substr(0, colon);
            const std::string value = colon == std::string::npos ? "" : rest.substr(colon + 2);
            if (key == "source") {
                Finish(sample, samples);
                sample.source = value;
            } else if (key == "device") {
                sample.device = value;
            } else if (key == "framing") {
                sample.framing = value;
            } else if (key == "note") {
                sample.note = value;
            }
        } else if (line.rfind("> ", 0) == 0) {
            sample.sent += Unescape(rest);
        } else if (line.rfind("< ", 0) == 0) {
            sample.received += Unescape(rest);
        } else if (line.rfind("| ", 0) == 0 || line == "|") {
            sample.received += "\r\n" + rest + "\r\n";
        }
    }
    Finish(sample, samples);
    return samples;
}

CapturedAnswer FindCapturedAnswer(const std::string& fileName, const std::string& sourcePart) {
    for (const CapturedAnswer& sample : LoadCapturedAnswers(fileName)) {
        if (sample.source.find(sourcePart) != std::string::npos) {
            return sample;
        }
    }
    ADD_FAILURE() << "no sample from " << sourcePart << " in " << fileName;
    return {};
}

}  // namespace veltro::test

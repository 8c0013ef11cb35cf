#pragma once

#include <string>
#include <vector>

namespace veltro::test {

// One sample of the captured modem answers in tests/data/captured-answers (FORMAT.txt
// there describes the files).
struct CapturedAnswer {
    std::string source;   // "# source:" line: where the sample comes from
    std::string device;   // "# device:", may be empty
    std::string framing;  // exact, line-ends, stripped or lines
    std::string note;     // "# note:", may be empty
    std::string sent;     // what the host sent (">" lines, unescaped)
    // What the modem sent as it would arrive on the wire: "<" lines unescaped and
    // joined; "|" lines and stripped samples framed as "\r\n" + line + "\r\n".
    std::string received;
};

// The samples of one file of the captured answers, in file order. Empty when the file
// cannot be read.
std::vector<CapturedAnswer> LoadCapturedAnswers(const std::string& fileName);

// The first sample whose source contains sourcePart; fails the calling test if none.
CapturedAnswer FindCapturedAnswer(const std::string& fileName, const std::string& sourcePart);

}  // namespace veltro::test

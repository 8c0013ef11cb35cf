// The records of "vc.dat" and "sms.dat". The input is a data file: every whole record
// is decoded; a record written back from what was read must read back the same, so that
// a load followed by a save never changes a contact or a message a second time.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"

namespace {

template <typename Record>
void CheckRecords(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    for (std::size_t at = 0; at + Record::kSize <= size; at += Record::kSize) {
        const Record read =
            Record::Decode(std::span<const char, Record::kSize>(bytes + at, Record::kSize));
        const auto written = read.Encode();
        const Record reread = Record::Decode(std::span<const char, Record::kSize>(written));
        const auto rewritten = reread.Encode();
        FUZZ_CHECK(Record::Decode(std::span<const char, Record::kSize>(rewritten)) == reread);
        FUZZ_CHECK(written.back() == '\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckRecords<veltro::PhonebookEntryRecord>(data, size);
    CheckRecords<veltro::MessageRecord>(data, size);
    return 0;
}

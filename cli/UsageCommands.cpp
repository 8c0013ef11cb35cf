#include <charconv>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "dialup/DialupPaths.h"
#include "dialup/MonthlyDataCounter.h"
#include "modem/AtomicFile.h"
#include "modem/IniDocument.h"

namespace veltro::cli {

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;
constexpr const char* kSection = "Traffic";
constexpr const char* kCapKey = "MonthlyCapMB";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The window's cap in megabytes from its profile; 0 when none is set.
std::uint64_t CapMegabytes(const IniDocument& profile) {
    const IniDocument::Section* section = profile.Find(kSection);
    const auto value = section ? IniDocument::Value(section->values, kCapKey) : std::nullopt;
    std::uint64_t megabytes = 0;
    if (value) {
        std::from_chars(value->data(), value->data() + value->size(), megabytes);
    }
    return megabytes;
}

// This month's bytes over every connection of the window and of connect, with the cap.
int RunUsage(CliContext& context, const std::vector<std::string>&) {
    MonthlyDataCounter counter(DialupPaths::DataUsage(), [] { return std::time(nullptr); });
    if (!counter.Load()) {
        context.Output().Note(counter.Problem());
    }
    const MonthlyDataCounter::Totals month = counter.ThisMonth();
    const std::uint64_t cap =
        CapMegabytes(IniDocument::ParseLenient(ReadText(DialupPaths::Profile())));
    CommandOutput& output = context.Output();
    output.Field("received", month.received);
    output.Field("sent", month.sent);
    output.Field("total", month.Bytes());
    output.Field("cap", cap * kMegabyte);
    return kExitSuccess;
}

// Sets the monthly cap in megabytes in the window's profile (0 removes it); the window
// reads it at its next start.
int RunUsageCap(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string& text = arguments[0];
    std::uint64_t megabytes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), megabytes);
    if (error != std::errc() || end != text.data() + text.size() ||
        megabytes > UINT64_MAX / kMegabyte) {
        return context.Fail("the cap must be a whole number of megabytes: " + text);
    }
    const std::string path = DialupPaths::Profile();
    const std::string old = ReadText(path);
    std::optional<IniDocument> profile = IniDocument::Parse(old);
    if (!profile) {
        return context.Fail(path + " is damaged; it was left as it is");
    }
    const IniDocument::Section* section = profile->Find(kSection);
    IniDocument::Pairs values = section ? section->values : IniDocument::Pairs{};
    std::erase_if(values, [](const auto& pair) { return pair.first == kCapKey; });
    if (megabytes != 0) {
        values.emplace_back(kCapKey, text);
    }
    profile->Set(kSection, values);
    if (!DialupPaths::MakeParent(path) || !AtomicFile::Write(path, profile->Text())) {
        return context.Fail("cannot write " + path);
    }
    context.Output().Field("cap", megabytes * kMegabyte);
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"usage", "", 0, 0, RunUsage},
    {"usage cap", "MEGABYTES", 1, 1, RunUsageCap},
};

}  // namespace

std::span<const CliCommand> UsageCommands() {
    return kCommands;
}

}  // namespace veltro::cli

#include <fstream>
#include <iterator>
#include <optional>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/ContactBook.h"
#include "cli/DataFolder.h"
#include "cli/VCardCodec.h"
#include "modem/AtomicFile.h"

namespace veltro::cli {

namespace {

// A vCard file larger than this is not a phone's contacts.
constexpr std::size_t kMaxImportBytes = 16u << 20;

nlohmann::ordered_json Contact(const PhonebookEntryRecord& entry) {
    return {{"name", entry.name}, {"number", entry.number}};
}

// The phonebook of the data folder, or nothing after Fail.
std::optional<ContactBook> LoadBook(CliContext& context, const DataFolder& folder) {
    const std::string path = folder.PathOf(PhonebookEntryRecord::kFileName);
    if (path.empty()) {
        context.Fail("no data folder to find vc.dat in");
        return std::nullopt;
    }
    std::string why;
    std::optional<ContactBook> book = ContactBook::Load(path, &why);
    if (!book) {
        context.Fail(why);
    }
    return book;
}

// Takes the data folder's lock for a change and loads its phonebook; nothing once it
// has said why not.
std::optional<ContactBook> LockAndLoad(CliContext& context, DataFolder& folder) {
    if (const std::string why = folder.LockForChange(); !why.empty()) {
        context.Fail(why);
        return std::nullopt;
    }
    return LoadBook(context, folder);
}

int Save(CliContext& context, const DataFolder& folder, const ContactBook& book) {
    const std::string path = folder.PathOf(PhonebookEntryRecord::kFileName);
    if (!book.Save(path)) {
        return context.Fail("cannot write " + path + "; it is unchanged");
    }
    return kExitSuccess;
}

// The name and number a user typed, as they are stored.
PhonebookEntryRecord Entry(const std::string& name, const std::string& number) {
    return {name, ContactBook::PlainNumber(number)};
}

// Prints name and number of each contact, in the order they were added.
int RunList(CliContext& context, const std::vector<std::string>&) {
    const DataFolder folder(context.Options().dataHome);
    const std::optional<ContactBook> book = LoadBook(context, folder);
    if (!book) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& contacts = output.Object()["contacts"] =
        nlohmann::ordered_json::array();
    for (const PhonebookEntryRecord& entry : book->Entries()) {
        output.Row({entry.name, entry.number});
        contacts.push_back(Contact(entry));
    }
    return kExitSuccess;
}

// Adds NAME NUMBER unless the phonebook holds it already.
int RunAdd(CliContext& context, const std::vector<std::string>& arguments) {
    const PhonebookEntryRecord entry = Entry(arguments[0], arguments[1]);
    if (const std::string why = ContactBook::Misfit(entry); !why.empty()) {
        return context.Fail("cannot add " + arguments[0] + ": " + why);
    }
    DataFolder folder(context.Options().dataHome);
    std::optional<ContactBook> book = LockAndLoad(context, folder);
    if (!book) {
        return kExitFailure;
    }
    const bool added = !book->Contains(entry);
    if (added) {
        book->Add(entry);
        if (Save(context, folder, *book) != kExitSuccess) {
            return kExitFailure;
        }
    }
    CommandOutput& output = context.Output();
    output.Field("added", added);
    output.Field("name", entry.name);
    output.Field("number", entry.number);
    return kExitSuccess;
}

// Removes the contacts of NAME, only those with NUMBER when it is given.
int RunRemove(CliContext& context, const std::vector<std::string>& arguments) {
    DataFolder folder(context.Options().dataHome);
    std::optional<ContactBook> book = LockAndLoad(context, folder);
    if (!book) {
        return kExitFailure;
    }
    const std::optional<std::string> number =
        arguments.size() > 1 ? std::optional<std::string>(arguments[1]) : std::nullopt;
    const std::vector<PhonebookEntryRecord> removed = book->Remove(arguments[0], number);
    if (removed.empty()) {
        return context.Fail("no contact " + arguments[0] + (number ? " " + *number : "") +
                            " in vc.dat");
    }
    if (Save(context, folder, *book) != kExitSuccess) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& list = output.Object()["removed"] = nlohmann::ordered_json::array();
    for (const PhonebookEntryRecord& entry : removed) {
        output.Row({"removed", entry.name, entry.number});
        list.push_back(Contact(entry));
    }
    return kExitSuccess;
}

// Adds every name and number of the vCard file that the phonebook does not hold yet.
// Those the record fields cannot hold whole are reported, and the exit status is 1.
int RunImport(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string& file = arguments[0];
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return context.Fail("cannot read " + file);
    }
    std::string text;
    text.resize(kMaxImportBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxImportBytes) {
        return context.Fail(file + " is larger than 16 MiB");
    }
    const std::vector<VCardCodec::Card> cards = VCardCodec::Parse(text);
    if (cards.empty()) {
        return context.Fail("no vCard in " + file);
    }
    DataFolder folder(context.Options().dataHome);
    std::optional<ContactBook> book = LockAndLoad(context, folder);
    if (!book) {
        return kExitFailure;
    }
    int imported = 0;
    int duplicates = 0;
    nlohmann::ordered_json rejected = nlohmann::ordered_json::array();
    auto reject = [&](const PhonebookEntryRecord& entry, const std::string& why) {
        rejected.push_back({{"name", entry.name}, {"number", entry.number}, {"reason", why}});
        context.Output().Note("not imported: " + entry.name + " " + entry.number + ": " + why);
    };
    for (const VCardCodec::Card& card : cards) {
        if (card.numbers.empty()) {
            reject({card.name, ""}, "no number");
        }
        for (const std::string& number : card.numbers) {
            const PhonebookEntryRecord entry = Entry(card.name, number);
            if (const std::string why = ContactBook::Misfit(entry); !why.empty()) {
                reject(entry, why);
            } else if (book->Contains(entry)) {
                ++duplicates;
            } else {
                book->Add(entry);
                ++imported;
            }
        }
    }
    if (imported > 0 && Save(context, folder, *book) != kExitSuccess) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    output.Field("imported", imported);
    output.Field("duplicates", duplicates);
    if (output.Json()) {
        output.Object()["rejected"] = rejected;
    } else {
        output.Field("rejected", rejected.size());
    }
    return rejected.empty() ? kExitSuccess : kExitFailure;
}

// Writes the contacts as vCard 3.0 to FILE, or to standard output. A contact with
// control characters cannot be written as a vCard line; it is reported and left out.
int RunExport(CliContext& context, const std::vector<std::string>& arguments) {
    const DataFolder folder(context.Options().dataHome);
    const std::optional<ContactBook> book = LoadBook(context, folder);
    if (!book) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    std::vector<PhonebookEntryRecord> written;
    for (const PhonebookEntryRecord& entry : book->Entries()) {
        if (ContactBook::HasControl(entry.name) || ContactBook::HasControl(entry.number)) {
            output.Note("not exported: " + entry.name + " " + entry.number +
                        ": holds control characters");
        } else {
            written.push_back(entry);
        }
    }
    const std::string text = VCardCodec::Write(written);
    if (!arguments.empty()) {
        if (!AtomicFile::Write(arguments[0], text, AtomicFile::kPrivate)) {
            return context.Fail("cannot write " + arguments[0]);
        }
        output.Field("exported", written.size());
        output.Field("file", arguments[0]);
    } else if (output.Json()) {
        output.Object()["exported"] = written.size();
        output.Object()["vcard"] = text;
    } else {
        context.Out() << text;
    }
    return written.size() == book->Entries().size() ? kExitSuccess : kExitFailure;
}

constexpr CliCommand kCommands[] = {
    {"contacts list", "", 0, 0, RunList},
    {"contacts add", "NAME NUMBER", 2, 2, RunAdd},
    {"contacts remove", "NAME [NUMBER]", 1, 2, RunRemove},
    {"contacts import", "FILE.vcf", 1, 1, RunImport},
    {"contacts export", "[FILE.vcf]", 0, 1, RunExport},
};

}  // namespace

std::span<const CliCommand> ContactsCommands() {
    return kCommands;
}

}  // namespace veltro::cli

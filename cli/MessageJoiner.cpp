#include "cli/MessageJoiner.h"

#include <map>

#include "modem/MessageContent.h"

namespace veltro::cli {

namespace {

struct Group {
    JoinedMessage joined;
    bool isPart = false;
    int reference = 0;
    std::map<int, std::string> texts;  // part number -> text
};

bool Accepts(const Group& group, const MessageContent& content) {
    if (!group.isPart || group.joined.number != content.number ||
        group.reference != content.reference || group.joined.parts != content.total) {
        return false;
    }
    const auto part = group.texts.find(content.sequence);
    return part == group.texts.end() || part->second == content.text;
}

std::string MissingPartText(int sequence, int total) {
    return "[缺第" + std::to_string(sequence) + "/" + std::to_string(total) + "部分]";
}

}  // namespace

std::vector<JoinedMessage> MessageJoiner::Join(const std::vector<ListedMessage>& listed) {
    std::vector<Group> groups;
    for (const ListedMessage& entry : listed) {
        if (!entry.decoded) {
            Group group;
            group.joined.indices = {entry.index};
            group.joined.status = entry.status;
            group.joined.number = ReceivedMessage::kUnknown;
            group.joined.time = ReceivedMessage::kUnknown;
            group.joined.pdu = entry.pdu;
            groups.push_back(std::move(group));
            continue;
        }
        const MessageContent content = MessageContent::Of(entry.message);
        Group* target = nullptr;
        if (content.isPart) {
            for (Group& group : groups) {
                if (Accepts(group, content)) {
                    target = &group;
                    break;
                }
            }
        }
        if (target == nullptr) {
            Group group;
            group.isPart = content.isPart;
            group.reference = content.reference;
            group.joined.status = entry.status;
            group.joined.number = content.number;
            group.joined.time = entry.message.timeStamp;
            group.joined.parts = content.isPart ? content.total : 1;
            groups.push_back(std::move(group));
            target = &groups.back();
        }
        target->joined.indices.push_back(entry.index);
        target->texts.emplace(content.isPart ? content.sequence : 1, content.text);
    }
    std::vector<JoinedMessage> joined;
    for (Group& group : groups) {
        if (group.joined.pdu.empty()) {
            for (int part = 1; part <= group.joined.parts; ++part) {
                const auto text = group.texts.find(part);
                if (text != group.texts.end()) {
                    group.joined.text += text->second;
                } else {
                    group.joined.missing.push_back(part);
                    group.joined.text += MissingPartText(part, group.joined.parts);
                }
            }
        }
        joined.push_back(std::move(group.joined));
    }
    return joined;
}

}  // namespace veltro::cli

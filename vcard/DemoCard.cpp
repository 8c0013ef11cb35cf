#include "vcard/DemoCard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "modem/AtomicFile.h"
#include "modem/ModemDeviceClass.h"

namespace veltro::vcard {
namespace {

std::string MakeRunDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string base = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
    std::string pattern = base + "/veltrogprs-demo-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        pattern = "/tmp/veltrogprs-demo-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            return {};
        }
    }
    return pattern;
}

}  // namespace

CardOptions DemoCard::Options() {
    CardOptions options;
    options.manufacturer = "BenQ GPRS Modem (VeltroGSM card)";
    options.dialAnswerMs = 3000;
    options.smsSendMs = 1500;
    options.busyNumbers = {"10000"};
    options.ussd = {{"*100#", "尊敬的客户，您的账户余额为52.30元，本月剩余流量1.2GB。",
                     UssdReply::Coding::Ucs2, false}};
    return options;
}

bool DemoCard::Start(const std::string& tableDir) {
    Stop();
    card_ = std::make_unique<VirtualCard>(Options());
    if (!card_->Start()) {
        card_.reset();
        return false;
    }
    card_->AddMessage("+8613912345678", "欢迎使用VeltroGSM无线数据卡。");
    card_->AddMessage("10086", "Your balance is 52.30 yuan.");

    std::string dir = tableDir;
    if (dir.empty()) {
        createdDir_ = MakeRunDir();
        dir = createdDir_;
    }
    tablePath_ = dir + "/modems.ini";
    const std::string table =
        ModemDeviceClass::TableText({ModemDevice{kFriendlyName, card_->PortName()}});
    if (dir.empty() || !AtomicFile::Write(tablePath_, table)) {
        Stop();
        return false;
    }
    ::setenv("VELTROGPRS_MODEMS", tablePath_.c_str(), 1);
    return true;
}

void DemoCard::Stop() {
    if (card_) {
        card_->Stop();
        card_.reset();
    }
    if (!tablePath_.empty()) {
        const char* current = std::getenv("VELTROGPRS_MODEMS");
        if (current != nullptr && tablePath_ == current) {
            ::unsetenv("VELTROGPRS_MODEMS");
        }
        std::remove(tablePath_.c_str());
        tablePath_.clear();
    }
    if (!createdDir_.empty()) {
        ::rmdir(createdDir_.c_str());
        createdDir_.clear();
    }
}

}  // namespace veltro::vcard

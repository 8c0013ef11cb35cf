#pragma once

#include <QtGlobal>
#include <cstdint>
#include <optional>
#include <string>

namespace veltro {

class MainDialog;
class ModemEngine;

// Brings the modem card into service, as the first job of the modem session on a new
// engine: makes sure the dial-up entry exists, finds the modem's port, sets the line
// speed, initialises the modem, checks the SIM, attaches to the packet service and, on
// success, enables the command buttons and arms the pages' polls. Its feedback is the
// window's status line and indicators; every window change is posted to the
// user-interface thread in the order of the steps.
class DeviceStartup {
public:
    enum Outcome {
        kSuccess = 0,
        kInitialisationFailed = 1,
        kNoSimCard = 2,
        kNoModem = 3,
        kSimLocked = 4,  // the SIM waits for its PIN or PUK: SimUnlock asks the user
    };

    static constexpr int kFindAttempts = 4;
    static constexpr int kInitialiseAttempts = 6;
    static constexpr int kSimAttempts = 5;
    static constexpr int kAttachRounds = 3;
    static constexpr std::uint32_t kFindRetryPauseMs = 300;
    static constexpr std::uint32_t kAfterSearchPauseMs = 100;
    static constexpr std::uint32_t kLineSpeed = 115200;
    static constexpr int kCallPollMs = 950;
    static constexpr int kInboxPollMs = 5050;

    static constexpr const char* kNoModemText =
        QT_TRANSLATE_NOOP("DeviceStartup", "请检查GPRS设备及驱动程序是否正确安装");
    static constexpr const char* kInitialisationFailedText =
        QT_TRANSLATE_NOOP("DeviceStartup", "调制解调器初始化失败。");
    static constexpr const char* kNoSimText = QT_TRANSLATE_NOOP("DeviceStartup", "无法检测到SIM卡");
    static constexpr const char* kSearchingText =
        QT_TRANSLATE_NOOP("DeviceStartup", "正在搜索网络信号...");
    static constexpr const char* kWelcomeText = QT_TRANSLATE_NOOP(
        "DeviceStartup", "欢迎使用 VeltroGPRS无线上网卡\n\n请点击\"连接\"按钮登录 Internet...");

    explicit DeviceStartup(MainDialog& window) : window_(window) {}

    // Runs the whole sequence on the session's worker: an Outcome.
    int Run(ModemEngine& engine);
    // The sequence from the initialisation on, on the card found on port: after the
    // search, and again once SimUnlock has unlocked the SIM.
    int Resume(ModemEngine& engine, const std::string& port);
    // The window's tooltip for a card of a maker the program does not know; %1 is the
    // maker's own name.
    static constexpr const char* kOtherMakerText =
        QT_TRANSLATE_NOOP("DeviceStartup", "未知厂商的数据卡（%1），只使用标准AT命令");

private:
    // Ends the sequence with a failure text on the status line. Why, when it is known
    // (a port that could not be opened, a card that went away), goes to the line's
    // tooltip and to standard error.
    int Fail(int outcome, const char* text, const std::string& detail = {});
    // Why the engine's port failed: the card went away, or the port could not be opened.
    static std::string Why(const ModemEngine& engine, const char* port);
    // When the SIM waits for its PIN or PUK (a card refuses the set-up or the SIM
    // check then): hands the question to the user-interface thread, kSimLocked.
    std::optional<int> AskIfLocked(ModemEngine& engine, const std::string& port);

    MainDialog& window_;
};

}  // namespace veltro

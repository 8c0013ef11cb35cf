#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltro::vcard {

// The master side of a pseudo-terminal: the card's end of its serial line.
//
// The program (or any client) opens the slave "/dev/pts/N" like a serial port. Whether a
// client has the slave open is seen as the hang-up state: while no client has it open
// the master reports POLLHUP, reads fail and whatever the card writes would wait in the
// slave's queue for the next client, so the card drops it instead, as a modem's output
// is lost on a port nobody listens to. Line settings (the rate above all) are the
// slave's: tcgetattr on the master reads them.
class PtyMaster {
public:
    PtyMaster() = default;
    ~PtyMaster();
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    // Creates the pair in raw mode at the given rate, with no client attached.
    bool Open(std::uint32_t baudRate);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    int Fd() const { return fd_; }
    // "/dev/pts/7".
    const std::string& SlavePath() const { return slavePath_; }

    // The rate the client has set on the slave, 0 if unknown.
    std::uint32_t LineRate() const;

    // True while no client has the slave open.
    bool HungUp() const;

    // Throws away what the card wrote that the last client never read, which the slave
    // would otherwise hand to the next client.
    void DiscardUnread();

    // Reads what has arrived (non-blocking); appends to out. False when nothing could be
    // read (nothing pending, or no client).
    bool Read(std::string& out);

    // Writes all bytes unless the client stops reading for waitMs; the rest is lost.
    void Write(std::string_view bytes, int waitMs);

private:
    int fd_ = -1;
    std::string slavePath_;
};

}  // namespace veltro::vcard

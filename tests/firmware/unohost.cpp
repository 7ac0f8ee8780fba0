// SPDX-License-Identifier: MIT
// uno-host: runs an Uno's program on an emulated ATmega328P at 16 MHz and
// tells what comes out on its servo pins, in emulated time.
//
//   uno-host PROGRAM.elf [--pins 3,5,6,9,10,11] [--until-ms N] [--pty]
//
// The serial line feeds the program's UART at 115200 8N1, a byte at a time,
// each once the one before has been taken (so nothing piles up in the
// emulator). Its bytes come
//   - without --pty: from a script on standard input, one "<ms> <bytes>" line
//     each, sent from that emulated time on (after what came before; escapes
//     \r \n \t \\ \xHH); the emulation runs as fast as it can;
//   - with --pty: from a pseudo-terminal, whose device is the first line
//     printed ("pty /dev/pts/N"); the emulation keeps to the wall clock.
// It runs until --until-ms of emulated time, SIGTERM or SIGINT, and prints:
//   rx <µs> <line>                   the program took the end of a line
//   tx <µs> <byte, hex>              the program wrote a byte to its line
//   pulse <pin> <rise µs> <width µs> a pulse ended on a watched pin
//   end <µs>                         when it stops
// Exit status 1 when the program cannot be loaded or the core crashes.

#include <simavr/avr_ioport.h>
#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_elf.h>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t clockHz = 16'000'000;
constexpr double cyclesPerUs = clockHz / 1e6;
// 115200 baud, 10 bits a byte.
constexpr avr_cycle_count_t lineByteCycles = avr_cycle_count_t(clockHz * 10.0 / 115200.0);
// UCSR0B and its receiver-enable bit: bytes sent before the program enables
// its receiver would be lost.
constexpr uint16_t ucsr0b = 0xC1;
constexpr uint8_t rxen0 = 1 << 4;
// EICRA: how INT0 and INT1 (pins 2 and 3) trigger. In its reset state, low
// level, this simavr checks a low pin every cycle whether or not the interrupt
// is enabled, which makes a servo pin there cost the emulator most of its
// speed. The programs enable neither interrupt, so any-change triggering
// changes nothing for them.
constexpr uint16_t eicra = 0x69;
constexpr uint8_t int0Int1OnAnyChange = 0x05;

volatile sig_atomic_t stopAsked = 0;

double microseconds(avr_cycle_count_t cycle)
{
    return double(cycle) / cyclesPerUs;
}

struct PinWatch {
    int pin = 0;
    avr_t *avr = nullptr;
    bool high = false;
    avr_cycle_count_t riseCycle = 0;
};

void pinChanged(avr_irq_t *, uint32_t value, void *param)
{
    auto *watch = static_cast<PinWatch *>(param);
    const bool high = value != 0;
    if (high == watch->high)
        return;
    watch->high = high;
    const avr_cycle_count_t now = watch->avr->cycle;
    if (high) {
        watch->riseCycle = now;
        return;
    }
    std::printf("pulse %d %.3f %.3f\n", watch->pin, microseconds(watch->riseCycle),
                microseconds(now - watch->riseCycle));
}

// An Arduino pin's port and bit on the ATmega328P.
std::optional<std::pair<char, int>> portBit(int pin)
{
    if (pin >= 0 && pin <= 7)
        return std::pair{'D', pin};
    if (pin >= 8 && pin <= 13)
        return std::pair{'B', pin - 8};
    if (pin >= 14 && pin <= 19)
        return std::pair{'C', pin - 14};
    return std::nullopt;
}

std::string unescape(const std::string &text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            bytes += '\r';
        else if (c == 'n')
            bytes += '\n';
        else if (c == 't')
            bytes += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            bytes += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            bytes += c;
    }
    return bytes;
}

// Where the line's bytes come from.
class Source
{
public:
    virtual ~Source() = default;
    // The next byte, when there is one to send at `cycle`.
    virtual std::optional<uint8_t> next(avr_cycle_count_t cycle) = 0;
};

class ScriptSource : public Source
{
public:
    explicit ScriptSource(std::istream &in)
    {
        std::string line;
        while (std::getline(in, line)) {
            const size_t blank = line.find(' ');
            if (line.empty() || blank == std::string::npos)
                continue;
            const double ms = std::stod(line.substr(0, blank));
            m_parts.push_back({avr_cycle_count_t(ms * 1000 * cyclesPerUs), unescape(line.substr(blank + 1))});
        }
    }

    std::optional<uint8_t> next(avr_cycle_count_t cycle) override
    {
        while (!m_parts.empty() && m_sent == m_parts.front().bytes.size()) {
            m_parts.pop_front();
            m_sent = 0;
        }
        if (m_parts.empty() || cycle < m_parts.front().fromCycle)
            return std::nullopt;
        return uint8_t(m_parts.front().bytes[m_sent++]);
    }

private:
    struct Part {
        avr_cycle_count_t fromCycle;
        std::string bytes;
    };
    std::deque<Part> m_parts;
    size_t m_sent = 0;
};

class PtySource : public Source
{
public:
    PtySource()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_device = ptsname(m_master);
        // Held open so that the far end closing and opening again (a
        // disconnect and connect) never leaves the master hung up.
        m_slaveKeepAlive = open(m_device.c_str(), O_RDWR | O_NOCTTY);
        // Bytes pass as they are, as on a serial line.
        termios raw{};
        tcgetattr(m_slaveKeepAlive, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slaveKeepAlive, TCSANOW, &raw);
    }
    ~PtySource() override
    {
        if (m_slaveKeepAlive >= 0)
            close(m_slaveKeepAlive);
        if (m_master >= 0)
            close(m_master);
    }

    bool valid() const { return m_slaveKeepAlive >= 0; }
    const std::string &device() const { return m_device; }

    std::optional<uint8_t> next(avr_cycle_count_t) override
    {
        uint8_t byte = 0;
        if (read(m_master, &byte, 1) == 1)
            return byte;
        return std::nullopt;
    }

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    std::string m_device;
};

// The UART's receiver, fed a byte at a time.
struct Line {
    avr_t *avr = nullptr;
    avr_irq_t *input = nullptr;
    bool taken = true; // the last byte sent has been read by the program
    avr_cycle_count_t nextCycle = 0;
    std::string text;     // of the line being sent
    bool endSent = false; // its end is on its way: report it once taken
    std::string endedText;

    void feed(Source &source)
    {
        if (!taken || avr->cycle < nextCycle || (avr->data[ucsr0b] & rxen0) == 0)
            return;
        const std::optional<uint8_t> byte = source.next(avr->cycle);
        if (!byte)
            return;
        taken = false;
        nextCycle = avr->cycle + lineByteCycles;
        if (*byte == '\r' || *byte == '\n') {
            endedText = text;
            endSent = !text.empty();
            text.clear();
        } else {
            text += char(*byte);
        }
        avr_raise_irq(input, *byte);
    }
};

// The emulator says "room" each time the program has emptied its receiver.
void receiverEmptied(avr_irq_t *, uint32_t, void *param)
{
    auto *line = static_cast<Line *>(param);
    line->taken = true;
    if (line->endSent) {
        line->endSent = false;
        std::printf("rx %.3f %s\n", microseconds(line->avr->cycle), line->endedText.c_str());
    }
}

void byteWritten(avr_irq_t *, uint32_t value, void *param)
{
    std::printf("tx %.3f %02x\n", microseconds(static_cast<avr_t *>(param)->cycle), value & 0xFF);
}

void logToStderr(avr_t *, const int level, const char *format, va_list arguments)
{
    if (level <= LOG_WARNING)
        std::vfprintf(stderr, format, arguments);
}

void noSleep(avr_t *, avr_cycle_count_t) { }

// What the emulator read from the ELF file, given back at the end.
struct Firmware {
    elf_firmware_t elf{};
    ~Firmware()
    {
        std::free(elf.flash);
        std::free(elf.eeprom);
        std::free(elf.fuse);
        std::free(elf.lockbits);
        for (uint32_t i = 0; i < elf.symbolcount; ++i)
            std::free(elf.symbol[i]);
        std::free(elf.symbol);
    }
};

void onSignal(int)
{
    stopAsked = 1;
}

double wallUs(const timespec &start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - start.tv_sec) * 1e6 + double(now.tv_nsec - start.tv_nsec) / 1e3;
}

int usage()
{
    std::fprintf(stderr, "usage: uno-host PROGRAM.elf [--pins 3,5,6,9,10,11] [--until-ms N] [--pty]\n");
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string program;
    std::vector<int> pins = {3, 5, 6, 9, 10, 11};
    std::optional<double> untilMs;
    bool usePty = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--pty") {
            usePty = true;
        } else if (argument == "--until-ms" && i + 1 < argc) {
            untilMs = std::stod(argv[++i]);
        } else if (argument == "--pins" && i + 1 < argc) {
            pins.clear();
            std::stringstream list(argv[++i]);
            for (std::string pin; std::getline(list, pin, ',');)
                pins.push_back(std::stoi(pin));
        } else if (program.empty() && argument.rfind("--", 0) != 0) {
            program = argument;
        } else {
            return usage();
        }
    }
    if (program.empty())
        return usage();

    avr_global_logger_set(logToStderr);
    Firmware firmware;
    if (elf_read_firmware(program.c_str(), &firmware.elf) != 0) {
        std::fprintf(stderr, "uno-host: cannot read %s\n", program.c_str());
        return 1;
    }
    avr_t *avr = avr_make_mcu_by_name("atmega328p");
    if (!avr || avr_init(avr) != 0) {
        std::fprintf(stderr, "uno-host: no ATmega328P in this simavr\n");
        return 1;
    }
    firmware.elf.frequency = clockHz;
    avr_load_firmware(avr, &firmware.elf);
    avr->frequency = clockHz;
    avr->sleep = noSleep; // time passes by the emulator's clock, paced below when it must
    avr->data[eicra] = int0Int1OnAnyChange;
    uint32_t uartFlags = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);

    std::vector<PinWatch> watches(pins.size());
    for (size_t i = 0; i < pins.size(); ++i) {
        const std::optional<std::pair<char, int>> where = portBit(pins[i]);
        if (!where) {
            std::fprintf(stderr, "uno-host: the Uno has no pin %d to watch\n", pins[i]);
            return 1;
        }
        watches[i].pin = pins[i];
        watches[i].avr = avr;
        avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(where->first), where->second), pinChanged,
                                &watches[i]);
    }

    Line line;
    line.avr = avr;
    line.input = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON), receiverEmptied, &line);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), byteWritten, avr);

    std::unique_ptr<Source> source;
    if (usePty) {
        auto pty = std::make_unique<PtySource>();
        if (!pty->valid()) {
            std::fprintf(stderr, "uno-host: no pseudo-terminal: %s\n", std::strerror(errno));
            return 1;
        }
        std::printf("pty %s\n", pty->device().c_str());
        std::fflush(stdout);
        source = std::move(pty);
    } else {
        source = std::make_unique<ScriptSource>(std::cin);
    }
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);

    const avr_cycle_count_t untilCycle = untilMs ? avr_cycle_count_t(*untilMs * 1000 * cyclesPerUs) : ~0ULL;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    avr_cycle_count_t nextPace = 0;
    constexpr avr_cycle_count_t paceCycles = clockHz / 2000; // keep to the wall clock every 0.5 ms
    int status = 0;
    while (!stopAsked && avr->cycle < untilCycle) {
        line.feed(*source);
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            std::fprintf(stderr, "uno-host: the program stopped (%s)\n", state == cpu_Crashed ? "crashed" : "done");
            status = 1;
            break;
        }
        if (usePty && avr->cycle >= nextPace) {
            nextPace = avr->cycle + paceCycles;
            const double aheadUs = microseconds(avr->cycle) - wallUs(start);
            if (aheadUs > 0) {
                const timespec pause{0, long(aheadUs * 1000)};
                nanosleep(&pause, nullptr);
            }
        }
    }
    std::printf("end %.3f\n", microseconds(avr->cycle));
    std::fflush(stdout);
    avr_terminate(avr);
    return status;
}

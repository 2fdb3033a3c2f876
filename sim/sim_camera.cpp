#include "sim/sim_camera.h"

#include <csignal>
#include <cstdlib>
#include <utility>

#include "link/i2c_link.h"

namespace vorlix::sim {

namespace {

constexpr std::size_t kPageBytes = 16;

bool isCommandCode(std::uint8_t code) {
    return code == kCmdWrite8 || code == kCmdRead8 || code == kCmdWrite16 || code == kCmdRead16 ||
           code == kCmdWritePage;
}

bool isBank(std::uint8_t bank) {
    return bank >= 0xA0 && bank <= 0xA7;
}

std::size_t bankIndex(std::uint8_t bank) {
    return static_cast<std::size_t>((bank - 0xA0) >> 1);
}

std::uint16_t word(std::uint8_t hi, std::uint8_t lo) {
    return static_cast<std::uint16_t>(hi << 8 | lo);
}

constexpr int kKill = 9;

void raiseFault(int signal) {
#ifdef SIGKILL
    std::raise(signal);
#else
    if (signal == kKill) std::_Exit(128 + kKill);
    std::raise(signal);
#endif
}

}  // namespace

SimCamera::SimCamera(SimState state) : state_(std::move(state)) {
    repower();
}

void SimCamera::repower() {
    const std::uint8_t stored = eeprom(kAddressBank, kAddressOffset);
    address_ = stored == 0xFF ? kCameraDefaultAddress : static_cast<std::uint8_t>(stored & 0xFE);
    pending_.reset();
    busyLeft_ = 0;
}

std::uint8_t SimCamera::eeprom(std::uint8_t bank, std::uint8_t offset) const {
    if (!isBank(bank)) {
        throw std::out_of_range("no EEPROM bank " + std::to_string(bank));
    }
    return live().eeprom[bankIndex(bank)][offset];
}

std::uint8_t& SimCamera::eepromByte(std::uint8_t bank, std::uint8_t offset) {
    return live().eeprom[bankIndex(bank)][offset];
}

std::uint16_t SimCamera::reg(std::uint16_t address) const {
    const auto it = live().registers.find(address);
    return it == live().registers.end() ? 0 : it->second;
}

void SimCamera::writeRegister(std::uint16_t address, std::uint16_t value) {
    if (address == kHostCommandRegister) {
        live().registers[address] = value & ~kBusyBit;
        busyLeft_ = live().busyReads;
        return;
    }
    live().registers[address] = value;
}

std::uint16_t SimCamera::readRegister(std::uint16_t address) {
    if (address != kHostCommandRegister) {
        return reg(address);
    }
    if (busyLeft_ > 0) {
        --busyLeft_;
        return reg(address) | kBusyBit;
    }
    return reg(address) & ~kBusyBit;
}

void SimCamera::followScript() {
    const std::vector<ScriptedModule>& modules = state_.modules;
    for (;;) {
        if (in_) {
            const std::uint64_t removal = insertedAt_ + modules[*in_].stays;
            if (transactions_ < removal) return;
            in_.reset();
            ++next_;
            emptiedAt_ = removal;
        } else {
            if (next_ >= modules.size()) return;
            const std::uint64_t insertion = emptiedAt_ + modules[next_].gap;
            if (transactions_ < insertion) return;
            in_ = next_;
            insertedAt_ = insertion;
        }
        repower();
    }
}

std::uint16_t SimCamera::admit(std::uint8_t writeForm, std::uint8_t readForm) {
    ++transactions_;
    followScript();
    // The bench's faults count from the run's start, a module's from its own first transaction.
    const auto injected = [&](const std::vector<Fault>& faults,
                              std::uint64_t count) -> std::uint16_t {
        for (const Fault& fault : faults) {
            const bool atMatches = !fault.at || *fault.at == count;
            const bool slaveMatches =
                !fault.slave || *fault.slave == writeForm || *fault.slave == readForm;
            if (!atMatches || !slaveMatches) {
                continue;
            }
            if (fault.signal != 0) {
                raiseFault(fault.signal);
            }
            if (fault.status != kStatusOk) {
                return fault.status;
            }
        }
        return kStatusOk;
    };
    if (const std::uint16_t status = injected(state_.faults, transactions_)) return status;
    if (in_) {
        if (const std::uint16_t status = injected(live().faults, transactions_ - insertedAt_ + 1))
            return status;
    }
    return live().present ? kStatusOk : kStatusNotPresent;
}

std::uint16_t SimCamera::writeTransaction(std::uint8_t slave, const std::uint8_t* bytes,
                                          std::size_t count) {
    if (const std::uint16_t status = admit(slave, slave); status != kStatusOk) {
        return status;
    }
    if (slave == address_) {
        return cameraWrite(bytes, count);
    }
    if (slave == kSensorWrite) {
        if (count == 4) {
            writeRegister(word(bytes[0], bytes[1]), word(bytes[2], bytes[3]));
        }
        return kStatusOk;
    }
    return kStatusNotPresent;
}

std::uint16_t SimCamera::readTransaction(std::uint8_t slave, std::uint8_t* buf, std::size_t count) {
    if (const std::uint16_t status = admit(slave, slave); status != kStatusOk) {
        return status;
    }
    if (slave == (address_ | 1)) {
        return cameraRead(buf, count);
    }
    if (slave == kSensorRead) {
        return kStatusNack;
    }
    return kStatusNotPresent;
}

std::uint16_t SimCamera::writeReadTransaction(std::uint8_t slave, const std::uint8_t* sub,
                                              std::size_t subCount, std::uint8_t* buf,
                                              std::size_t count) {
    const auto writeForm = static_cast<std::uint8_t>(slave & 0xFE);
    const auto readForm = static_cast<std::uint8_t>(slave | 1);
    if (const std::uint16_t status = admit(writeForm, readForm); status != kStatusOk) {
        return status;
    }
    if (writeForm == address_) {
        if (subCount != 3 || !isCommandCode(sub[0])) {
            return kStatusNack;
        }
        const std::optional<Header> earlier = pending_;
        pending_ = Header{sub[0], sub[1], sub[2]};
        const std::uint16_t status = cameraRead(buf, count);
        if (status != kStatusOk) {
            pending_ = earlier;
        }
        return status;
    }
    if (writeForm == kSensorWrite) {
        return sensorWriteRead(sub, subCount, buf, count);
    }
    return kStatusNotPresent;
}

std::uint16_t SimCamera::cameraWrite(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) {
        return kStatusOk;
    }
    if (count == 3 && isCommandCode(bytes[0])) {
        pending_ = Header{bytes[0], bytes[1], bytes[2]};
        return kStatusOk;
    }
    if (!pending_) {
        return kStatusNack;
    }
    const Header header = *pending_;
    switch (header.code) {
        case kCmdWrite8:
            if (count != 1 || !isBank(header.p1)) {
                return kStatusNack;
            }
            eepromByte(header.p1, header.p2) = bytes[0];
            break;
        case kCmdWrite16:
            if (count != 2) {
                return kStatusNack;
            }
            writeRegister(word(header.p1, header.p2), word(bytes[0], bytes[1]));
            break;
        case kCmdWritePage:
            if (count != kPageBytes || !isBank(header.p1)) {
                return kStatusNack;
            }
            // The offset is one byte inside the camera: a page that runs past 0xFF wraps to the
            // start of the same bank.
            for (std::size_t i = 0; i < kPageBytes; ++i) {
                eepromByte(header.p1, static_cast<std::uint8_t>(header.p2 + i)) = bytes[i];
            }
            break;
        default:
            return kStatusNack;
    }
    pending_.reset();
    return kStatusOk;
}

std::uint16_t SimCamera::cameraRead(std::uint8_t* buf, std::size_t count) {
    if (!pending_) {
        return kStatusNack;
    }
    const Header header = *pending_;
    switch (header.code) {
        case kCmdRead8:
            if (count != 1 || !isBank(header.p1)) {
                return kStatusNack;
            }
            buf[0] = eepromByte(header.p1, header.p2);
            break;
        case kCmdRead16: {
            if (count != 2) {
                return kStatusNack;
            }
            const std::uint16_t value = readRegister(word(header.p1, header.p2));
            buf[0] = static_cast<std::uint8_t>(value >> 8);
            buf[1] = static_cast<std::uint8_t>(value);
            break;
        }
        default:
            return kStatusNack;
    }
    pending_.reset();
    return kStatusOk;
}

std::uint16_t SimCamera::sensorWriteRead(const std::uint8_t* sub, std::size_t subCount,
                                         std::uint8_t* buf, std::size_t count) {
    if (subCount != 2 || count != 2) {
        return kStatusNack;
    }
    const std::uint16_t value = readRegister(word(sub[0], sub[1]));
    buf[0] = static_cast<std::uint8_t>(value >> 8);
    buf[1] = static_cast<std::uint8_t>(value);
    return kStatusOk;
}

}  // namespace vorlix::sim

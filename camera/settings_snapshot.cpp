// The settings snapshot records and the erase of the settings area.
#include "camera/settings_snapshot.h"


#include "camera/readback.h"
#include "camera/white_balance.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

constexpr int kLastPageStart = kSettingsAreaEnd - 2;  // pages start below 0xFF

std::uint16_t low16(std::int32_t v) {
    return static_cast<std::uint16_t>(v & 0xFFFF);
}

// Erases the settings area from offset on; pageDone runs once per page (a page erased byte by
// byte included) that went through. The link stops at the first failed transfer; false then.
bool eraseSettingsArea(I2cLink& link, std::uint8_t camAddr, int offset,
                       const std::function<void()>& pageDone) {
    link.stopAtFirstFailure();
    std::array<std::uint16_t, kPageEntries> erased;
    erased.fill(kErasedEntry);
    for (int p = offset; p <= kLastPageStart && !link.failed(); p += kPageEntries) {
        if (p + static_cast<int>(kPageEntries) <= kSettingsAreaEnd) {
            link.camWritePage(camAddr, kSettingsBank, static_cast<std::uint8_t>(p), erased.data(),
                              kPageEntries);
            link.pause(kEepromWritePauseMs);
        } else {
            // A whole page here would run past 0xFF and wrap onto the start of the bank.
            for (int q = p; q < kSettingsAreaEnd && !link.failed(); ++q) {
                link.camWrite8(camAddr, kSettingsBank, static_cast<std::uint8_t>(q),
                               static_cast<std::uint8_t>(kErasedEntry));
                link.pause(kEepromWritePauseMs);
            }
        }
        if (pageDone && !link.failed()) pageDone();
    }
    return !link.failed();
}

}  // namespace

std::optional<SettingsInput> readSettings(I2cLink& link, std::uint8_t camAddr,
                                          std::string& whyNot) {
    const CameraReadBack r = readBack(link, camAddr);
    if (!r.sharpness) {
        whyNot = "reading the camera's settings failed";
        return std::nullopt;
    }
    SettingsInput in;
    in.autoWhiteBalance = *r.whiteBalance == kWhiteBalanceAdapts;
    if (!in.autoWhiteBalance) {
        const std::optional<WhiteBalanceRegisters> captured = captureWhiteBalance(link, camAddr);
        if (!captured) {
            whyNot = "capturing the held white balance failed";
            return std::nullopt;
        }
        in.whiteBalance = *captured;
    }
    in.overlaysEnabled = overlaysOn(*r.overlayFunction);
    if (r.overlays) {
        for (unsigned i = 0; i < in.overlayShown.size(); ++i)
            in.overlayShown[i] = overlayShown((*r.overlays)[i]);
    }
    in.sharpReg = *r.sharpness;
    in.manualExposure = manualExposure(r.exposure->mode);
    in.shutter = r.exposure->shutter;
    in.aexRef = r.exposure->aexRef;
    return in;
}

std::vector<SettingsRecord> settingsScript(const SettingsInput& in) {
    std::vector<SettingsRecord> records;
    records.push_back({kRegProjection, in.projection});
    records.push_back({kRegProjectionCompanion, in.companion});
    if (!in.autoWhiteBalance) {
        for (std::size_t k = 0; k < kWhiteBalanceWalk.size(); ++k)
            records.push_back({kWhiteBalanceWalk[k], in.whiteBalance[k]});
    }
    if (in.overlaysEnabled) {
        records.push_back({kRegOverlayFunction, kOverlayShown});
        for (unsigned i = 0; i < in.overlayShown.size(); ++i)
            records.push_back({overlayRegister(i), overlayValue(i, in.overlayShown[i])});
    } else {
        records.push_back({kRegOverlayFunction, 0x0000, false});
    }
    records.push_back({kRegSharpness, low16(in.sharpReg)});
    if (in.manualExposure) {
        records.push_back({kRegExposureMode, kExposureManual});
        records.push_back({kRegShutter, low16(in.shutter)});
    } else {
        records.push_back({kRegExposureMode, kExposureAutomatic});
    }
    records.push_back({kRegAexReference, low16(in.aexRef)});
    return records;
}

std::array<std::uint8_t, kRecordBytes> recordBytes(const SettingsRecord& record) {
    return {static_cast<std::uint8_t>(record.reg >> 8), static_cast<std::uint8_t>(record.reg),
            static_cast<std::uint8_t>(record.value >> 8), static_cast<std::uint8_t>(record.value)};
}

std::string settingsFitProblem(int offset, std::size_t length) {
    const int room = kSettingsAreaEnd - offset;
    if (static_cast<int>(length) <= room) return {};
    return "Settings need " + std::to_string(length) + " bytes; address offset 0x" +
           io::formatHex(static_cast<unsigned>(offset)) + " leaves only " + std::to_string(room) +
           ". Nothing was written.";
}

std::size_t erasePages(int offset) {
    std::size_t pages = 0;
    for (int p = offset; p <= kLastPageStart; p += kPageEntries) ++pages;
    return pages;
}

std::size_t saveSteps(int offset, const SettingsInput& in) {
    // A step per erased page and per script byte.
    std::size_t steps = erasePages(offset);
    for (const SettingsRecord& record : settingsScript(in))
        steps += record.advancesProgress ? kRecordBytes : 0;
    return steps;
}

SaveOutcome saveSettings(I2cLink& link, std::uint8_t camAddr, int offset, SettingsInput in,
                         const std::function<void(SaveProgress)>& progress,
                         const WriteGate& mayWrite) {
    SaveOutcome outcome;
    // The script's length is known before anything is sent: a snapshot that does not fit in
    // front of the end of the bank is refused, so nothing in or before the area is lost. It is
    // told first, before what is missing for the snapshot.
    outcome.length = settingsScript(in).size() * kRecordBytes;
    outcome.whyNot = settingsFitProblem(offset, outcome.length);
    if (!outcome.whyNot.empty()) {
        outcome.result = SaveResult::DoesNotFit;
        return outcome;
    }
    if (!in.valuesRead) {
        outcome.result = SaveResult::NotRead;
        return outcome;
    }
    // A white point to store must be one a capture held and read: an adapting white balance
    // would give whatever it happened to be.
    if (!in.autoWhiteBalance && !in.whiteBalanceCaptured) {
        outcome.result = SaveResult::NotCaptured;
        return outcome;
    }
    if (progress) progress(SaveProgress::Starting);
    if (gateRefuses(mayWrite, outcome, SaveResult::Refused)) return outcome;
    const auto tell = [&progress](SaveProgress moment) {
        if (progress) progress(moment);
    };

    if (!eraseSettingsArea(link, camAddr, offset, [&tell] {
            tell(SaveProgress::Erased);
            tell(SaveProgress::Step);
        })) {
        outcome.result = SaveResult::EraseFailed;
        return outcome;
    }
    link.pause(kSettlePauseMs);

    in.projection = readRegister(link, camAddr, kRegProjection);
    in.companion = readRegister(link, camAddr, kRegProjectionCompanion);
    if (link.failed()) {
        outcome.result = SaveResult::ReadFailed;
        return outcome;
    }

    for (const SettingsRecord& record : settingsScript(in)) {
        for (std::uint8_t byte : recordBytes(record)) {
            link.camWrite8(camAddr, kSettingsBank,
                           static_cast<std::uint8_t>(offset + outcome.written), byte);
            if (link.failed()) {
                outcome.result = SaveResult::WriteFailed;
                return outcome;
            }
            ++outcome.written;
            link.pause(kEepromWritePauseMs);
            tell(SaveProgress::Written);
            if (record.advancesProgress) tell(SaveProgress::Step);
        }
    }
    outcome.result = SaveResult::Saved;
    return outcome;
}

EraseOutcome eraseSettings(I2cLink& link, std::uint8_t camAddr, int offset,
                           const WriteGate& mayWrite, const std::function<void()>& pageErased) {
    EraseOutcome outcome;
    if (gateRefuses(mayWrite, outcome, EraseResult::Refused)) return outcome;
    if (!eraseSettingsArea(link, camAddr, offset, pageErased)) {
        outcome.result = EraseResult::EraseFailed;
        return outcome;
    }
    // The camera forgets its stored address and answers at the default one after power-up.
    link.camWrite8(camAddr, kAddressBank, kAddressOffset, kNoStoredAddress);
    if (link.failed()) {
        outcome.result = EraseResult::AddressClearFailed;
        return outcome;
    }
    link.pause(kEepromWritePauseMs);
    outcome.result = EraseResult::Erased;
    outcome.address = addressAfterPowerUp(kNoStoredAddress);
    return outcome;
}

}  // namespace vorlix::camera

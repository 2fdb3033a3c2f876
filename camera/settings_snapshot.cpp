// The settings snapshot records and the erase of the settings area.
#include "camera/settings_snapshot.h"

#include "camera/address.h"
#include "camera/readback.h"
#include "camera/white_balance.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

constexpr int kLastPageStart = kSettingsAreaEnd - 2;  // pages start below 0xFF

// What an interrupted erase leaves of the stored address.
constexpr char kAddressAsItWas[] = "the stored address is as it was";

std::string interruptedErasing(std::size_t erased, std::size_t pages) {
    return "interrupted after " + std::to_string(erased) + " of " + std::to_string(pages) +
           " pages of the erase: the settings area is erased in part";
}

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

Result<SettingsInput> readSettings(I2cLink& link, std::uint8_t camAddr) {
    // The whole read-back or nothing: a transfer that failed after the values the snapshot
    // takes (in the trim's reads) is still a failed run, never a settings script saved as done.
    const Result<CameraReadBack> read = readBack(link, camAddr);
    const CameraReadBack& r = read.value;
    if (!read)
        return {.outcome = Outcome::Failed,
                .words = "reading the camera's settings failed; nothing was written"};
    Result<SettingsInput> settings;
    SettingsInput& in = settings.value;
    in.autoWhiteBalance = *r.whiteBalance == kWhiteBalanceAdapts;
    if (!in.autoWhiteBalance) {
        const Result<WhiteBalanceRegisters> captured = captureWhiteBalance(link, camAddr);
        if (!captured)
            return {.outcome = Outcome::Failed,
                    .words = "capturing the held white balance failed; nothing was written"};
        in.whiteBalance = captured.value;
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
    return settings;
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

Result<SaveProgressCount> saveSettings(I2cLink& link, std::uint8_t camAddr, int offset,
                                       SettingsInput in,
                                       const std::function<void(SaveProgress)>& progress,
                                       const WriteGate& mayWrite) {
    Result<SaveProgressCount> save;
    SaveProgressCount& count = save.value;
    // The script's length is known before anything is sent: a snapshot that does not fit in
    // front of the end of the bank is refused, so nothing in or before the area is lost. It is
    // told first, before what is missing for the snapshot.
    count.length = settingsScript(in).size() * kRecordBytes;
    count.pages = erasePages(offset);
    const auto refuse = [&save](std::string words) {
        save.outcome = Outcome::Refused;
        save.words = std::move(words);
        return save;
    };
    if (std::string problem = settingsFitProblem(offset, count.length); !problem.empty())
        return refuse(std::move(problem));
    if (!in.valuesRead)
        return refuse(
            "The camera's settings were not read: press Connect first. Nothing was written.");
    // A white point to store must be one a capture held and read: an adapting white balance
    // would give whatever it happened to be.
    if (!in.autoWhiteBalance && !in.whiteBalanceCaptured)
        return refuse(
            "No white balance was captured: press Push2White first, or tick Auto White Balance. "
            "Nothing was written.");
    const auto tell = [&progress](SaveProgress moment) {
        if (progress) progress(moment);
    };
    tell(SaveProgress::Starting);
    if (!gatePasses(mayWrite, save)) return save;
    const auto fail = [&save](std::string words) {
        save.outcome = Outcome::Failed;
        save.words = std::move(words);
        return save;
    };

    if (!eraseSettingsArea(link, camAddr, offset, [&] {
            ++count.erased;
            tell(SaveProgress::Erased);
            tell(SaveProgress::Step);
        }))
        return fail(
            "Save stopped: erasing the settings area of bank a0 failed, so it may be partly "
            "erased. No settings were written");
    link.pause(kSettlePauseMs);

    in.projection = readRegister(link, camAddr, kRegProjection);
    in.companion = readRegister(link, camAddr, kRegProjectionCompanion);
    if (link.failed())
        return fail(
            "Save stopped: reading the camera failed. The settings area of bank a0 is erased and "
            "no settings were written");
    count.pairRead = true;

    for (const SettingsRecord& record : settingsScript(in)) {
        for (std::uint8_t byte : recordBytes(record)) {
            link.camWrite8(camAddr, kSettingsBank,
                           static_cast<std::uint8_t>(offset + count.written), byte);
            if (link.failed())
                return fail("Save stopped after " + std::to_string(count.written) + " of " +
                            std::to_string(count.length) +
                            " bytes: bank a0 now holds a partial settings script");
            ++count.written;
            link.pause(kEepromWritePauseMs);
            tell(SaveProgress::Written);
            if (record.advancesProgress) tell(SaveProgress::Step);
        }
    }
    save.words = "settings saved in bank a0 from offset " +
                 io::hexByte(static_cast<std::uint8_t>(offset)) + " (" +
                 std::to_string(count.length) + " bytes)";
    return save;
}

std::string saveInterrupted(const SaveProgressCount& count) {
    if (count.erased == 0) return kInterruptedBeforeWriting;
    if (count.erased < count.pages) return interruptedErasing(count.erased, count.pages);
    if (count.written == 0)
        return "interrupted after the erase: the settings area is erased, no settings were "
               "written";
    return "interrupted after " + std::to_string(count.written) + " of " +
           std::to_string(count.length) +
           " bytes of the settings: the settings area holds part "
           "of them";
}

Result<std::uint8_t> eraseSettings(I2cLink& link, std::uint8_t camAddr, int offset,
                                   const WriteGate& mayWrite,
                                   const std::function<void()>& pageErased,
                                   std::optional<std::uint8_t> answersAt) {
    Result<std::uint8_t> erase;
    if (!gatePasses(mayWrite, erase)) return erase;
    const std::string still = stillAnswersAt(answersAt.value_or(camAddr));
    if (!eraseSettingsArea(link, camAddr, offset, pageErased)) {
        erase.outcome = Outcome::Failed;
        erase.words =
            "Erase stopped: erasing the settings area of bank a0 failed, so it may be partly "
            "erased. The stored camera address was not cleared; " +
            still;
        return erase;
    }
    // The camera forgets its stored address and answers at the default one after power-up.
    link.camWrite8(camAddr, kAddressBank, kAddressOffset, kNoStoredAddress);
    if (link.failed()) {
        erase.outcome = Outcome::Failed;
        erase.words =
            "Erase stopped: clearing the stored camera address failed. The settings area of "
            "bank a0 is erased; " +
            still;
        return erase;
    }
    link.pause(kEepromWritePauseMs);
    erase.value = addressAfterPowerUp(kNoStoredAddress);
    erase.words = "settings erased in bank a0 from offset " +
                  io::hexByte(static_cast<std::uint8_t>(offset)) +
                  ", stored camera address cleared: the camera answers at " +
                  io::hexByte(erase.value) + " after its next power-up";
    return erase;
}

std::string eraseWarning(std::uint8_t offset) {
    return "This will erase camera EEPROM bank a0 from offset " + io::hexByte(offset) +
           " on, and the stored camera address. If this is ok please press again erase";
}

std::string eraseInterrupted(std::size_t erased, std::size_t pages) {
    if (erased == 0) return kInterruptedBeforeWriting;
    if (erased < pages) return interruptedErasing(erased, pages) + " and " + kAddressAsItWas;
    return "interrupted after the erase: the settings area is erased, but " +
           std::string(kAddressAsItWas);
}

}  // namespace vorlix::camera

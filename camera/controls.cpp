// The named controls and the session that reads and changes them.
#include "camera/controls.h"

#include <algorithm>

#include "camera/camera_map.h"
#include "camera/exposure.h"
#include "camera/image_settings.h"
#include "camera/readback.h"
#include "camera/white_balance.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

constexpr const char* kOffOn[] = {"off", "on"};
constexpr const char* kExposureWords[] = {"auto", "manual"};
constexpr ControlValue kManual = 1;
// "running" is push-to-white adapting until Push2White holds it: to the camera the same as
// "automatic", which is how it reads back.
constexpr const char* kWhiteBalanceWords[] = {"automatic", "running", "held"};
constexpr ControlValue kAdapting = 0;
constexpr ControlValue kHeld = 2;
constexpr const char* kTvModeWords[] = {"NTSC", "PAL"};

constexpr ControlSpec kControls[] = {
    {.id = ControlId::Exposure,
     .name = "exposure",
     .summary = "automatic (aiming at the AEX reference) or manual (at the shutter value)",
     .words = kExposureWords},
    {.id = ControlId::Shutter,
     .name = "shutter",
     .summary = "the manual shutter value",
     .max = kShutterMax},
    {.id = ControlId::AexReference,
     .name = "aex-reference",
     .summary = "what the automatic exposure aims at",
     .max = kAexMax},
    {.id = ControlId::WhiteBalance,
     .name = "white-balance",
     .summary = "automatic; push-to-white running; or held, with the capture of its registers",
     .words = kWhiteBalanceWords},
    {.id = ControlId::Mirror,
     .name = "mirror",
     .summary = "the picture mirrored (stored in bank a4 as well)",
     .words = kOffOn},
    {.id = ControlId::Flip, .name = "flip", .summary = "the picture flipped", .words = kOffOn},
    {.id = ControlId::Overlay,
     .name = "overlay",
     .summary = "the overlay function",
     .words = kOffOn},
    {.id = ControlId::Overlay1, .name = "overlay-1", .summary = "overlay 1", .words = kOffOn},
    {.id = ControlId::Overlay2, .name = "overlay-2", .summary = "overlay 2", .words = kOffOn},
    {.id = ControlId::Overlay3, .name = "overlay-3", .summary = "overlay 3", .words = kOffOn},
    {.id = ControlId::Overlay4, .name = "overlay-4", .summary = "overlay 4", .words = kOffOn},
    {.id = ControlId::Sharpness,
     .name = "sharpness",
     .summary = "the sharpness gain",
     .max = kGainMax},
    {.id = ControlId::TrimX,
     .name = "trim-x",
     .summary = "the horizontal trim offset; --store keeps it for the next power-up",
     .max = kTrimMax,
     .step = kTrimStep},
    {.id = ControlId::TrimY,
     .name = "trim-y",
     .summary = "the vertical trim offset; --store keeps it for the next power-up",
     .max = kTrimMax,
     .step = kTrimStep},
    {.id = ControlId::TvMode,
     .name = "tv-mode",
     .summary = "the TV standard",
     .words = kTvModeWords,
     .readOnly = true},
    {.id = ControlId::Address,
     .name = "address",
     .summary = "the camera's I2C address (set-address changes it)",
     .max = 0xFF,
     .readOnly = true},
};

constexpr unsigned overlayIndex(ControlId id) {
    return static_cast<unsigned>(id) - static_cast<unsigned>(ControlId::Overlay1);
}

}  // namespace

std::span<const ControlSpec> controlTable() {
    return kControls;
}

const ControlSpec* findControl(std::string_view name) {
    for (const ControlSpec& control : kControls)
        if (name == control.name) return &control;
    return nullptr;
}

std::string valueText(const ControlSpec& control, ControlValue value) {
    if (!control.words.empty())
        return value < control.words.size() ? control.words[value] : io::formatHex(value);
    return io::formatHex(value);
}

std::string acceptedText(const ControlSpec& control) {
    if (control.readOnly) return "read only";
    if (!control.words.empty()) {
        std::string words;
        for (const char* word : control.words)
            words += (words.empty() ? "" : ", ") + std::string(word);
        return words;
    }
    return "0 to " + io::formatHex(control.max) + (control.step > 1 ? ", even" : "") + " (hex)";
}

io::Expected<ControlValue> parseValue(const ControlSpec& control, std::string_view text) {
    const std::string name = control.name;
    if (control.readOnly)
        return io::Failure{name + " is read only" +
                           (control.id == ControlId::Address ? "; set-address changes it" : "")};
    if (!control.words.empty()) {
        for (std::size_t i = 0; i < control.words.size(); ++i)
            if (text == control.words[i]) return static_cast<ControlValue>(i);
        return io::Failure{name + " takes " + acceptedText(control) + ", not \"" +
                           std::string(text) + "\""};
    }
    const std::optional<std::uint32_t> number = io::parseHexNumber(text, 8);
    if (!number || *number > control.max || *number % control.step != 0)
        return io::Failure{name + " takes " + acceptedText(control) + ", not \"" +
                           std::string(text) + "\""};
    return *number;
}

ControlSession::ControlSession(I2cLink& link, std::uint8_t camAddr, WriteGate mayWrite)
    : link_(link), camAddr_(camAddr), mayWrite_(std::move(mayWrite)) {
    // A value that could not be read is never written back, and a change after a failed one
    // would leave the camera somewhere between the two.
    link_.stopAtFirstFailure();
}

std::optional<std::uint16_t> ControlSession::reg(std::uint16_t address) {
    if (const auto known = registers_.find(address); known != registers_.end())
        return known->second;
    const std::uint16_t value = readRegister(link_, camAddr_, address);
    if (link_.failed()) return std::nullopt;
    registers_[address] = value;
    return value;
}

std::optional<std::uint8_t> ControlSession::eepromByte(std::uint8_t bankForm, std::uint8_t offset) {
    const auto key = static_cast<std::uint16_t>(bankForm << 8 | offset);
    if (const auto known = bytes_.find(key); known != bytes_.end()) return known->second;
    const auto value = static_cast<std::uint8_t>(
        link_.camRead8(camAddr_, static_cast<std::uint8_t>(bankForm | 1), offset));
    if (link_.failed()) return std::nullopt;
    bytes_[key] = value;
    return value;
}

Result<bool> ControlSession::done(bool wrote) {
    Result<bool> result;
    result.value = wrote;
    result.backup = backup_;
    return result;
}

Result<bool> ControlSession::failed(const std::string& words) {
    return {.outcome = Outcome::Failed, .words = words, .backup = backup_};
}

WriteGate ControlSession::gate() {
    if (!mayWrite_) return {};
    return [this] {
        GateAnswer answer = mayWrite_();
        if (answer) backup_ = answer.value;
        return answer;
    };
}

Result<std::optional<ControlSession::TrimState>> ControlSession::trim() {
    Result<std::optional<TrimState>> known;
    if (trimRead_) {
        known.value = trim_;
        return known;
    }
    const std::optional<std::uint8_t> x = eepromByte(kTrimBank, kTrimXOffset);
    if (x && *x == kTrimNotActive) {
        trimRead_ = true;
        return known;
    }
    const std::optional<std::uint8_t> y = eepromByte(kTrimBank, kTrimYOffset);
    if (!x || !y)
        return {.outcome = Outcome::Failed, .words = "reading the stored trim offsets failed"};
    trim_.emplace();
    trim_->storedX = *x;
    trim_->storedY = *y;
    trim_->x = shownTrim(static_cast<std::int16_t>(*x));
    trim_->y = shownTrim(static_cast<std::int16_t>(*y));
    trimRead_ = true;
    known.value = trim_;
    return known;
}

Result<std::optional<ControlValue>> ControlSession::read(const ControlSpec& control) {
    const auto fromRegister = [this](std::uint16_t address,
                                     auto meaning) -> Result<std::optional<ControlValue>> {
        const std::optional<std::uint16_t> value = reg(address);
        if (!value)
            return {.outcome = Outcome::Failed,
                    .words = "reading sensor register " + io::formatHex(address, 4) + " failed"};
        return doneWith(std::optional<ControlValue>(meaning(*value)));
    };
    switch (control.id) {
        case ControlId::Exposure:
            return fromRegister(kRegExposureMode, [](std::uint16_t v) -> ControlValue {
                return manualExposure(v) ? kManual : 0;
            });
        case ControlId::Shutter:
            return fromRegister(kRegShutter, [](std::uint16_t v) -> ControlValue { return v; });
        case ControlId::AexReference:
            return fromRegister(kRegAexReference,
                                [](std::uint16_t v) -> ControlValue { return v; });
        case ControlId::WhiteBalance:
            return fromRegister(kRegWhiteBalanceMode, [](std::uint16_t v) -> ControlValue {
                return v == kWhiteBalanceAdapts ? kAdapting : kHeld;
            });
        case ControlId::Mirror:
            return fromRegister(kRegProjection,
                                [](std::uint16_t v) -> ControlValue { return mirrored(v); });
        case ControlId::Flip:
            return fromRegister(kRegProjection,
                                [](std::uint16_t v) -> ControlValue { return flipped(v); });
        case ControlId::Overlay:
            return fromRegister(kRegOverlayFunction,
                                [](std::uint16_t v) -> ControlValue { return overlaysOn(v); });
        case ControlId::Overlay1:
        case ControlId::Overlay2:
        case ControlId::Overlay3:
        case ControlId::Overlay4:
            return fromRegister(overlayRegister(overlayIndex(control.id)),
                                [](std::uint16_t v) -> ControlValue { return overlayShown(v); });
        case ControlId::Sharpness:
            return fromRegister(kRegSharpness, [](std::uint16_t v) -> ControlValue {
                return static_cast<ControlValue>(gainOf(v));
            });
        case ControlId::TrimX:
        case ControlId::TrimY: {
            const Result<std::optional<TrimState>> t = trim();
            if (!t) return endedBy<std::optional<ControlValue>>(t);
            Result<std::optional<ControlValue>> offset;
            if (t.value)
                offset.value = static_cast<ControlValue>(
                    control.id == ControlId::TrimX ? t.value->x : t.value->y);
            return offset;
        }
        case ControlId::TvMode:
            return fromRegister(kRegTvMode,
                                [](std::uint16_t v) -> ControlValue { return isPal(v); });
        case ControlId::Address:
            return doneWith(std::optional<ControlValue>(camAddr_));
    }
    return {.outcome = Outcome::Refused, .words = "no control"};
}

Result<bool> ControlSession::change(const ControlSpec& control, ControlValue value) {
    if (control.readOnly)
        return {.outcome = Outcome::Refused, .words = std::string(control.name) + " is read only"};
    if (control.id == ControlId::TrimX || control.id == ControlId::TrimY)
        return changeTrim(control.id == ControlId::TrimX, static_cast<std::int16_t>(value));
    const Result<std::optional<ControlValue>> now = read(control);
    if (!now) return endedBy<bool>(now);
    const ControlValue current = now.value.value_or(0);
    const bool inPlace = control.id == ControlId::WhiteBalance
                             ? (current == kHeld) == (value == kHeld)
                             : current == value;
    if (inPlace) return done(false);

    const bool on = value != 0;
    switch (control.id) {
        case ControlId::Exposure:
            switchExposure(link_, camAddr_, value == kManual);
            break;
        case ControlId::Shutter:
            writeShutter(link_, camAddr_, static_cast<std::int32_t>(value));
            break;
        case ControlId::AexReference:
            writeAexReference(link_, camAddr_, static_cast<std::int32_t>(value));
            break;
        case ControlId::WhiteBalance:
            if (value == kHeld) {
                const Result<WhiteBalanceRegisters> captured = captureWhiteBalance(link_, camAddr_);
                if (!captured) return failed(captured.words);
            } else {
                letWhiteBalanceAdapt(link_, camAddr_);
            }
            break;
        case ControlId::Mirror:
        case ControlId::Flip: {
            // The shadow's bits besides mirror and flip are kept as the EEPROM holds them: a
            // script writes no bit it was not asked for and never read.
            std::uint32_t others = 0;
            if (control.id == ControlId::Mirror) {
                const std::optional<std::uint8_t> high = eepromByte(kShadowBank, kShadowHighOffset);
                const std::optional<std::uint8_t> low = eepromByte(kShadowBank, kShadowLowOffset);
                if (!high || !low) return failed("reading the mirror and flip shadow failed");
                others = static_cast<std::uint32_t>(*high << 8 | *low) & ~kProjectionShadowBits;
            }
            const Result<ProjectionChange> changed = changeProjection(
                link_, camAddr_,
                control.id == ControlId::Mirror ? ProjectionBox::Mirror : ProjectionBox::Flip, on,
                shadowOfProjection(others, *reg(kRegProjection)), gate());
            registers_.clear();
            bytes_.clear();
            if (!changed) {
                Result<bool> result = endedBy<bool>(changed);
                if (!result.backup) result.backup = backup_;
                return result;
            }
            return done(true);
        }
        case ControlId::Overlay:
            switchOverlays(link_, camAddr_, on);
            break;
        case ControlId::Overlay1:
        case ControlId::Overlay2:
        case ControlId::Overlay3:
        case ControlId::Overlay4:
            showOverlay(link_, camAddr_, overlayIndex(control.id), on);
            break;
        case ControlId::Sharpness:
            writeSharpness(link_, camAddr_, withGain(*reg(kRegSharpness), value));
            break;
        case ControlId::TrimX:
        case ControlId::TrimY:
        case ControlId::TvMode:
        case ControlId::Address:
            break;
    }
    registers_.clear();
    if (link_.failed())
        return failed("setting " + std::string(control.name) + " to " + valueText(control, value) +
                      " failed");
    return done(true);
}

Result<bool> ControlSession::changeTrim(bool horizontal, std::int16_t to) {
    const Result<std::optional<TrimState>> known = trim();
    if (!known) return endedBy<bool>(known);
    if (!known.value)
        return {.outcome = Outcome::Refused,
                .words = "the camera has no trim data (bank a2 offset 00 holds ff)"};
    TrimState& state = *trim_;
    std::int16_t& offset = horizontal ? state.x : state.y;
    if (offset == to) return done(false);
    if (!state.block) {
        TrimBlock block;
        for (std::size_t i = 0; i < kTrimBlockSize; ++i) {
            block[i] = static_cast<std::uint8_t>(link_.camRead8(
                camAddr_, trimBlockReadForm(i), static_cast<std::uint8_t>(i % kBankSize)));
            if (link_.failed()) return failed("reading the trim block failed");
        }
        state.block = block;
    }
    const std::int16_t before = offset;
    offset = to;
    const Result<> upload = uploadTrim(link_, state.x, state.y, *state.block);
    if (!upload || link_.failed()) {
        offset = before;
        return failed(upload ? "uploading the trim failed" : upload.words);
    }
    return done(true);
}

Result<bool> ControlSession::storeTrim() {
    const Result<std::optional<TrimState>> known = trim();
    if (!known) return endedBy<bool>(known);
    if (!known.value)
        return {.outcome = Outcome::Refused,
                .words = "the camera has no trim data (bank a2 offset 00 holds ff)"};
    TrimState& state = *trim_;
    if (state.x == state.storedX && state.y == state.storedY) return done(false);
    const Result<> stored = camera::storeTrim(link_, camAddr_, state.x, state.y, gate());
    bytes_.clear();
    if (!stored) {
        Result<bool> result = endedBy<bool>(stored);
        if (!result.backup) result.backup = backup_;
        return result;
    }
    state.storedX = state.x;
    state.storedY = state.y;
    return done(true);
}

}  // namespace vorlix::camera

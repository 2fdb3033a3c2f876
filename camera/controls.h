#pragma once
// The camera's named controls, as a script reads and changes them: one row each, with what it
// takes, how it is read, and the camera rule that changes it, which is the window's own
// control's rule (camera/exposure.h, white_balance.h, image_settings.h, trim.h), so a change
// made here leaves the camera exactly as the same change made in the window.
//
// A change reads what it needs to know whether the value is already in place (nothing is then
// written), and what its rule needs; it never reads the whole camera back.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "camera/result.h"
#include "camera/trim.h"
#include "camera/write_gate.h"
#include "io/expected.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

enum class ControlId {
    Exposure,
    Shutter,
    AexReference,
    WhiteBalance,
    Mirror,
    Flip,
    Overlay,
    Overlay1,
    Overlay2,
    Overlay3,
    Overlay4,
    Sharpness,
    TrimX,
    TrimY,
    TvMode,
    Address,
};

// A control's value: the index of its word for a control that takes words, else the number.
using ControlValue = std::uint32_t;

struct ControlSpec {
    ControlId id;
    const char* name;
    const char* summary;
    // The words a control takes, value 0 first; none for a number.
    std::span<const char* const> words{};
    std::uint32_t max = 0;   // a number: 0 to max, hexadecimal
    std::uint32_t step = 1;  // a number: a multiple of step
    bool readOnly = false;
};

// Every control, in the order they are listed, read and applied from a profile.
std::span<const ControlSpec> controlTable();
const ControlSpec* findControl(std::string_view name);

// A value in the words a control shows and takes: its word, or the number in hex.
std::string valueText(const ControlSpec& control, ControlValue value);
// What a control takes, in words: "auto, manual", "0 to 240 (hex)".
std::string acceptedText(const ControlSpec& control);
// A value as the person gives it, or why the control does not take it.
io::Expected<ControlValue> parseValue(const ControlSpec& control, std::string_view text);

// The reads and changes of one script on one camera. Register and EEPROM values it read are
// kept until it changes something, so two controls of one register cost one read.
class ControlSession {
public:
    // mayWrite is asked before the first EEPROM write (mirror's shadow, the trim store).
    ControlSession(I2cLink& link, std::uint8_t camAddr, WriteGate mayWrite = {});

    // The control's value as the camera has it; nothing when it has none (trim without trim
    // data). Fails at the first failed transfer.
    Result<std::optional<ControlValue>> read(const ControlSpec& control);

    // Changes the control to value by its camera rule, unless the camera already has that value;
    // the value is true when something was written. Fails at the first failed transfer, and
    // when the camera has no trim for a trim offset.
    Result<bool> change(const ControlSpec& control, ControlValue value);

    // Stores the trim offsets as they stand after the changes (as STORE does), unless the
    // EEPROM holds them already; true when they were written.
    Result<bool> storeTrim();

    // The backup made before the first EEPROM write, once there was one.
    const std::shared_ptr<const Backup>& backup() const { return backup_; }

private:
    struct TrimState {
        std::int16_t storedX = 0, storedY = 0;  // as bank a2 offsets 00 and 01 hold them
        std::int16_t x = 0, y = 0;              // as the sensor has them after this script
        std::optional<TrimBlock> block;
    };

    std::optional<std::uint16_t> reg(std::uint16_t address);
    std::optional<std::uint8_t> eepromByte(std::uint8_t bankForm, std::uint8_t offset);
    // The trim offsets, once read; nothing when the camera has no trim data, or a read failed.
    Result<std::optional<TrimState>> trim();
    Result<bool> changeTrim(bool horizontal, std::int16_t to);
    Result<bool> done(bool wrote);
    Result<bool> failed(const std::string& words);
    WriteGate gate();

    I2cLink& link_;
    std::uint8_t camAddr_;
    WriteGate mayWrite_;
    std::shared_ptr<const Backup> backup_;
    std::map<std::uint16_t, std::uint16_t> registers_;
    std::map<std::uint16_t, std::uint8_t> bytes_;  // by bank form and offset
    bool trimRead_ = false;
    std::optional<TrimState> trim_;  // nothing once read: the camera has no trim data
};

}  // namespace vorlix::camera

#include "eeprom/eeprom_tables.h"

#include "io/hex.h"

namespace vorlix::eeprom {

std::string eepromPlace(std::size_t at) {
    return "bank " + io::hexByte(bankWriteForm(at / kBankSize)) + " offset " +
           io::hexByte(static_cast<std::uint8_t>(at % kBankSize));
}

}  // namespace vorlix::eeprom

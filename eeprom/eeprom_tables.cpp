#include "eeprom/eeprom_tables.h"

#include "link/trace.h"

namespace vorlix::eeprom {

std::string eepromPlace(std::size_t at) {
    return "bank " + hexByte(bankWriteForm(at / kBankSize)) + " offset " +
           hexByte(static_cast<std::uint8_t>(at % kBankSize));
}

}  // namespace vorlix::eeprom

#pragma once
// Handlers that serve several controls look their control up in a table of rows.
#include <algorithm>
#include <iterator>

namespace vorlix::panel {

// The row whose key column holds id. The message map routes only ids that have a row.
template <class Table, class Row>
const Row& rowOf(const Table& table, int id, int Row::*key) {
    return *std::find_if(std::begin(table), std::end(table),
                         [id, key](const Row& r) { return r.*key == id; });
}

}  // namespace vorlix::panel

#include "adapters/backends.h"

namespace vorlix {

void printBusList(const std::vector<BackendInfo>& backends, std::ostream& out) {
    for (const BackendInfo& backend : backends) {
        out << backend.name << "  " << backend.summary << '\n';
        // A backend without a lister (the simulated camera) has nothing to look for; one that
        // looked and found nothing says so, so an unplugged adapter is not mistaken for a
        // backend this build lacks.
        if (!backend.listBuses) continue;
        const std::vector<std::string> buses = backend.listBuses();
        if (buses.empty()) out << "    (none found)\n";
        for (const std::string& bus : buses) out << "    " << bus << '\n';
    }
}

}  // namespace vorlix

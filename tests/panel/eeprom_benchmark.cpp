// Times one full "Ld EEpr file" run (64 page writes, 1024 read-back bytes) on the simulated
// camera with real pauses, and sets it against the sum of the pauses the run asked for: the
// ratio shows what the tool itself adds on top of the camera's pacing.
//
//   eeprom_benchmark [runs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "frame/headless_host.h"
#include "link/pacer.h"
#include "panel/control_ids.h"
#include "panel/vorlix_dlg.h"
#include "sim/sim_camera.h"

namespace {

class SummingPacer : public vorlix::Pacer {
public:
    void sleepMs(unsigned ms) override {
        totalMs += ms;
        real_.sleepMs(ms);
    }
    std::uint64_t totalMs = 0;

private:
    vorlix::RealPacer real_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace vorlix;
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const auto path = std::filesystem::temp_directory_path() / "vorlix_benchmark.qef";
    {
        std::ofstream out(path, std::ios::binary);
        for (int n = 0; n < 1024; ++n) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", (n * 7 + 3) & 0xFF);
            out << pair << (n % 16 == 15 ? "\n" : " ");
        }
    }

    sim::SimCamera camera;
    sim::SimAdapter adapter(camera);
    SummingPacer pacer;
    frame::HeadlessHost host;
    panel::CVorlixDlg dlg(host, adapter, pacer);
    dlg.OnInitDialog();
    host.queueFileAnswer(path.string());
    dlg.click(panel::IDC_BROWSE);

    for (int r = 0; r < runs; ++r) {
        pacer.totalMs = 0;
        const auto start = std::chrono::steady_clock::now();
        dlg.click(panel::IDC_LOAD_EEPROM);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("run %d: %.1f ms wall, %llu ms of pauses, ratio %.4f, %zu boxes\n", r + 1,
                    wallMs, static_cast<unsigned long long>(pacer.totalMs),
                    wallMs / static_cast<double>(pacer.totalMs), host.boxes().size());
    }
    std::filesystem::remove(path);
    return host.boxes().empty() ? 0 : 1;
}

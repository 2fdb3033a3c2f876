// Writes the program's icon 128 as the PNGs a freedesktop icon theme holds:
//
//   vorlix_icon_png DIR NAME SIZE...   ->   DIR/hicolor/SIZExSIZE/apps/NAME.png
//
// Every size is drawn from the artwork's shapes at that size, so the installed icons are the
// window's own icon, never a second drawing.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "res/png_writer.h"
#include "res/resources.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 4) {
        std::cerr << "usage: vorlix_icon_png DIR NAME SIZE...\n";
        return 2;
    }
    const fs::path dir = argv[1];
    const std::string name = argv[2];
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 512) {
            std::cerr << "vorlix_icon_png: size " << argv[i] << " is not 16 to 512\n";
            return 2;
        }
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        const fs::path folder = dir / "hicolor" / square / "apps";
        fs::create_directories(folder);
        std::ofstream out(folder / (name + ".png"), std::ios::binary | std::ios::trunc);
        out << vorlix::packaging::encodePng(vorlix::res::icon(size));
        if (!out.flush()) {
            std::cerr << "vorlix_icon_png: cannot write " << (folder / (name + ".png")) << '\n';
            return 1;
        }
    }
    return 0;
}

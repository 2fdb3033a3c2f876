// vorlix_windows_resources OUT_DIR MANIFEST: writes the Windows resources of vorlix.exe from
// the program's own resource tables, so the executable's resources and the windows it draws
// share one source: OUT_DIR/vorlix.ico (icon 128: the 32 and 16 pixel images in 16 colours)
// and OUT_DIR/vorlix.rc (that icon, the version block, string 101 and the manifest MANIFEST).
// Runs on the build machine before the cross build (scripts/build-windows.sh).
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "io/hex.h"
#include "res/resources.h"

namespace {

using vorlix::res::Image;

class Bytes {
public:
    std::string data;
    void u8(unsigned v) { data.push_back(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
};

// One image of an icon file: a 4-bit DIB of twice the height (colours, then the mask with 1
// for transparent pixels), rows bottom-up and padded to 32 bits. Empty when the picture has
// more than 16 colours.
std::string iconImage(const Image& image) {
    std::vector<std::uint32_t> palette;
    std::vector<unsigned> index(image.pixels.size(), 0);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint32_t argb = image.pixels[i];
        if ((argb >> 24) != 0xFF) continue;  // transparent: masked
        std::size_t k = 0;
        while (k < palette.size() && palette[k] != argb) ++k;
        if (k == palette.size()) palette.push_back(argb);
        index[i] = static_cast<unsigned>(k);
    }
    if (palette.size() > 16) return {};
    palette.resize(16, 0xFF000000);

    const int w = image.width, h = image.height;
    const int colourRow = (w * 4 + 31) / 32 * 4, maskRow = (w + 31) / 32 * 4;
    Bytes out;
    out.u32(40);  // BITMAPINFOHEADER
    out.u32(static_cast<std::uint32_t>(w));
    out.u32(static_cast<std::uint32_t>(2 * h));
    out.u16(1);
    out.u16(4);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>((colourRow + maskRow) * h));
    out.u32(0);
    out.u32(0);
    out.u32(16);
    out.u32(0);
    for (std::uint32_t argb : palette) out.u32(argb & 0x00FFFFFF);  // B, G, R, 0
    for (int y = h - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(colourRow), '\0');
        for (int x = 0; x < w; ++x) {
            const unsigned k = index[static_cast<std::size_t>(y * w + x)];
            row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 ? k : k << 4);
        }
        out.data += row;
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskRow), '\0');
        for (int x = 0; x < w; ++x)
            if ((image.pixels[static_cast<std::size_t>(y * w + x)] >> 24) != 0xFF)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        out.data += row;
    }
    return out.data;
}

std::string iconFile(const std::vector<Image>& images) {
    std::vector<std::string> bodies;
    for (const Image& image : images) bodies.push_back(iconImage(image));
    Bytes out;
    out.u16(0);
    out.u16(1);  // an icon
    out.u16(static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.u8(static_cast<unsigned>(images[i].width));
        out.u8(static_cast<unsigned>(images[i].height));
        out.u8(16);  // colours
        out.u8(0);
        out.u16(1);
        out.u16(4);
        out.u32(static_cast<std::uint32_t>(bodies[i].size()));
        out.u32(offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const std::string& body : bodies) out.data += body;
    return out.data;
}

// A string as a resource script writes it: quotes doubled, in double quotes.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string versionNumbers(const int (&v)[4], const char* separator) {
    return std::to_string(v[0]) + separator + std::to_string(v[1]) + separator +
           std::to_string(v[2]) + separator + std::to_string(v[3]);
}

std::string resourceScript(const std::string& icon, const std::string& manifest) {
    namespace res = vorlix::res;
    const res::VersionInfo& v = res::versionInfo();
    const std::string block =
        vorlix::io::formatHex(v.language, 4) + vorlix::io::formatHex(v.codePage, 4);
    const auto value = [](const char* name, const std::string& text) {
        return std::string("            VALUE ") + quoted(name) + ", " + quoted(text) + "\n";
    };
    std::string rc;
    rc += "// Written by vorlix_windows_resources from res/; do not edit.\n";
    rc += "#include <winver.h>\n\n";
    rc += std::to_string(res::IDR_MAINFRAME) + " ICON " + quoted(icon) + "\n";
    rc += "1 24 " + quoted(manifest) + "\n\n";  // the process's manifest (RT_MANIFEST)
    rc += "STRINGTABLE\nBEGIN\n    " + std::to_string(res::IDS_ABOUTBOX) + " " +
          quoted(res::loadString(res::IDS_ABOUTBOX)) + "\nEND\n\n";
    rc += "1 VERSIONINFO\n";
    rc += "FILEVERSION " + versionNumbers(v.fileVersion, ",") + "\n";
    rc += "PRODUCTVERSION " + versionNumbers(v.productVersion, ",") + "\n";
    rc += "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK\nFILEFLAGS 0\nFILEOS VOS__WINDOWS32\n";
    rc += "FILETYPE VFT_APP\nFILESUBTYPE VFT2_UNKNOWN\nBEGIN\n";
    rc += "    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK " + quoted(block) +
          "\n        BEGIN\n";
    rc += value("FileDescription", v.fileDescription);
    rc += value("FileVersion", versionNumbers(v.fileVersion, ", "));
    rc += value("InternalName", v.internalName);
    rc += value("OriginalFilename", v.originalFilename);
    rc += value("ProductName", v.productName);
    rc += value("ProductVersion", versionNumbers(v.productVersion, ", "));
    rc += "        END\n    END\n";
    rc += "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", " +
          std::to_string(v.language) + ", " + std::to_string(v.codePage) + "\n    END\nEND\n";
    return rc;
}

bool write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) std::cerr << "vorlix_windows_resources: cannot write " << path << '\n';
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: vorlix_windows_resources OUT_DIR MANIFEST\n";
        return 2;
    }
    const std::vector<Image> icons{vorlix::res::icon(32), vorlix::res::icon(16)};
    for (const Image& image : icons) {
        if (iconImage(image).empty()) {
            std::cerr << "vorlix_windows_resources: icon 128 has more than 16 colours\n";
            return 1;
        }
    }
    const std::string dir = argv[1];
    const bool written = write(dir + "/vorlix.ico", iconFile(icons)) &&
                         write(dir + "/vorlix.rc", resourceScript(dir + "/vorlix.ico", argv[2]));
    return written ? 0 : 1;
}

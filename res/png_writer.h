#pragma once
// A PNG file from our own artwork, without an image library: 8-bit RGBA, no filtering, the
// pixel rows carried in stored (uncompressed) deflate blocks. The icons are a few kilobytes at
// most, so compression would buy nothing worth a dependency.
#include <cstdint>
#include <string>

#include "res/resources.h"

namespace vorlix::packaging {

// The whole file, signature to IEND.
std::string encodePng(const res::Image& image);

}  // namespace vorlix::packaging

// make-texture-images OUTDIR: writes the 4096 x 4096 pictures the texture
// timings decode, big.jpg, big.tga and big.bmp, all from one test pattern.
#include "tests/support/image_writers.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-texture-images OUTDIR\n";
        return 2;
    }
    namespace images = korvex::images;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const images::Picture picture = images::testPattern(4096, 4096);

    images::JpegOptions jpeg;
    jpeg.quality = 90;
    images::writeFile(folder / "big.jpg", images::writeJpeg(picture, jpeg));

    images::TgaOptions tga;
    tga.depth = 24;
    tga.runLength = true;
    images::writeFile(folder / "big.tga", images::writeTga(picture, tga));

    images::BmpOptions bmp;
    bmp.depth = 24;
    images::writeFile(folder / "big.bmp", images::writeBmp(picture, bmp));
    return 0;
}

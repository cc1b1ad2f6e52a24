// Writes looks for the look fuzz target to start from, with our own writer:
// as the target reads them, beside the fixture model and its picture.
#include "fuzz/look_fixture.h"
#include "setup/look_file.h"

#include <QFile>

#include <iostream>

using namespace korvex;

namespace {

PartSetup part(const char* symbol, int32_t index, std::u16string caption) {
    PartSetup made;
    made.SymbolName = symbol;
    made.Index = index;
    made.Caption = std::move(caption);
    return made;
}

// The fixture model's four parts as a look keeps them when nothing was changed.
Look plainLook(const std::filesystem::path& folder) {
    Look look;
    look.Model = folder / fuzz::LookModelName;
    look.setup.Parts = {part("geo_r_0_FRNShape", 0, u"Front"), part("geo_r_1_HODShape", 1, u"Hood"),
                        part("geo_r_1_HODShape", 2, u"Hood"), part("geo_r_2_WFLShape", 3, u"Wheel (Front Left)")};
    return look;
}

bool write(const Look& look, const std::filesystem::path& folder, const char* name) {
    // Written as the fuzz target reads it: as the look beside the model.
    const QByteArray text = lookJson(look, folder / fuzz::LookName);
    QFile out(QString::fromStdString((folder / name).string()));
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-look-seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    bool written = write(plainLook(folder), folder, "plain.kvlook");

    // Every field away from its default: textures there, missing and
    // unknown, colours with fractions, names beyond ASCII, the scene moved.
    Look dressed = plainLook(folder);
    dressed.Textures = {{"paint.tga", folder / fuzz::LookPictureName},
                        {"gone", folder / fuzz::LookMissingPictureName},
                        {"Another paint.tga", {}}};
    for (std::size_t p = 0; p < dressed.setup.Parts.size(); ++p) {
        PartSetup& set = dressed.setup.Parts[p];
        set.TextureIndex = static_cast<int32_t>(p % 4);
        set.Colour[0] = 0.123456789f * static_cast<float>(p);
        set.Colour[1] = 1.0f;
        set.Colour[2] = 200.5f / 255.0f;
        set.Visible = p != 1;
        set.Transparent = p % 2;
        set.EnvironmentMapped = p == 3;
    }
    dressed.setup.Parts[1].Caption = u"Motorhaube \u00fc\u20ac \"quoted\"\t";
    SceneSetup& scene = dressed.setup.Scene;
    scene.RotationX = -12.75f;
    scene.RotationY = 1234.5f;
    scene.ZoomZ = -0.001f;
    scene.PanX = 3.25e-7f;
    scene.PanY = -2.0f;
    scene.Centre[0] = 1e30f;
    scene.Centre[2] = -0.5f;
    scene.Wireframe = true;
    scene.BackgroundColour = 0x00FF8001;
    scene.BacklightColour = 0x00000000;
    scene.Controls = {false, false, 42};
    written = written && write(dressed, folder, "dressed.kvlook");

    // Parts renamed in the file: found by their places, as many as the model has.
    Look renamed = plainLook(folder);
    for (PartSetup& set : renamed.setup.Parts) set.SymbolName = "geo_r_9_OLD\xe9Shape";
    written = written && write(renamed, folder, "renamed.kvlook");

    // Fewer parts than the model, one of them not in it.
    Look strange = plainLook(folder);
    strange.setup.Parts.erase(strange.setup.Parts.begin() + 1, strange.setup.Parts.begin() + 3);
    strange.setup.Parts[1].SymbolName = "geo_r_5_GONEShape";
    written = written && write(strange, folder, "missing-part.kvlook");

    // A model that is not there.
    Look elsewhere = dressed;
    elsewhere.Model = folder / "none.o";
    written = written && write(elsewhere, folder, "no-model.kvlook");

    if (!written) {
        std::cerr << "make-look-seeds: cannot write the seeds in " << folder.string() << '\n';
        return 1;
    }
    return 0;
}

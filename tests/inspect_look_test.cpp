// korvex-inspect render and export given a look file: the look's model with
// its set-up, the options over the look's scene, and looks that cannot be
// opened.

#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/scene.h"
#include "render/scene_colours.h"
#include "setup/look_file.h"
#include "tests/support/image_writers.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"
#include "textures/opengl_textures.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <tiny_gltf.h>
#include <tiny_obj_loader.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <tuple>

namespace korvex {
namespace {

const std::filesystem::path EnvPicture = KORVEX_SOURCE_DIR "/Data/Env.jpg";
constexpr int Width = 96, Height = 72;

// Three quads side by side, each 0.9 wide, whose texture coordinates span the picture.
fixtures::ModelDescription threeQuads() {
    fixtures::ModelDescription model;
    const char* names[] = {"geo_r_0_LEFTShape", "geo_r_1_MIDShape", "geo_r_2_RIGHTShape"};
    for (int p = 0; p < 3; ++p) {
        fixtures::GeometryBlock quad = fixtures::quadBlock();
        const float x = -1.4f + static_cast<float>(p);
        quad.vertices = {
            fixtures::vertex(x, -0.5f, 0, 0, 0, 1, 0, 0), fixtures::vertex(x + 0.9f, -0.5f, 0, 0, 0, 1, 1, 0),
            fixtures::vertex(x, 0.5f, 0, 0, 0, 1, 0, 1), fixtures::vertex(x + 0.9f, 0.5f, 0, 0, 0, 1, 1, 1)};
        model.parts.push_back({names[p], quad});
    }
    return model;
}

PartSetup partOf(const char* symbol, int32_t index, std::u16string caption, uint8_t red, uint8_t green, uint8_t blue) {
    PartSetup part;
    part.SymbolName = symbol;
    part.Index = index;
    part.Caption = std::move(caption);
    part.Colour[0] = red / 255.0f;
    part.Colour[1] = green / 255.0f;
    part.Colour[2] = blue / 255.0f;
    return part;
}

class InspectLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::writeFile(folder.model(), threeQuads().build());
        images::writeFile(paint, images::writeTga(images::solid(8, 8, 200, 220, 40)));
        images::writeFile(other, images::writeTga(images::solid(4, 4, 30, 90, 250)));
        // The left quad painted and textured, the middle one see-through and
        // reflecting, the right one unchecked; the camera turned, moved and
        // shifted, the scene colours chosen.
        look.Model = folder.model();
        look.Textures = {{"paint.tga", paint}};
        look.setup.Parts = {partOf("geo_r_0_LEFTShape", 0, u"Left wing", 255, 51, 51),
                            partOf("geo_r_1_MIDShape", 1, u"Bonnet", 51, 102, 255),
                            partOf("geo_r_2_RIGHTShape", 2, u"Right wing", 255, 255, 255)};
        look.setup.Parts[0].TextureIndex = 1;
        look.setup.Parts[1].Transparent = 1;
        look.setup.Parts[1].EnvironmentMapped = 1;
        look.setup.Parts[2].Visible = false;
        SceneSetup& scene = look.setup.Scene;
        scene.RotationY = -35.0f;
        scene.RotationX = 30.0f;
        scene.ZoomZ = -4.5f;
        scene.PanX = 0.25f;
        scene.PanY = -0.1f;
        scene.Centre[0] = 0.2f;
        scene.Centre[1] = 0.1f;
        scene.BackgroundColour = 0x5A3C1E;  // 30, 60, 90
        scene.BacklightColour = 0x3264C8;   // 200, 100, 50
        scene.Controls.Rotating = false;
    }

    std::filesystem::path writeLook(const Look& written) const {
        const std::filesystem::path file = folder.cars() / "car.kvlook";
        EXPECT_FALSE(writeLookFile(written, file));
        return file;
    }

    fixtures::CarFolder folder;
    const std::filesystem::path paint = folder.cars() / "paint.tga", other = folder.cars() / "other.tga";
    Look look;
};

class InspectLookRenderTest : public InspectLookTest {
protected:
    void SetUp() override {
        static const std::string whyNot = [] {
            std::string why;
            return HeadlessTarget::create(1, 1, why) ? std::string() : why;
        }();
        if (!whyNot.empty()) {
            // The continuous-integration machine always has Mesa.
            if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
            GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
        }
        InspectLookTest::SetUp();
    }

    QImage renderLook(const Look& drawn, const std::vector<std::string>& options) {
        const std::string png = (folder.cars() / "frame.png").string();
        std::filesystem::remove(png);
        std::vector<std::string> args = {"render", writeLook(drawn).string(), "--png", png, "--size", "96x72",
                                         "--env",  EnvPicture.string()};
        args.insert(args.end(), options.begin(), options.end());
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB888);
    }

    // The frame the viewer draws of the model once the user has set it up as
    // `drawn` says, by hand: no look file, no set-up library.
    QImage renderInCode(const Look& drawn) {
        std::string whyNot;
        const auto target = HeadlessTarget::create(Width, Height, whyNot);
        EXPECT_TRUE(target) << whyNot;
        if (!target) return {};
        fixtures::LoadOutcome car;
        fixtures::openInto(car, drawn.Model);
        ProgramState& state = car.state;
        OpenGlTextures gl;
        for (const LookTexture& texture : drawn.Textures)
            appendTexture(state.textureLibrary, texture.DisplayName,
                          LoadTextureFile(texture.Picture, car.prompts, gl).value_or(LoadedTexture{}).object,
                          texture.Picture);
        for (std::size_t p = 0; p < drawn.setup.Parts.size(); ++p) {
            const PartSetup& set = drawn.setup.Parts[p];
            GeometryPart& part = state.partList.Parts.at(p);
            std::copy(std::begin(set.Colour), std::end(set.Colour), part.Colour);
            part.Transparent = set.Transparent;
            part.EnvironmentMapped = set.EnvironmentMapped;
            part.TextureIndex = set.TextureIndex;
            state.partList.PartVisible[p] = set.Visible ? 1 : 0;
        }
        SetupScene(state, EnvPicture, car.prompts, gl);
        resizeView(Width, Height);
        const SceneSetup& scene = drawn.setup.Scene;
        ViewState& view = state.view;
        view.RotationY = scene.RotationY;
        view.RotationX = scene.RotationX;
        view.ZoomZ = scene.ZoomZ;
        view.PanX = scene.PanX;
        view.PanY = scene.PanY;
        std::copy(std::begin(scene.Centre), std::end(scene.Centre), view.Centre);
        view.ViewportWidth = Width;
        view.ViewportHeight = Height;
        if (scene.Wireframe) toggleWireframe(view);
        ApplyBackgroundColour(scene.BackgroundColour);
        ApplyBacklightColour(scene.BacklightColour);
        RenderFrame(state, scene.Controls);
        const std::vector<uint8_t> rgb = target->readRgb();
        return QImage(rgb.data(), Width, Height, Width * 3, QImage::Format_RGB888).copy();
    }
};

using SceneChange = std::function<void(SceneSetup&)>;

// Each case: the look's scene, the options given with it, and what the
// options make of the scene the frame is drawn with.
struct RenderCase {
    const char* what;
    SceneChange lookScene;
    std::vector<std::string> options;
    SceneChange drawnScene;
    bool sameAsTheLook;  // draws what the unchanged look draws
};

TEST_F(InspectLookRenderTest, TheFrameIsTheLooksSetUpWithTheOptionsOverItsScene) {
    const SceneChange unchanged = [](SceneSetup&) {};
    const SceneChange wireframe = [](SceneSetup& scene) { scene.Wireframe = true; };
    // Without a settings file every part is drawn from 90 to 100.
    const SceneChange belowEveryRange = [](SceneSetup& scene) { scene.Controls.DetailLevel = 89; };
    const SceneChange cameraAndColours = [](SceneSetup& scene) {
        scene.RotationY = 40.0f;
        scene.RotationX = 0.0f;
        scene.ZoomZ = -6.0f;
        scene.BackgroundColour = 0xFFFFFF;
        scene.BacklightColour = 0xFF0000;
    };
    const std::vector<RenderCase> cases = {
        {"the look as it is", unchanged, {}, unchanged, true},
        {"a look drawn in wireframe", wireframe, {}, unchanged, false},
        {"a look whose slider leaves every part out", belowEveryRange, {}, unchanged, false},
        {"the camera and the colours given",
         unchanged,
         {"--yaw", "40", "--tilt", "0", "--zoom", "-6", "--background", "255,255,255", "--backlight", "0,0,255"},
         cameraAndColours,
         false},
        {"--wireframe over a solid look", unchanged, {"--wireframe"}, wireframe, false},
        {"--lod-off over the look's slider",
         belowEveryRange,
         {"--lod-off"},
         [](SceneSetup& scene) { scene.Controls.UseLevelOfDetail = false; },
         true},
        {"--slider over the look's slider",
         belowEveryRange,
         {"--slider", "95"},
         [](SceneSetup& scene) { scene.Controls.DetailLevel = 95; },
         true},
    };
    const QImage asItIs = renderInCode(look);
    ASSERT_FALSE(asItIs.isNull());
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.what);
        Look given = look;
        c.lookScene(given.setup.Scene);
        Look drawn = given;
        c.drawnScene(drawn.setup.Scene);
        const QImage frame = renderLook(given, c.options);
        EXPECT_TRUE(frame == renderInCode(drawn)) << "the frame differs from the set-up drawn in code";
        EXPECT_EQ(frame == asItIs, c.sameAsTheLook);
    }
}

TEST_F(InspectLookTest, ThePartsAreListedAsTheLookSetsThemAndMissingPicturesAreNamed) {
    const std::filesystem::path gone = folder.cars() / "gone.tga";
    look.Textures.push_back({"gone.tga", gone});
    look.setup.Parts[2].TextureIndex = 2;
    const InspectRun run = inspect({"export", writeLook(look).string(), "--glb", (folder.cars() / "car.glb").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    // The model's load as `model` prints it, then its quads, each of four
    // vertices drawn as a strip of four, with the look's names and flags.
    const std::string model = inspect({"model", folder.model().string()}).out;
    const std::string loaded = model.substr(0, model.find("---\n") + 4);
    EXPECT_EQ(run.out.substr(0, loaded.size()), loaded);
    EXPECT_NE(run.out.find("---\n0\tLeft wing\t0\t4\t4\t0\t0\t"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n1\tBonnet\t1\t4\t4\t1\t1\t"), std::string::npos);
    EXPECT_NE(run.out.find("\n2\tRight wing\t2\t4\t4\t0\t0\t"), std::string::npos);
    EXPECT_TRUE(run.out.ends_with(
        "\nbox\tKorvex Model Viewer\tThese pictures of the look could not be loaded; the parts that used them have "
        "no texture: gone.tga (" +
        gone.string() + ")\n"))
        << run.out;
}

TEST_F(InspectLookTest, ExportedMaterialsCarryTheLooksColoursAndTexturesWithTexturesGivenOverThem) {
    // Both shown parts wear the paint; the middle one is given another picture.
    look.setup.Parts[1].TextureIndex = 1;
    const std::filesystem::path glb = folder.cars() / "car.glb", obj = folder.cars() / "car.obj";
    const InspectRun run = inspect({"export", writeLook(look).string(), "--glb", glb.string(), "--obj", obj.string(),
                                    "--texture", "1=" + other.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string error, warning;
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    // The unchecked part is not written.
    ASSERT_EQ(model.meshes.size(), 2u);
    EXPECT_EQ(model.meshes[1].name, "Bonnet");
    const auto materialOf = [&](std::size_t mesh) {
        return model.materials.at(static_cast<std::size_t>(model.meshes[mesh].primitives.at(0).material));
    };
    // The first pixel of the material's picture, and the picture's name.
    const auto pictureOf = [&](const tinygltf::Material& material) {
        const auto texture = static_cast<std::size_t>(material.pbrMetallicRoughness.baseColorTexture.index);
        const tinygltf::Image& image = model.images.at(static_cast<std::size_t>(model.textures.at(texture).source));
        return std::tuple(image.name, image.image.at(0), image.image.at(1), image.image.at(2));
    };
    const tinygltf::Material left = materialOf(0), bonnet = materialOf(1);
    const auto colour = [](const tinygltf::Material& material) {
        const std::vector<double>& factor = material.pbrMetallicRoughness.baseColorFactor;
        return std::vector<float>(factor.begin(), factor.end());
    };
    EXPECT_EQ(colour(left), (std::vector<float>{1.0f, 51 / 255.0f, 51 / 255.0f, 1.0f}));
    EXPECT_EQ(colour(bonnet), (std::vector<float>{51 / 255.0f, 102 / 255.0f, 1.0f, 0.5f}));
    EXPECT_EQ(bonnet.alphaMode, "BLEND");
    ASSERT_GE(left.pbrMetallicRoughness.baseColorTexture.index, 0);
    ASSERT_GE(bonnet.pbrMetallicRoughness.baseColorTexture.index, 0);
    EXPECT_EQ(pictureOf(left), std::tuple("paint.tga", 200, 220, 40));
    EXPECT_EQ(pictureOf(bonnet), std::tuple("other.tga", 30, 90, 250));

    tinyobj::ObjReader objReader;
    ASSERT_TRUE(objReader.ParseFromFile(obj.string())) << objReader.Error();
    const auto& materials = objReader.GetMaterials();
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(std::vector<float>(materials[0].diffuse, materials[0].diffuse + 3), (std::vector<float>{1, 0.2f, 0.2f}));
    EXPECT_EQ(materials[0].diffuse_texname, "car_paint.png");
    EXPECT_EQ(materials[1].diffuse_texname, "car_other.png");
    EXPECT_EQ(images::readFile(folder.cars() / "car_other.png").at(1), 'P');
}

// Each bad look, given to render and to export: status 1, the fault on
// standard error, nothing printed and no file written.
TEST_F(InspectLookTest, ALookThatCannotBeOpenedIsItsFaultAndWritesNothing) {
    const std::filesystem::path file = folder.cars() / "car.kvlook";
    const auto changed = [&](std::function<void(Look&)> change) {
        return [&, change] {
            Look bad = look;
            change(bad);
            ASSERT_FALSE(writeLookFile(bad, file));
        };
    };
    const std::vector<std::tuple<const char*, std::function<void()>, std::string>> cases = {
        // What, how the look is written, what standard error starts with after "korvex-inspect: ".
        {"a look that is not there", [] {}, "car.kvlook: No such file or directory\n"},
        {"a look that is not JSON", [&] { fixtures::writeText(file, "{\"format\": "); },
         "car.kvlook: not a look file: "},
        {"a colour out of range",
         [&] {
             QJsonObject json = QJsonDocument::fromJson(lookJson(look, file)).object();
             QJsonArray parts = json["parts"].toArray();
             QJsonObject first = parts[0].toObject();
             first["colour"] = QJsonArray{300, 51, 51};
             parts[0] = first;
             json["parts"] = parts;
             fixtures::writeText(file, QJsonDocument(json).toJson().toStdString());
         },
         "car.kvlook: part 0: colour must be three numbers from 0 to 255\n"},
        {"a model that does not load", changed([&](Look& bad) { bad.Model = folder.cars() / "none.o"; }),
         "car.kvlook: the model " + (folder.cars() / "none.o").string() + " did not load"},
        {"a part the model does not have",
         changed([](Look& bad) { bad.setup.Parts.push_back(partOf("geo_r_9_GONEShape", 3, u"Gone", 0, 0, 0)); }),
         "car.kvlook: part 3: the model has no part named geo_r_9_GONEShape\n"},
    };
    for (const auto& [what, write, fault] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::remove(file);
        write();
        const std::vector<std::string> withLook = fixtures::filesIn(folder.cars());
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"render", file.string(), "--png", (folder.cars() / "frame.png").string()},
              std::vector<std::string>{"export", file.string(), "--glb", (folder.cars() / "car.glb").string(), "--obj",
                                       (folder.cars() / "car.obj").string()}}) {
            const InspectRun run = inspect(args);
            EXPECT_EQ(run.status, 1) << args[0];
            EXPECT_EQ(run.out, "") << args[0];
            EXPECT_TRUE(run.err.starts_with("korvex-inspect: " + fault)) << args[0] << ": " << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
            EXPECT_EQ(fixtures::filesIn(folder.cars()), withLook) << args[0];
        }
    }
}

}  // namespace
}  // namespace korvex

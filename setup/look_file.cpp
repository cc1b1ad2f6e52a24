#include "look_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QString>

#include <cmath>
#include <limits>
#include <system_error>

namespace korvex {

namespace {

QString pathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path textPath(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

// The folder the look's paths are relative to.
std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(file, failed);
    return (failed ? file : absolute).parent_path();
}

// Paths beside the look: relative to its folder, with the absolute path as
// the fallback; both empty for a file that is not known.
QJsonObject placeOf(const std::filesystem::path& target, const std::filesystem::path& lookFolder, QJsonObject place) {
    std::error_code failed;
    const std::filesystem::path absolute = target.empty() ? target : std::filesystem::absolute(target, failed);
    std::filesystem::path relative;
    if (!target.empty() && !failed) relative = absolute.lexically_proximate(lookFolder);
    place.insert("path", relative.empty() ? QString() : QString::fromStdString(relative.generic_string()));
    place.insert("absolutePath", failed ? QString() : pathText(absolute));
    return place;
}

QJsonArray rgbOf(uint32_t colour) {
    return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
            static_cast<int>((colour >> 16) & 0xFF)};
}

QJsonArray numbers(std::initializer_list<float> values) {
    QJsonArray array;
    for (const float value : values) array.append(static_cast<double>(value));
    return array;
}

QJsonObject partJson(const PartSetup& part) {
    QJsonObject json;
    // Symbol names are bytes: each one a character, so that any name comes back as it was.
    json.insert("symbol", QString::fromLatin1(part.SymbolName.data(), static_cast<qsizetype>(part.SymbolName.size())));
    json.insert("index", part.Index);
    json.insert("name", QString::fromStdU16String(part.Caption));
    json.insert("shown", part.Visible);
    // A colour is kept as the chooser counts it, fractions and all, so that
    // a random colour comes back exactly.
    QJsonArray colour;
    for (const float component : part.Colour) colour.append(static_cast<double>(component) * 255.0);
    json.insert("colour", colour);
    json.insert("transparent", part.Transparent != 0);
    json.insert("reflection", part.EnvironmentMapped != 0);
    json.insert("texture", part.TextureIndex > 0 ? QJsonValue(part.TextureIndex - 1) : QJsonValue());
    return json;
}

QJsonObject sceneJson(const SceneSetup& scene) {
    QJsonObject camera;
    camera.insert("yaw", static_cast<double>(scene.RotationY));
    camera.insert("tilt", static_cast<double>(scene.RotationX));
    camera.insert("zoom", static_cast<double>(scene.ZoomZ));
    camera.insert("pan", numbers({scene.PanX, scene.PanY}));
    camera.insert("centre", numbers({scene.Centre[0], scene.Centre[1], scene.Centre[2]}));
    QJsonObject json;
    json.insert("background", rgbOf(scene.BackgroundColour));
    json.insert("backlight", rgbOf(scene.BacklightColour));
    json.insert("wireframe", scene.Wireframe);
    json.insert("useLevelOfDetail", scene.Controls.UseLevelOfDetail);
    json.insert("detailLevel", scene.Controls.DetailLevel);
    json.insert("rotating", scene.Controls.Rotating);
    json.insert("camera", camera);
    return json;
}

// What stops a look from being read: the place in the file and what is wrong there.
struct BadLook {
    std::string text;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw BadLook{where.empty() ? what : where + ": " + what};
}

bool isWhole(double value, double low, double high) {
    return std::isfinite(value) && value == std::floor(value) && value >= low && value <= high;
}

int wholeNumber(const QJsonValue& value, double low, double high, const std::string& where,
                const std::string& what) {
    if (!value.isDouble() || !isWhole(value.toDouble(), low, high)) fail(where, what);
    return static_cast<int>(value.toDouble());
}

// The field `key` of `object`, which must be of the type `is` tells;
// `must` says which when it is not.
QJsonValue field(const QJsonObject& object, const char* key, bool (QJsonValue::*is)() const, const char* must,
                 const std::string& where) {
    const QJsonValue value = object.value(key);
    if (!(value.*is)()) fail(where, std::string(key) + " must be " + must);
    return value;
}

bool flag(const QJsonObject& object, const char* key, const std::string& where) {
    return field(object, key, &QJsonValue::isBool, "true or false", where).toBool();
}

QString text(const QJsonObject& object, const char* key, const std::string& where) {
    return field(object, key, &QJsonValue::isString, "text", where).toString();
}

QJsonObject objectAt(const QJsonObject& object, const char* key, const std::string& where) {
    return field(object, key, &QJsonValue::isObject, "an object", where).toObject();
}

QJsonArray arrayAt(const QJsonObject& object, const char* key, const std::string& where) {
    return field(object, key, &QJsonValue::isArray, "a list", where).toArray();
}

// `count` finite numbers that fit a float.
std::vector<float> floats(const QJsonObject& object, const char* key, std::size_t count, const std::string& where) {
    const QJsonValue value = object.value(key);
    const std::string what = std::string(key) + (count == 1 ? " must be a number" : " must be " +
                                                     std::to_string(count) + " numbers");
    std::vector<float> result;
    if (count > 1 && (!value.isArray() || static_cast<std::size_t>(value.toArray().size()) != count))
        fail(where, what);
    const QJsonArray array = count > 1 ? value.toArray() : QJsonArray{value};
    for (const QJsonValue& item : array) {
        const double number = item.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!item.isDouble() || !std::isfinite(static_cast<float>(number))) fail(where, what);
        result.push_back(static_cast<float>(number));
    }
    return result;
}

// Three numbers from 0 to 255.
std::vector<double> channels(const QJsonObject& object, const char* key, bool whole, const std::string& where) {
    const QJsonValue value = object.value(key);
    const std::string what =
        std::string(key) + " must be three " + (whole ? "whole numbers" : "numbers") + " from 0 to 255";
    if (!value.isArray() || value.toArray().size() != 3) fail(where, what);
    std::vector<double> result;
    for (const QJsonValue& item : value.toArray()) {
        const double number = item.toDouble(-1.0);
        if (!item.isDouble() || !std::isfinite(number) || number < 0.0 || number > 255.0 ||
            (whole && number != std::floor(number)))
            fail(where, what);
        result.push_back(number);
    }
    return result;
}

uint32_t colourAt(const QJsonObject& object, const char* key, const std::string& where) {
    const std::vector<double> rgb = channels(object, key, true, where);
    return static_cast<uint32_t>(rgb[0]) | static_cast<uint32_t>(rgb[1]) << 8 | static_cast<uint32_t>(rgb[2]) << 16;
}

bool isThere(const std::filesystem::path& path) {
    std::error_code failed;
    return !path.empty() && std::filesystem::exists(path, failed);
}

// The file a place names: beside the look where it is there, else at its
// absolute path where that is there, else where the look says it is.
std::filesystem::path placeAt(const QJsonObject& place, const std::filesystem::path& lookFolder,
                              const std::string& where) {
    const std::filesystem::path relative = textPath(text(place, "path", where));
    const std::filesystem::path absolute = textPath(text(place, "absolutePath", where));
    const std::filesystem::path beside = relative.empty() ? relative : (lookFolder / relative).lexically_normal();
    if (isThere(beside)) return beside;
    if (isThere(absolute)) return absolute;
    return beside.empty() ? absolute : beside;
}

PartSetup readPart(const QJsonValue& value, std::size_t textureCount, const std::string& where) {
    if (!value.isObject()) fail(where, "must be an object");
    const QJsonObject json = value.toObject();
    PartSetup part;
    const QString symbol = text(json, "symbol", where);
    for (const QChar c : symbol)
        if (c.unicode() > 0xFF) fail(where, "symbol must be text of single-byte characters");
    part.SymbolName = symbol.toLatin1().toStdString();
    part.Index = wholeNumber(json.value("index"), 0, std::numeric_limits<int32_t>::max(), where,
                             "index must be a whole number from 0");
    part.Caption = text(json, "name", where).toStdU16String();
    part.Visible = flag(json, "shown", where);
    const std::vector<double> colour = channels(json, "colour", false, where);
    for (std::size_t c = 0; c < 3; ++c) part.Colour[c] = static_cast<float>(colour[c] / 255.0);
    part.Transparent = flag(json, "transparent", where) ? 1 : 0;
    part.EnvironmentMapped = flag(json, "reflection", where) ? 1 : 0;
    const QJsonValue texture = json.value("texture");
    if (!texture.isNull()) {
        const std::string what = textureCount == 0
                                     ? "texture must be null: the look has no textures"
                                     : "texture must be null or a number of the texture list, from 0 to " +
                                           std::to_string(textureCount - 1);
        part.TextureIndex = wholeNumber(texture, 0, static_cast<double>(textureCount) - 1, where, what) + 1;
    }
    return part;
}

SceneSetup readScene(const QJsonObject& json) {
    const std::string where = "scene";
    SceneSetup scene;
    scene.BackgroundColour = colourAt(json, "background", where);
    scene.BacklightColour = colourAt(json, "backlight", where);
    scene.Wireframe = flag(json, "wireframe", where);
    scene.Controls.UseLevelOfDetail = flag(json, "useLevelOfDetail", where);
    scene.Controls.DetailLevel =
        wholeNumber(json.value("detailLevel"), 0, 100, where, "detailLevel must be a whole number from 0 to 100");
    scene.Controls.Rotating = flag(json, "rotating", where);
    const QJsonObject camera = objectAt(json, "camera", where);
    const std::string inCamera = "scene: camera";
    scene.RotationY = floats(camera, "yaw", 1, inCamera)[0];
    scene.RotationX = floats(camera, "tilt", 1, inCamera)[0];
    scene.ZoomZ = floats(camera, "zoom", 1, inCamera)[0];
    const std::vector<float> pan = floats(camera, "pan", 2, inCamera);
    scene.PanX = pan[0];
    scene.PanY = pan[1];
    const std::vector<float> centre = floats(camera, "centre", 3, inCamera);
    std::copy(centre.begin(), centre.end(), scene.Centre);
    return scene;
}

Look readLook(const QJsonObject& json, const std::filesystem::path& lookFolder) {
    const QJsonValue format = json.value("format");
    if (format.toString() != QString::fromUtf8(LookFormat.data(), static_cast<qsizetype>(LookFormat.size())))
        fail({}, "not a look file: its format is not \"" + std::string(LookFormat) + "\"");
    const QJsonValue version = json.value("version");
    if (!version.isDouble() || !isWhole(version.toDouble(), 1, std::numeric_limits<int32_t>::max()))
        fail({}, "version must be a whole number from 1");
    if (version.toDouble() > LookVersion)
        fail({}, "made by a newer version of this program (look version " +
                     std::to_string(static_cast<int64_t>(version.toDouble())) + "; this one reads version " +
                     std::to_string(LookVersion) + ")");
    Look look;
    look.Model = placeAt(objectAt(json, "model", {}), lookFolder, "model");
    if (look.Model.empty()) fail("model", "path must name the model file");
    const QJsonArray textures = arrayAt(json, "textures", {});
    if (static_cast<std::size_t>(textures.size()) > MostLookTextures)
        fail({}, "textures: a look holds at most " + std::to_string(MostLookTextures) + " textures");
    for (qsizetype t = 0; t < textures.size(); ++t) {
        const std::string where = "texture " + std::to_string(t);
        if (!textures[t].isObject()) fail(where, "must be an object");
        const QJsonObject texture = textures[t].toObject();
        const QString name = text(texture, "name", where);
        if (name.trimmed().isEmpty()) fail(where, "name must not be empty");
        look.Textures.push_back({name.toStdString(), placeAt(texture, lookFolder, where)});
    }
    const QJsonArray parts = arrayAt(json, "parts", {});
    for (qsizetype p = 0; p < parts.size(); ++p)
        look.setup.Parts.push_back(readPart(parts[p], look.Textures.size(), "part " + std::to_string(p)));
    look.setup.Scene = readScene(objectAt(json, "scene", {}));
    return look;
}

}  // namespace

std::string lookFault(const std::filesystem::path& file, const std::string& what) {
    return file.filename().string() + ": " + what;
}

bool isLookFileName(const std::filesystem::path& path) {
    return QString::fromStdString(path.extension().string()).compare(".kvlook", Qt::CaseInsensitive) == 0;
}

Look lookOf(const ProgramState& state, const FrameControls& controls) {
    Look look;
    look.Model = state.ModelPath;
    for (const TextureEntry& entry : state.textureLibrary) look.Textures.push_back({entry.DisplayName, entry.SourcePath});
    look.setup = captureSetup(state, controls);
    look.setup.SelectedPart = -1;
    return look;
}

QByteArray lookJson(const Look& look, const std::filesystem::path& file) {
    const std::filesystem::path folder = folderOf(file);
    QJsonObject json;
    json.insert("format", QString::fromUtf8(LookFormat.data(), static_cast<qsizetype>(LookFormat.size())));
    json.insert("version", LookVersion);
    json.insert("model", placeOf(look.Model, folder, {}));
    QJsonArray textures;
    for (const LookTexture& texture : look.Textures)
        textures.append(placeOf(texture.Picture, folder, {{"name", QString::fromStdString(texture.DisplayName)}}));
    json.insert("textures", textures);
    QJsonArray parts;
    for (const PartSetup& part : look.setup.Parts) parts.append(partJson(part));
    json.insert("parts", parts);
    json.insert("scene", sceneJson(look.setup.Scene));
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}

std::optional<std::string> writeLookFile(const Look& look, const std::filesystem::path& file) {
    QSaveFile out(pathText(file));
    const QByteArray text = lookJson(look, file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        return out.errorString().toStdString();
    return std::nullopt;
}

LookReading parseLook(const QByteArray& text, const std::filesystem::path& file) {
    LookReading reading;
    try {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        if (error.error != QJsonParseError::NoError)
            fail({}, "not a look file: " + error.errorString().toStdString() + " at byte " +
                         std::to_string(error.offset));
        if (!document.isObject()) fail({}, "not a look file: it holds no JSON object");
        reading.look = readLook(document.object(), folderOf(file));
    } catch (const BadLook& bad) {
        reading.fault = lookFault(file, bad.text);
    }
    return reading;
}

LookReading readLookFile(const std::filesystem::path& file) {
    QFile in(pathText(file));
    if (!in.open(QIODevice::ReadOnly)) return {std::nullopt, lookFault(file, in.errorString().toStdString())};
    if (static_cast<std::uintmax_t>(in.size()) > MostLookBytes)
        return {std::nullopt, lookFault(file, "too large for a look (" + std::to_string(in.size() >> 20) +
                                                  " MB; a look is at most " + std::to_string(MostLookBytes >> 20) +
                                                  " MB)")};
    // Read up to the limit whatever the size said: a file can grow.
    const QByteArray text = in.read(static_cast<qint64>(MostLookBytes) + 1);
    if (static_cast<std::uintmax_t>(text.size()) > MostLookBytes)
        return {std::nullopt, lookFault(file, "too large for a look (a look is at most " +
                                                  std::to_string(MostLookBytes >> 20) + " MB)")};
    return parseLook(text, file);
}

}  // namespace korvex

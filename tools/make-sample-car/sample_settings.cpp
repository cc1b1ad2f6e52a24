#include "sample_settings.h"

#include <array>
#include <string_view>

namespace korvex::samplecar {

namespace {

struct RowStyle {
    std::vector<std::string_view> codes;
    std::string_view headerPattern;  // "%" stands for the part's code
    int lodOn;
    int lodOff;
};

// Below 30 only the hull and the wheels remain; the interior and the brakes
// go first as the slider falls.
const std::array Styles = {
    RowStyle{{"WINShape", "BWShape", "DWShape", "PWShape"}, "ALPHA_TRANS_%~EASVehicleGeneric", 100, 30},
    RowStyle{{"FBShape", "RBShape"}, "%~EASVehicleGeneric", 100, 30},
    RowStyle{{"WFLShape", "WFRShape", "WRLShape", "WRRShape"}, "ALPHA_OPAQUE_RUBBER_%~EASVehicleRubber", 100, 0},
    RowStyle{{"BRAKE_FLShape", "BRAKE_FRShape", "BRAKE_RLShape", "BRAKE_RRShape"}, "%", 100, 50},
    RowStyle{{"INTShape"}, "%~EASVehicleGeneric", 100, 60},
    RowStyle{{"LODShape"}, "%", 29, 0},
};
const RowStyle BodyPanel{{}, "ALPHA_OPAQUE_%", 100, 30};

const RowStyle& styleOf(std::string_view code) {
    for (const RowStyle& style : Styles)
        for (std::string_view styled : style.codes)
            if (styled == code) return style;
    return BodyPanel;
}

std::string header(const RowStyle& style, const std::string& code) {
    std::string text(style.headerPattern);
    text.replace(text.find('%'), 1, code);
    return text;
}

}  // namespace

std::string sampleSettingsFile(const std::vector<std::string>& codes) {
    constexpr std::string_view End = "\r\n";
    std::string file = "[GEOMDATA]\r\nnumpart=" + std::to_string(codes.size()) + "\r\n\r\n";
    for (const std::string& code : codes) {
        const RowStyle& style = styleOf(code);
        file += "[" + header(style, code) + "]";
        file += End;
        file += "lodon=" + std::to_string(style.lodOn) + std::string(End);
        file += "lodoff=" + std::to_string(style.lodOff) + std::string(End);
        file += End;
    }
    return file;
}

}  // namespace korvex::samplecar

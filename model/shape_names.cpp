#include "shape_names.h"

#include "text_conversion.h"

namespace korvex {

const std::array<std::string_view, 56> ShapeNameTable = {
    "TRNShape=Trunk",
    "TRNKShape=Trunk",
    "TRUNKShape=Trunk",
    "WINShape=Window (Front)",
    "RWShape=Window (Rear)",
    "BWShape=Window (Back)",
    "DWShape=Window (Left)",
    "PWShape=Window (Right)",
    "DBWShape=Window (Back Left)",
    "PBWShape=Window (Back Right)",
    "REARShape=Rear",
    "RBShape=Rear Bumper",
    "FRNShape=Front",
    "FBShape=Front Bumper",
    "WRLShape=Wheel (Rear Left)",
    "WRRShape=Wheel (Rear Right)",
    "WFLShape=Wheel (Front Left)",
    "WFRShape=Wheel (Front Right)",
    "BRAKE_RFShape=Brake (Front Right)",
    "BRAKE_LRShape=Brake (Rear Left)",
    "BRAKE_LFShape=Brake (Front Left)",
    "BRAKE_RLShape=Brake (Rear Left)",
    "BRAKE_FLShape=Brake (Front Left)",
    "BRAKE_FRShape=Brake (Front Right)",
    "BRAKE_RRShape=Brake (Rear Right)",
    "PDShape=Door (Right)",
    "DDShape=Door (Left)",
    "PFDShape=Door (Front Right)",
    "DFDShape=Door (Front Left)",
    "PRDShape=Door (Rear Right)",
    "DRDShape=Door (Rear Left)",
    "PFQPShape=Right Side Panel",
    "DFQPShape=Left Side Panel",
    "FQPPShape=Front Right Side Panel",
    "FQPDShape=Front Left Side Panel",
    "RQPPShape=Rear Right Side Panel",
    "RQPDShape=Rear Left Side Panel",
    "PSShape=Right Side Panel",
    "DSShape=Left Side Panel",
    "LGPShape=Headlight Cover Right",
    "LGDShape=Headlight Cover Left",
    "PLGShape=Headlight Cover Right",
    "DLGShape=Headlight Cover Left",
    "TOPShape=Top",
    "INTShape=Interior",
    "HOODShape=Hood",
    "INT_BTMShape=Underside",
    "GEOM_STEERINGWHEELShape=Steering Wheel",
    "MISCShape=Misc Part",
    "Midlod_Shape=Medium Detail Hull",
    "LOD3Shape=Low Detail Part",
    "LOD2Shape=Low Detail Part",
    "LODShape=Low Detail Part",
    "ADDON=Police Add-on",
    "BRAKE=Brake Part",
    "LOD_WHEEL=Low Detail Wheel",
};

std::string readableShapeName(std::string_view partName) {
    const std::string name = upperAscii(partName);
    std::string_view result = partName;
    for (std::string_view entry : ShapeNameTable) {
        const auto equals = entry.find('=');
        if (name.find(upperAscii(entry.substr(0, equals))) != std::string::npos) result = entry.substr(equals + 1);
    }
    return std::string(result);
}

}  // namespace korvex

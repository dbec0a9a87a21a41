#include "geo/smr_style.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "geo/map_classes.h"

namespace tolven {
namespace {

// Every digit a double needs to read back as itself.
std::string exactText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Text for an XML attribute value.
std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '&':
                escaped += "&amp;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// "#2166ac" as QGIS writes a colour: "33,102,172,255".
std::string qgisColour(const char* hex) {
    const unsigned long rgb = std::strtoul(hex + 1, nullptr, 16);
    return std::to_string((rgb >> 16) & 0xFF) + "," + std::to_string((rgb >> 8) & 0xFF) + "," +
           std::to_string(rgb & 0xFF) + ",255";
}

// The class's lower bound as QGIS is told it: the largest double below the
// true bound (see the header).
double storedBound(double bound) {
    return std::abs(bound) >= RATIO_CLASS_UNBOUNDED
               ? bound
               : std::nextafter(bound, -std::numeric_limits<double>::infinity());
}

// One property in both forms QGIS reads: the option map of newer versions and
// the flat properties of older ones.
std::string fillSymbol(int index, const char* hex) {
    const std::string colour = qgisColour(hex);
    const std::pair<const char*, std::string> properties[] = {
        {"color", colour},          {"joinstyle", "bevel"},    {"outline_color", "35,35,35,255"},
        {"outline_style", "solid"}, {"outline_width", "0.26"}, {"outline_width_unit", "MM"},
        {"style", "solid"},
    };
    std::string text = "      <symbol type=\"fill\" name=\"" + std::to_string(index) +
                       "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">\n"
                       "        <layer class=\"SimpleFill\" enabled=\"1\" locked=\"0\" "
                       "pass=\"0\">\n          <Option type=\"Map\">\n";
    for (const auto& [key, value] : properties) {
        text += std::string("            <Option type=\"QString\" name=\"") + key + "\" value=\"" +
                value + "\"/>\n";
    }
    text += "          </Option>\n";
    for (const auto& [key, value] : properties) {
        text += std::string("          <prop k=\"") + key + "\" v=\"" + value + "\"/>\n";
    }
    text += "        </layer>\n      </symbol>\n";
    return text;
}

}  // namespace

std::string graduatedRatioStyle(const std::string& field) {
    std::string text =
        "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
        "<qgis version=\"3.22.0\" styleCategories=\"Symbology\">\n"
        "  <renderer-v2 type=\"graduatedSymbol\" attr=\"" +
        xmlEscaped(field) +
        "\" graduatedMethod=\"GraduatedColor\" symbollevels=\"0\" enableorderby=\"0\" "
        "forceraster=\"0\">\n    <ranges>\n";
    for (std::size_t i = 0; i < RATIO_CLASSES.size(); ++i) {
        const RatioClass& range = RATIO_CLASSES[i];
        text += "      <range symbol=\"" + std::to_string(i) + "\" lower=\"" +
                exactText(storedBound(range.lower)) + "\" upper=\"" +
                exactText(storedBound(range.upper)) + "\" label=\"" + xmlEscaped(range.label) +
                "\" render=\"true\"/>\n";
    }
    text += "    </ranges>\n    <symbols>\n";
    for (std::size_t i = 0; i < RATIO_CLASSES.size(); ++i) {
        text += fillSymbol(static_cast<int>(i), RATIO_CLASSES[i].colour);
    }
    text +=
        "    </symbols>\n"
        "    <mode name=\"manual\"/>\n"
        "    <classificationMethod id=\"Manual\"/>\n"
        "    <rotation/>\n    <sizescale/>\n"
        "  </renderer-v2>\n"
        "</qgis>\n";
    return text;
}

}  // namespace tolven

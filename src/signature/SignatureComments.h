// The two forms of signature comment lines: how they are recognised and how they are written.
#pragma once

#include <string>

namespace signature_comments {

// Web pages and XML files: "<!-- Signature={...} -->".
inline constexpr const char* kMarkupPattern = R"(\<\!\-\-.*\b*Signature\b*=\b*\{{.*}\}.*\-\-\>)";
inline std::string MarkupLine(const std::string& signatureText) {
    return "<!-- Signature={" + signatureText + "} -->";
}

// Scripts and style sheets: "/*Signature={...}*/".
inline constexpr const char* kScriptPattern = R"(/\*\b*Signature\b*=\b*\{{.*}\}\b*\*/)";
inline std::string ScriptLine(const std::string& signatureText) {
    return "/*Signature={" + signatureText + "}*/";
}

}  // namespace signature_comments

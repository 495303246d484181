// Which signature class a file of a given type carries.
#pragma once

#include <memory>
#include <string>

#include "signature/KmkSignature.h"

// The signature object for a file, chosen by the last three characters of its path in any
// case: "asp" ASP, "htm" and "tpl" HTML, ".js" and "css" script, "xml" XML; null for other
// types. kind, when given, receives the class name ("CASPSignature", ...).
std::unique_ptr<CKmkSignature> CreateSignatureForFile(const std::wstring& path,
                                                      std::wstring* kind = nullptr);

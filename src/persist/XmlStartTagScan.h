// A quick look over a whole XML document for start tags with very many attributes.
#pragma once

#include <cstddef>
#include <string_view>

namespace Kmk::Xml {

// Whether some start tag of the document may hold more than maxAttributes attributes, told
// before libxml2 parses it: libxml2 compares each attribute's name with all earlier ones of
// its tag, so such a tag costs time in the square of its attributes. The count never falls
// short of libxml2's: every '=' of a start tag outside its quoted values counts, in UTF-8,
// single-byte, UTF-16 and UCS-4 documents (byte order from the first bytes, as libxml2 tells
// it). Stops at the first tag past the limit.
bool HasStartTagWithMoreAttributes(std::string_view document, size_t maxAttributes);

}  // namespace Kmk::Xml

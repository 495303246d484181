// A container that loads itself from a container XML document such as config.xml.
#pragma once

#include <string>
#include <string_view>

#include "persist/ObjContainer.h"

class ObjContainerXml : public ObjContainer {
public:
    // Empties the container and fills it from the file; true when the file was read to its end
    // as a well-formed document. After a failure the entries read so far remain.
    bool Load(const std::wstring& path);
    // The same for the bytes of a document already read, as the file would hold them.
    bool LoadDocument(std::string_view document);
};

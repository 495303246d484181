// A container that loads itself from a container XML document such as config.xml.
#include "persist/ObjContainerXml.h"

#include "persist/ObjContainerXmlParserHelper.h"
#include "persist/XmlParser.h"

bool ObjContainerXml::Load(const std::wstring& path) {
    RemoveAll();
    ObjContainerXmlParserHelper helper;
    Kmk::Xml::CParser parser(&helper, static_cast<ObjContainer*>(this));
    return parser.ParseFile(path);
}

bool ObjContainerXml::LoadDocument(std::string_view document) {
    RemoveAll();
    ObjContainerXmlParserHelper helper;
    Kmk::Xml::CParser parser(&helper, static_cast<ObjContainer*>(this));
    return parser.Parse(document);
}

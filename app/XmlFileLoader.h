// Loads an XML file into a TinyXML document, in place of TiXmlDocument::LoadFile, whose buffer ends right
// after the text: when a file ends inside a multi-byte UTF-8 sequence the parser steps over the terminator and
// reads past the buffer. It does not report anything itself; callers read the document's error as before.
#pragma once

#include <string>

class TiXmlDocument;

class XmlFileLoader
{
public:
    // Same contract as TiXmlDocument::LoadFile(fileName): the document is cleared and takes the file name as
    // its value, line ends are normalised to LF, and on failure ErrorId(), ErrorDesc() and ErrorRow() say why
    // (TIXML_ERROR_OPENING_FILE for a file that cannot be opened or read, TIXML_ERROR_DOCUMENT_EMPTY for an
    // empty one). True when the document parsed without error.
    static bool Load(TiXmlDocument& document, const std::string& fileName);
};

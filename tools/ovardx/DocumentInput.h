#pragma once

#include <cstdint>
#include <string>

namespace ovardx::tool {

enum class DocumentRead {
    Read,        // text holds the whole document
    Unreadable,  // the file cannot be opened or read
    TooLarge,    // the document is larger than maxBytes; nothing more was read
};

// Reads the whole file, or standard input for "-", into text, once and
// without copies. A file larger than maxBytes is refused before it is read;
// standard input as soon as more than maxBytes arrived.
DocumentRead ReadDocument(const std::string& file, std::uint64_t maxBytes, std::string& text);

// Reads the document an import command names, with the configured size
// limit. Answers 0 when text holds it, else the exit status after the
// reason went to standard error: 2 for a file that cannot be read, 1 for
// one larger than the configuration allows.
int ReadImportDocument(const std::string& file, std::string& text);

}  // namespace ovardx::tool

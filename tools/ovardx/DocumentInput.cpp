#include "tools/ovardx/DocumentInput.h"

#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "registry/LibrarySettings.h"
#include "session/XmlBridge.h"

namespace ovardx::tool {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Appends what is left in the stream, refusing more than maxBytes in all.
DocumentRead ReadStream(std::FILE* stream, std::uint64_t maxBytes, std::string& text) {
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t before = text.size();
        text.resize(before + kChunk);
        const std::size_t got = std::fread(text.data() + before, 1, kChunk, stream);
        text.resize(before + got);
        if (text.size() > maxBytes) return DocumentRead::TooLarge;
        if (got < kChunk) return std::ferror(stream) ? DocumentRead::Unreadable : DocumentRead::Read;
    }
}

}  // namespace

DocumentRead ReadDocument(const std::string& file, std::uint64_t maxBytes, std::string& text) {
    text.clear();
    if (file == "-") return ReadStream(stdin, maxBytes, text);
    File in(std::fopen(file.c_str(), "rb"));
    if (!in) return DocumentRead::Unreadable;
    struct stat status {};
    if (::fstat(::fileno(in.get()), &status) != 0) return DocumentRead::Unreadable;
    if (S_ISREG(status.st_mode)) {
        const auto size = static_cast<std::uint64_t>(status.st_size);
        if (size > maxBytes) return DocumentRead::TooLarge;
        // One allocation of the right size, filled in one read; the stream
        // read below only takes what the file may have grown by meanwhile.
        text.resize(static_cast<std::size_t>(size));
        text.resize(std::fread(text.data(), 1, text.size(), in.get()));
        if (std::ferror(in.get())) return DocumentRead::Unreadable;
        const int next = std::fgetc(in.get());
        if (next == EOF) return std::ferror(in.get()) ? DocumentRead::Unreadable : DocumentRead::Read;
        std::ungetc(next, in.get());
    }
    return ReadStream(in.get(), maxBytes, text);
}

int ReadImportDocument(const std::string& file, std::string& text) {
    const std::uint64_t limit = ThreadSettings().maxDocumentBytes;
    switch (ReadDocument(file, limit, text)) {
        case DocumentRead::Read: return 0;
        case DocumentRead::Unreadable: std::cerr << "ovardx: cannot read " << file << "\n"; return 2;
        case DocumentRead::TooLarge:
            std::cerr << DocumentTooLargeText(limit) << "\n";
            return 1;
    }
    return 1;
}

}  // namespace ovardx::tool
